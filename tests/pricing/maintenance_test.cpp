// Price maintenance: the validation order, the overlap rules at both ends, the referential
// check, and what reaches the database.
#include <gtest/gtest.h>

#include <functional>

#include "tests/pricing/pricing_support.h"

namespace {

using namespace pricingtest;
using merxa::Pricing;

class MaintenanceTest : public testsupport::SalesTest {
 protected:
  void SetUp() override {
    SalesTest::SetUp();
    fillValidPrice(p);
  }
  int32_t rows(const std::string& where = "PRODUCTID = 502") {
    return countOf("SELECT COUNT(*) FROM PRODUCTPRICE WHERE " + where);
  }
  void period(const std::string& from, const std::string& to) {
    p.SetEffectiveDate(Variant(from));
    p.SetExpiryDate(to == "open" ? Variant::null() : Variant(to));
  }

  Pricing p;
  testsupport::LogCapture log;
};

TEST_F(MaintenanceTest, ValidationStopsAtTheFirstFailingStepInItsOrder) {
  using M = merxa::MerxaError;
  struct Case {
    const char* what;
    std::function<void(Pricing&)> change;
    int32_t expected;  // 0: valid
    bool customer = false;
  };
  const Variant empty, null = Variant::null();
  const Case cases[] = {
      {"product missing, price negative", [&](Pricing& r) { r.SetProductID(null); r.SetPrice(Variant(-1)); }, M::MissingProductID},
      {"effective date and currency missing", [&](Pricing& r) { r.SetEffectiveDate(empty); r.SetCurrencyCode(null); }, M::MissingEffectiveDate},
      {"currency and price missing", [&](Pricing& r) { r.SetCurrencyCode(null); r.SetPrice(null); }, M::MissingCurrencyCode},
      {"price and discount Empty", [&](Pricing& r) { r.SetPrice(empty); r.SetDiscountAmount(empty); }, M::MissingPrice},
      {"percentage Empty, expiry Empty", [&](Pricing& r) { r.SetDiscountPercent(empty); r.SetExpiryDate(empty); }, M::MissingDiscount},
      {"expiry Empty", [&](Pricing& r) { r.SetExpiryDate(empty); }, M::MissingExpiryDate},
      {"partner missing, bad date", [&](Pricing& r) { r.SetBusinessPartnerID(null); r.SetEffectiveDate(Variant("soon")); }, M::MissingBusinessPartnerID, true},
      {"effective date no date", [&](Pricing& r) { r.SetEffectiveDate(Variant("soon")); r.SetExpiryDate(Variant("never")); }, M::InvalidEffectiveDate},
      {"expiry no date", [&](Pricing& r) { r.SetExpiryDate(Variant("never")); r.SetPrice(Variant("abc")); }, M::InvalidExpiryDate},
      {"price below zero", [&](Pricing& r) { r.SetPrice(Variant(-0.01)); }, M::InvalidPrice},
      {"price beyond a Double", [&](Pricing& r) { r.SetPrice(Variant("1e400")); }, M::InvalidPrice},
      {"discount beyond a Double", [&](Pricing& r) { r.SetDiscountPercent(null); r.SetDiscountAmount(Variant("-1e400")); }, M::InvalidDiscountAmount},
      {"percentage above 100", [&](Pricing& r) { r.SetDiscountPercent(Variant(100.5)); }, M::InvalidDiscountPercent},
      {"percentage 100", [&](Pricing& r) { r.SetDiscountPercent(Variant(100)); }, 0},
      {"percentage on a zero price", [&](Pricing& r) { r.SetPrice(Variant(0)); r.SetDiscountPercent(Variant(5)); }, M::InvalidDiscountPercent},
      {"negative percentage", [&](Pricing& r) { r.SetDiscountPercent(Variant(-5)); }, 0},
      {"amount above price", [&](Pricing& r) { r.SetDiscountPercent(null); r.SetDiscountAmount(Variant(20.01)); }, M::InvalidDiscountAmount},
      {"amount equal to price", [&](Pricing& r) { r.SetDiscountPercent(null); r.SetDiscountAmount(Variant(20)); }, 0},
      {"amount on a zero price", [&](Pricing& r) { r.SetPrice(Variant(0)); r.SetDiscountPercent(null); r.SetDiscountAmount(Variant(1)); }, M::InvalidDiscountAmount},
      {"texts compared as numbers", [&](Pricing& r) { r.SetPrice(Variant("10")); r.SetDiscountPercent(null); r.SetDiscountAmount(Variant("5")); }, 0},
      {"both discounts", [&](Pricing& r) { r.SetDiscountAmount(Variant(1)); }, M::NonExclusiveDiscount},
      {"percentage and a zero amount", [&](Pricing& r) { r.SetDiscountAmount(Variant(0)); }, 0},
      {"expiry on the effective date", [&](Pricing& r) { r.SetExpiryDate(Variant(day(2026, 3, 1))); }, M::ExpiryDateRange},
      {"expiry as text before the effective date", [&](Pricing& r) { r.SetExpiryDate(Variant("12/31/2025")); }, M::ExpiryDateRange},
      {"dates as texts compared as dates", [&](Pricing& r) { r.SetEffectiveDate(Variant("3/1/2026")); r.SetExpiryDate(Variant("12/31/2026")); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool add : {true, false}) {
      fillValidPrice(p);
      c.change(p);
      const ComError e = failureOf([&] { add ? p.AddPricing(c.customer) : p.UpdatePricing(c.customer); });
      EXPECT_EQ(e.number, c.expected) << (add ? "add" : "update");
    }
    runSql("DELETE FROM PRODUCTPRICE WHERE PRODUCTID = 502");
  }
}

TEST_F(MaintenanceTest, AddRejectsPeriodsThatTouchAnotherAtEitherEnd) {
  struct Case {
    const char *existingFrom, *existingTo, *from, *to;
    bool conflict;
  };
  const Case cases[] = {
      {"2026-01-01", "NULL", "3/1/2026", "open", true},           // valid on the new start
      {"2026-03-01", "NULL", "1/1/2026", "3/1/2026", true},       // starts on the new end: the end counts
      {"2026-03-01", "NULL", "1/1/2026", "2/28/2026", false},
      {"2026-01-01", "2026-03-01", "3/1/2026", "open", false},    // expired on the new start
      {"2026-01-01", "2026-03-01", "2/28/2026", "open", true},
      {"2026-06-01", "2026-07-01", "1/1/2026", "open", true},     // inside an open end
  };
  // The first conflict names the query that found it, with the open end as 12/31/9999 (which
  // the property itself does not keep).
  priceRow(0, kUnpriced, "2026-01-01", "EUR", "NULL", "20");
  EXPECT_HOLDS(failureOf([&] { p.AddPricing(false); }).description,
               "DESC: MerxaError.EffectiveDateRange: SELECT PRODUCTID FROM PRODUCTPRICE WHERE PRODUCTID = 502 AND "
               "CURRENCYCODE = 'EUR' AND ((EFFECTIVEDATE <= '2026-03-01 00:00:00' AND (EXPIRYDATE IS NULL OR "
               "EXPIRYDATE > '2026-03-01 00:00:00')) OR (EFFECTIVEDATE >= '2026-03-01 00:00:00' AND (EFFECTIVEDATE "
               "<= '9999-12-31 00:00:00'))).\r\n");
  EXPECT_TRUE(p.ExpiryDate().isNull());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.existingFrom) + " to " + c.existingTo + " against " + c.from + " to " + c.to);
    runSql("DELETE FROM PRODUCTPRICE WHERE PRODUCTID = 502");
    priceRow(0, kUnpriced, c.existingFrom, "EUR", c.existingTo, "20");
    period(c.from, c.to);
    EXPECT_EQ(failureOf([&] { p.AddPricing(false); }).number, c.conflict ? merxa::EffectiveDateRange : 0);
    EXPECT_EQ(rows(), c.conflict ? 1 : 2);
  }
  // Another currency, product or partner is another key.
  period("3/1/2026", "open");
  p.SetCurrencyCode(Variant("USD"));
  EXPECT_TRUE(p.AddPricing(false));
  priceRow(1002, kUnpriced, "2026-01-01", "EUR", "NULL", "20");
  p.SetCurrencyCode(Variant("EUR"));
  EXPECT_TRUE(p.AddPricing(true));
  EXPECT_EQ(failureOf([&] { p.AddPricing(true); }).number, merxa::EffectiveDateRange);
}

