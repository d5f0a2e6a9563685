// The lookups of Merxa.Pricing: which conversions a web price goes through, what the object
// keeps, and what the exact-key lookups report.
#include <gtest/gtest.h>

#include "tests/pricing/pricing_support.h"

namespace {

using namespace pricingtest;
using merxa::Pricing;

class WebPriceTest : public testsupport::SalesTest {
 protected:
  bool webPrice(Pricing& p, std::string currency, Date on = day(2026, 3, 1)) {
    return p.GetWebPrice(kUnpriced, 1003, on, currency);
  }
};

TEST_F(WebPriceTest, ConvertsThroughTheHomeCurrencyOnlyWhenTheRowIsInAnotherCurrency) {
  struct Case {
    const char *rowCurrency, *requested;
    std::vector<std::string> calls;  // after GetHomeCurrency
    double price, discount;
  };
  const Case cases[] = {
      {"USD", "USD", {}, 3, 0.5},
      {"EUR", "USD", {"ConvertTo EUR>USD 3 0.5"}, 30, 5},
      {"GBP", "USD", {"ConvertAmount GBP>EUR 3", "ConvertAmount GBP>EUR 0.5", "ConvertTo EUR>USD 6 1"}, 60, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.rowCurrency) + " requested as " + c.requested);
    runSql("DELETE FROM PRODUCTPRICE");
    priceRow(0, kUnpriced, "2026-01-01", c.rowCurrency, "2026-06-01", "3", "7", "0.5");
    CurrencyFake fake;
    Pricing p;
    ASSERT_TRUE(webPrice(p, c.requested));
    std::vector<std::string> expected{"GetHomeCurrency"};
    expected.insert(expected.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(fake.log().calls, expected);
    EXPECT_DOUBLE_EQ(p.Price().toDouble(), c.price);
    EXPECT_DOUBLE_EQ(p.DiscountAmount().toDouble(), c.discount);
    EXPECT_EQ(p.CurrencyCode().toString(), c.requested);
    EXPECT_DOUBLE_EQ(p.DiscountPercent().toDouble(), 7);  // never converted
    EXPECT_EQ(p.ExpiryDate().toDate().serial, day(2026, 6, 1).serial);
    EXPECT_TRUE(p.BusinessPartnerID().isNull());  // a list price
  }
}

TEST_F(WebPriceTest, TheCurrencyComponentIsMadeOncePerObjectAndNullsReadAsZeroAndNull) {
  priceRow(0, kUnpriced, "2026-01-01", "EUR", "NULL", "3");
  CurrencyFake fake;
  Pricing first, second;
  EXPECT_TRUE(webPrice(first, "EUR"));
  EXPECT_EQ(first.DiscountPercent().toDouble(), 0);  // the row's discounts are null
  EXPECT_EQ(first.DiscountAmount().toDouble(), 0);
  EXPECT_TRUE(first.ExpiryDate().isNull());
  EXPECT_FALSE(webPrice(first, "EUR", day(2025, 1, 1)));
  EXPECT_TRUE(webPrice(first, "USD"));
  EXPECT_EQ(fake.log().created, 1);
  webPrice(second, "EUR");
  EXPECT_EQ(fake.log().created, 2);
}

TEST_F(WebPriceTest, NothingFoundOrAFailedConversionLeavesThePropertiesAsTheyWere) {
  priceRow(0, kUnpriced, "2026-01-01", "EUR", "NULL", "3");
  CurrencyFake fake;
  testsupport::LogCapture log;
  Pricing p;
  p.SetPrice(Variant("marker"));
  EXPECT_FALSE(webPrice(p, "EUR", day(2025, 12, 31)));
  fake.log().failConvertTo = true;
  EXPECT_EQ(failureOf([&] { webPrice(p, "USD"); }).number, static_cast<int32_t>(0x80040402));
  EXPECT_EQ(p.Price().toString(), "marker");
  EXPECT_TRUE(p.CurrencyCode().isEmpty());

  fake.log().homeDefined = false;
  const ComError noHome = failureOf([&] { webPrice(p, "EUR"); });
  EXPECT_EQ(noHome.number, merxa::HomeCurrencyNotFound);
  EXPECT_HOLDS(noHome.description, " METHOD: Pricing.GetWebPrice\r\n DESC: HomeCurrencyNotFound.\r\n");
  EXPECT_EQ(noHome.description.find(" INFO:"), std::string::npos);
}

TEST_F(WebPriceTest, TheCurrencyComponentConvertsAtTheRatesOfTheOrderDate) {
  // Demonstration data: pounds at 0.8 per euro; dollars at 1.25, and 1.1 from July 2026.
  Pricing p;
  std::string usd = "USD";
  ASSERT_TRUE(p.GetWebPrice(4712, 1003, day(2026, 3, 1), usd));
  EXPECT_NEAR(p.Price().toDouble(), 3.2 / 0.8 * 1.25, 1e-9);
  ASSERT_TRUE(p.GetWebPrice(4712, 1003, day(2026, 8, 1), usd));
  EXPECT_NEAR(p.Price().toDouble(), 3.2 / 0.8 * 1.1, 1e-9);
  ASSERT_TRUE(p.GetWebPrice(kBolts, kCustomer, day(2026, 3, 1), usd));  // Acme's own euro price wins
  EXPECT_NEAR(p.Price().toDouble(), 11 * 1.25, 1e-9);
  EXPECT_EQ(p.BusinessPartnerID().toLong(), kCustomer);
}

TEST_F(WebPriceTest, ExactKeyLookupsSetThePartnerOnlyForCustomerPrices) {
  Pricing p;
  p.SetBusinessPartnerID(Variant(77));
  EXPECT_TRUE(p.GetProductPrice(kBolts, day(2026, 1, 1), "EUR"));
  EXPECT_EQ(p.BusinessPartnerID().toLong(), 77);
  EXPECT_DOUBLE_EQ(p.Price().toDouble(), 12.5);
  EXPECT_TRUE(p.GetCustomerPrice(kBolts, kCustomer, day(2026, 1, 1), "EUR"));
  EXPECT_EQ(p.BusinessPartnerID().toLong(), kCustomer);
  EXPECT_DOUBLE_EQ(p.Price().toDouble(), 11);

  testsupport::LogCapture log;
  // Not the first day of the period: no such key. The connection was closed before the error
  // was raised, so the information is empty.
  const ComError missing = failureOf([&] { p.GetCustomerPrice(kBolts, kCustomer, day(2026, 1, 2), "EUR"); });
  EXPECT_EQ(missing.number, merxa::CustomerPriceNotFound);
  EXPECT_HOLDS(missing.description, " METHOD: Pricing.GetCustomerPrice\r\n DESC: CustomerPriceNotFound.\r\n INFO: .\r\n");
  EXPECT_EQ(failureOf([&] { p.GetProductPrice(kBolts, day(2026, 1, 1), "GBP"); }).number,
            merxa::ProductPriceNotFound);
}

}  // namespace
