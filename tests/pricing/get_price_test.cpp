// The stored procedure GetPrice, called as the bare procedure: the same table of cases runs on
// whichever database the suite runs against (CI runs it on both), so both return the same
// rows in the same order.
#include <gtest/gtest.h>

#include "platform/data/command.h"
#include "tests/pricing/pricing_support.h"

namespace {

using namespace pricingtest;
namespace ado = platform::data;

// The bare procedure call, as GetWebPrice makes it.
ado::RecordsetPtr callGetPrice(const ado::ConnectionPtr& cn, int32_t product, int32_t partner, const char* currency,
                               const char* home, Date on) {
  auto cmd = platform::makeObject<ado::Command>();
  cmd->SetActiveConnection(Variant(cn));
  cmd->SetCommandText("GetPrice");
  cmd->SetCommandType(ado::adCmdStoredProc);
  const std::tuple<const char*, ado::DataType, int, Variant> parameters[] = {
      {"@PRODID", ado::adInteger, 4, Variant(product)},
      {"@BPID", ado::adInteger, 4, Variant(partner)},
      {"@CURRENCY", ado::adWChar, 3, Variant(currency)},
      {"@HOMECURRENCY", ado::adWChar, 3, Variant(home)},
      {"@ORDERDATE", ado::adDBTimeStamp, 0, Variant(on)}};
  for (const auto& [name, type, size, value] : parameters)
    cmd->GetParameters()->Append(cmd->CreateParameter(Variant(name), Variant(static_cast<int>(type)),
                                                      Variant(static_cast<int>(ado::adParamInput)), Variant(size),
                                                      value));
  Variant affected;
  return cmd->Execute(affected, Variant::missing(), Variant::missing());
}

// The rows of GetPrice, one text each: partner (- for a list price), currency, price and
// validity.
std::vector<std::string> getPrice(int32_t product, int32_t partner, const char* currency, const char* home, Date on) {
  auto cn = openDatabase();
  auto rs = callGetPrice(cn, product, partner, currency, home, on);
  std::vector<std::string> names;
  for (int i = 0; i < rs->columnCount(); ++i) names.push_back(rs->columnInfo(i).name);
  EXPECT_EQ(names, (std::vector<std::string>{"PRODUCTID", "BUSINESSPARTNERID", "CURRENCYCODE", "EFFECTIVEDATE",
                                             "EXPIRYDATE", "PRICE", "DISCOUNTPERC", "DISCOUNTAMOUNT"}));
  std::vector<std::string> rows;
  for (; !rs->eof(); rs->MoveNext()) {
    const Variant partnerId = rs->value("BUSINESSPARTNERID"), expiry = rs->value("EXPIRYDATE");
    rows.push_back((partnerId.isNull() ? std::string("-") : partnerId.toString()) + " " +
                   rs->value("CURRENCYCODE").toString() + " " + Variant(rs->value("PRICE").toDouble()).toString() +
                   " " + rs->value("EFFECTIVEDATE").toDate().iso().substr(0, 10) + ".." +
                   (expiry.isNull() ? std::string("open") : expiry.toDate().iso().substr(0, 10)));
  }
  cn->Close();
  return rows;
}

class GetPriceTest : public testsupport::SalesTest {
 protected:
  void SetUp() override {
    SalesTest::SetUp();
    priceRow(0, kUnpriced, "2026-01-01", "EUR", "2026-07-01", "10");
    priceRow(0, kUnpriced, "2026-07-01", "EUR", "NULL", "11");
    priceRow(0, kUnpriced, "2026-01-01", "USD", "NULL", "13");
    priceRow(0, kUnpriced, "2026-01-01", "GBP", "NULL", "9");
    priceRow(0, kUnpriced, "2026-01-01", "CHF", "NULL", "14");
    priceRow(1001, kUnpriced, "2026-03-01", "GBP", "2026-04-01", "8");
    priceRow(1002, kUnpriced, "2026-01-01", "USD", "NULL", "12.5");
  }
};

TEST_F(GetPriceTest, ReturnsTheValidRowsCustomerFirstThenRequestedHomeAndOtherCurrencies) {
  struct Case {
    int32_t partner;
    const char *currency, *home;
    Date on;
    std::vector<std::string> rows;
  };
  const std::string eur10 = "- EUR 10 2026-01-01..2026-07-01", eur11 = "- EUR 11 2026-07-01..open",
                    usd = "- USD 13 2026-01-01..open", gbp = "- GBP 9 2026-01-01..open",
                    chf = "- CHF 14 2026-01-01..open", acme = "1001 GBP 8 2026-03-01..2026-04-01",
                    brightline = "1002 USD 12.5 2026-01-01..open";
  const Case cases[] = {
      {1003, "EUR", "EUR", day(2026, 2, 1), {eur10, chf, gbp, usd}},
      {1003, "USD", "EUR", day(2026, 2, 1), {usd, eur10, chf, gbp}},
      {1003, "GBP", "USD", day(2026, 2, 1), {gbp, usd, chf, eur10}},
      {1001, "USD", "EUR", day(2026, 3, 1), {acme, usd, eur10, chf, gbp}},  // the customer's own first, any currency
      {1001, "USD", "EUR", day(2026, 4, 1), {usd, eur10, chf, gbp}},        // its expiry date no longer counts
      {1003, "EUR", "EUR", day(2026, 7, 1), {eur11, chf, gbp, usd}},        // the next period's first day
      {1002, "USD", "EUR", Date::fromParts(2026, 6, 30, 23, 59, 59), {brightline, usd, eur10, chf, gbp}},
      {1003, "EUR", "EUR", Date::fromParts(2025, 12, 31, 23, 59, 59), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.partner) + " " + c.currency + "/" + c.home + " on " + Variant(c.on).toString());
    EXPECT_EQ(getPrice(kUnpriced, c.partner, c.currency, c.home, c.on), c.rows);
  }
  EXPECT_TRUE(getPrice(4713, 1001, "EUR", "EUR", day(2024, 1, 1)).empty());
}

}  // namespace