TEST_F(MaintenanceTest, AnUpdateMayNotReachTheStartOfTheNextPeriod) {
  priceRow(0, kUnpriced, "2026-03-01", "EUR", "2026-04-01", "20");
  priceRow(0, kUnpriced, "2026-05-01", "EUR", "NULL", "25");
  p.SetPrice(Variant(21));
  p.SetExpiryDate(Variant("4/30/2026"));
  EXPECT_TRUE(p.UpdatePricing(false));
  EXPECT_EQ(rows("PRICE = 21 AND EXPIRYDATE = '2026-04-30 00:00:00'"), 1);
  for (const Variant& reaching : {Variant("5/1/2026"), Variant::null()}) {
    p.SetExpiryDate(reaching);
    EXPECT_EQ(failureOf([&] { p.UpdatePricing(false); }).number, merxa::EffectiveDateRange);
  }
  EXPECT_EQ(rows("PRICE = 21 AND EXPIRYDATE = '2026-04-30 00:00:00'"), 1);
}

TEST_F(MaintenanceTest, ANullExpiryIsAnOpenEndAndUnknownKeysChangeNothing) {
  ASSERT_TRUE(p.AddPricing(false));
  EXPECT_EQ(rows("EXPIRYDATE IS NULL AND PRICE = 20 AND DISCOUNTPERC = 10 AND DISCOUNTAMOUNT IS NULL"), 1);

  p.SetEffectiveDate(Variant(day(2026, 3, 2)));
  EXPECT_TRUE(p.UpdatePricing(false));
  EXPECT_TRUE(p.DeletePricing(false));
  EXPECT_EQ(rows(), 1);

  p.SetEffectiveDate(Variant(day(2026, 3, 1)));
  p.SetBusinessPartnerID(Variant::null());  // a list price has no partner
  EXPECT_TRUE(p.DeletePricing(false));
  EXPECT_EQ(rows(), 0);
  EXPECT_EQ(failureOf([&] { p.DeletePricing(true); }).number, merxa::MissingBusinessPartnerID);
  p.SetProductID(Variant());
  p.SetCurrencyCode(Variant());
  EXPECT_EQ(failureOf([&] { p.DeletePricing(true); }).number, merxa::MissingProductID);
}

