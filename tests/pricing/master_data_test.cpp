// What pricing relies on from the master data: the currency component's rates and home
// currency, the referential checker, and GetPrice's home on the embedded database.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/data/command.h"
#include "platform/data/pool.h"
#include "tests/pricing/pricing_support.h"

namespace {

using namespace pricingtest;
namespace ado = platform::data;

class MasterDataTest : public testsupport::SalesTest {
 protected:
  double convert(const char* from, const char* to, double amount, Date on) {
    return currency->call("ConvertAmount", {Variant(from), Variant(to), Variant(amount), Variant(on)}).toDouble();
  }
  platform::ObjectPtr currency = platform::createObject("CorvoCommon.Currency");
};

TEST_F(MasterDataTest, CurrenciesConvertThroughTheHomeCurrencyAtTheRateOfTheDay) {
  // One euro buys 1.25 dollars, 1.1 from 7/1/2026 on, and 0.8 pounds.
  EXPECT_DOUBLE_EQ(convert("USD", "EUR", 12.5, day(2026, 6, 30)), 10);
  EXPECT_DOUBLE_EQ(convert("USD", "EUR", 11, day(2026, 7, 1)), 10);
  EXPECT_DOUBLE_EQ(convert("GBP", "USD", 8, day(2026, 3, 1)), 12.5);
  EXPECT_DOUBLE_EQ(convert("EUR", "USD", 1.0 / 3, day(2026, 3, 1)), 0.41666667);  // eight decimals
  EXPECT_DOUBLE_EQ(convert("EUR", "EUR", 0.123456789012, day(2026, 3, 1)), 0.123456789012);
  for (const char* unrated : {"XYZ", "USD"})
    EXPECT_EQ(failureOf([&] { convert(unrated, "EUR", 1, day(2019, 1, 1)); }).number,
              static_cast<int32_t>(0x80040402));

  auto home = currency->call("GetHomeCurrency");
  EXPECT_EQ(home.as<platform::Dictionary>()->Item(Variant("CURRENCYCODE")).toString(), "EUR");
  auto converted = currency->call("ConvertTo", {home, Variant("USD"), Variant(25.0), Variant(2.5), Variant(day(2026, 3, 1))})
                       .as<platform::Dictionary>();
  EXPECT_DOUBLE_EQ(converted->Item(Variant("PRICE")).toDouble(), 31.25);
  EXPECT_DOUBLE_EQ(converted->Item(Variant("DISCOUNTAMOUNT")).toDouble(), 3.125);

  auto pound = currency->call("GetCurrencyProperties", {Variant("GBP")}).as<platform::Dictionary>();
  EXPECT_FALSE(pound->Item(Variant("EURO")).toBool());
  EXPECT_EQ(pound->Item(Variant("LOCALEID")).toLong(), 2057);
  runSql("UPDATE CURRENCY SET HOMECURRENCY = 0");
  EXPECT_TRUE(currency->call("GetHomeCurrency").isNothing());
}

TEST_F(MasterDataTest, ReferentialCheckFindsEveryReferencedMasterRecord) {
  auto checker = platform::createObject("Corvane.ReferentialChecker");
  auto check = [&](Variant product, Variant partner, Variant currencyCode) {
    const Variant names = Variant::array(
        {Variant("ProductID"), Variant("BUSINESSPARTNERID"), Variant("CURRENCYCODE"), Variant("PRICE")});
    const Variant values = Variant::array({std::move(product), std::move(partner), std::move(currencyCode), Variant(-1)});
    return checker->call("CheckInsert", {Variant("CUSTOMERPRICE"), names, values}).toBool();
  };
  EXPECT_TRUE(check(Variant(4711), Variant(1001), Variant("GBP")));
  EXPECT_TRUE(check(Variant("4711"), Variant::null(), Variant("EUR")));  // Null refers to nothing
  EXPECT_FALSE(check(Variant(4711.5), Variant(1001), Variant("GBP")));
  EXPECT_FALSE(check(Variant(999999), Variant(1001), Variant("GBP")));
  EXPECT_FALSE(check(Variant(4711), Variant(4242), Variant("GBP")));
  EXPECT_FALSE(check(Variant(4711), Variant(1001), Variant("gbp")));
  EXPECT_EQ(failureOf([&] {
              checker->call("CheckInsert", {Variant("PRODUCTPRICE"), Variant::array({Variant("PRODUCTID")}),
                                            Variant::array({})});
            }).number,
            platform::vbError(platform::vb::InvalidProcedureCall));
}

// The embedded database keeps a procedure written as SQL Server writes one.
TEST(EmbeddedProcedure, IsStoredInTheDatabaseWithItsParametersNumbered) {
  const auto path = std::filesystem::temp_directory_path() / ("merxa-procedure-" + std::to_string(getpid()) + ".db");
  const std::string cs = "Provider=SQLite;Data Source=" + path.string();
  auto cn = platform::makeObject<ado::Connection>();
  cn->open(ado::creatingDatabase(cs));
  cn->executeNoRecords("CREATE PROCEDURE dbo.Twice @X INT, @Label NVARCHAR(10) AS SELECT @X + @x AS SUM, @LABEL AS "
                       "LABEL, '@X' AS TEXT");
  EXPECT_EQ(failureOf([&] { cn->executeNoRecords("CREATE PROCEDURE Bad @A INT AS SELECT @B"); }).number,
            ado::kProviderError);
  EXPECT_TRUE(cn->provider().tableNames().empty());

  auto cmd = platform::makeObject<ado::Command>();
  cmd->SetActiveConnection(Variant(cn));
  cmd->SetCommandText("[dbo].[TWICE]");
  cmd->SetCommandType(ado::adCmdStoredProc);
  auto parameter = [&](const char* name, ado::DataType type, Variant value) {
    cmd->GetParameters()->Append(cmd->CreateParameter(Variant(name), Variant(static_cast<int>(type)),
                                                      Variant::missing(), Variant(10), std::move(value)));
  };
  parameter("@X", ado::adInteger, Variant(21));
  Variant affected;
  EXPECT_EQ(failureOf([&] { cmd->Execute(affected, Variant::missing(), Variant::missing()); }).number,
            ado::kProviderError);
  parameter("@Label", ado::adVarWChar, Variant("x"));
  auto rs = cmd->Execute(affected, Variant::missing(), Variant::missing());
  EXPECT_EQ(rs->value("SUM").toLong(), 42);
  EXPECT_EQ(rs->value("LABEL").toString(), "x");
  EXPECT_EQ(rs->value("TEXT").toString(), "@X");
  cn->Close();
  ado::ConnectionPool::instance().closeIdle();
  std::filesystem::remove(path);
}

}  // namespace