TEST_F(MaintenanceTest, AnInsertNeedsTheProductCurrencyAndPartnerInMasterData) {
  p.SetProductID(Variant(999999));
  const ComError unknownProduct = failureOf([&] { p.AddPricing(false); });
  EXPECT_EQ(unknownProduct.number, merxa::ReferentialInsert);
  EXPECT_HOLDS(unknownProduct.description, "DESC: ReferentialInsert PRODUCTID=999999, CURRENCYCODE=EUR.");
  fillValidPrice(p);
  p.SetBusinessPartnerID(Variant(4242));
  EXPECT_HOLDS(failureOf([&] { p.AddPricing(true); }).description,
               "DESC: ReferentialInsert PRODUCTID=502, BUSINESSPARTNERID=4242, CURRENCYCODE=EUR.");
  fillValidPrice(p);
  p.SetCurrencyCode(Variant("XYZ"));
  EXPECT_EQ(failureOf([&] { p.AddPricing(false); }).number, merxa::ReferentialInsert);
  EXPECT_TRUE(p.UpdatePricing(false));  // no check on update
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM CUSTOMERPRICE WHERE PRODUCTID = 502") + rows(), 0);
}

TEST_F(MaintenanceTest, CallersValuesNeverBecomeSql) {
  // The partner is not used for a list price at all.
  p.SetBusinessPartnerID(Variant("1 OR 1=1"));
  EXPECT_TRUE(p.AddPricing(false));
  // A product or partner that is no whole number fails before any SQL is made of it.
  period("1/1/2027", "open");
  p.SetProductID(Variant("502 OR 1=1"));
  EXPECT_EQ(failureOf([&] { p.AddPricing(false); }).number, platform::vbError(platform::vb::TypeMismatch));
  fillValidPrice(p);
  p.SetBusinessPartnerID(Variant("1001) OR (1=1"));
  EXPECT_EQ(failureOf([&] { p.AddPricing(true); }).number, platform::vbError(platform::vb::TypeMismatch));
  fillValidPrice(p);
  p.SetCurrencyCode(Variant("E'R"));
  EXPECT_EQ(failureOf([&] { p.AddPricing(false); }).number, merxa::ReferentialInsert);
  EXPECT_EQ(rows(), 1);
}

TEST_F(MaintenanceTest, ExistenceCheckAnswersAndReportsItsQueryErrors) {
  std::string sql = "SELECT PRODUCTID FROM PRODUCTPRICE WHERE PRODUCTID = 4711";
  EXPECT_TRUE(p.CheckExistenceUsingSQL(sql));
  sql = "SELECT PRODUCTID FROM PRODUCTPRICE WHERE PRODUCTID = 502";
  EXPECT_FALSE(p.CheckExistenceUsingSQL(sql));
  sql = "SELECT NOSUCHCOLUMN FROM PRODUCTPRICE";
  const std::string failure = failureOf([&] { p.CheckExistenceUsingSQL(sql); }).description;
  EXPECT_HOLDS(failure, " METHOD: Pricing.CheckExistenceUsingSQL\r\n");
  EXPECT_HOLDS(failure, " INFO: Error(s) from connection object: ");
}

TEST_F(MaintenanceTest, APageCanMaintainPricesLateBoundWithTextValues) {
  auto pricing = platform::createObject("Merxa.Pricing");
  const std::pair<const char*, Variant> values[] = {
      {"ProductID", Variant("502")},     {"CurrencyCode", Variant("EUR")},   {"EffectiveDate", Variant("3/1/2026")},
      {"ExpiryDate", Variant::null()},   {"Price", Variant("19.90")},        {"DiscountPercent", Variant::null()},
      {"DiscountAmount", Variant("1.5")}, {"BusinessPartnerID", Variant("1001")}};
  for (const auto& [name, value] : values) pricing->put(name, value);
  EXPECT_TRUE(pricing->call("AddPricing", {Variant(true)}).toBool());
  auto reader = platform::createObject("Merxa.Pricing");
  EXPECT_TRUE(reader->call("GetCustomerPrice", {Variant(502), Variant(1001), Variant("3/1/2026"), Variant("EUR")})
                  .toBool());
  EXPECT_DOUBLE_EQ(reader->call("Price").toDouble(), 19.9);
  EXPECT_DOUBLE_EQ(reader->call("DiscountAmount").toDouble(), 1.5);
}

}  // namespace
