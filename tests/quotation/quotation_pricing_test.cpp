// Pricing a quotation's lines: by the web price lists, by the ERP and by the configurator,
// each against the real components and against fakes that record what they were asked.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/merxa_error.h"
#include "platform/registry.h"
#include "tests/quotation/quotation_support.h"

namespace {

using namespace quotationtest;
using merxa::Quotation;
using platform::ComError;

std::shared_ptr<std::vector<std::string>> calls() { return std::make_shared<std::vector<std::string>>(); }

// "Merxa.Pricing" that knows one price: 100 with 10 % off.
class FakePricing : public platform::Object {
 public:
  explicit FakePricing(std::shared_ptr<std::vector<std::string>> log) : log_(std::move(log)) {}
  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table = platform::Members<FakePricing>("FakePricing")
                                                     .method("GetWebPrice", &FakePricing::GetWebPrice)
                                                     .method("Price", &FakePricing::Price)
                                                     .method("DiscountAmount", &FakePricing::DiscountAmount)
                                                     .method("DiscountPercent", &FakePricing::DiscountPercent);
    return table;
  }
  bool GetWebPrice(int32_t product, int32_t partner, Date date, std::string& currency) {
    log_->push_back(std::to_string(product) + " " + std::to_string(partner) + " " + date.iso().substr(0, 10) + " " +
                    currency);
    return product == 4711;
  }
  double Price() { return 100; }
  Variant DiscountAmount() { return Variant(3.0); }  // the percentage wins
  Variant DiscountPercent() { return Variant(10.0); }

 private:
  std::shared_ptr<std::vector<std::string>> log_;
};

// "Merxalink.PriceTax" that prices every item at 8, 25 % off, 2 a unit.
class FakePriceTax : public platform::Object {
 public:
  explicit FakePriceTax(std::shared_ptr<std::vector<std::string>> log) : log_(std::move(log)) {}
  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table = platform::Members<FakePriceTax>("FakePriceTax")
                                                     .method("InitializeAction", &FakePriceTax::InitializeAction)
                                                     .method("GetPriceAndOrTax", &FakePriceTax::GetPriceAndOrTax)
                                                     .method("CloseAction", &FakePriceTax::CloseAction);
    return table;
  }
  void InitializeAction(const std::string& tovo, const std::string& component, Variant& error) {
    log_->push_back("init " + tovo + " " + component);
    error = Variant(0);
  }
  void GetPriceAndOrTax(int32_t option, const std::string& customer, const std::string& part,
                        const std::string& currency, const std::string& date, int32_t lineQuantity,
                        int32_t orderQuantity, const std::string& unit, const std::string&, const std::string&,
                        const std::string&, double, double, Variant& unitPrice, Variant& discountPerc,
                        Variant& discountAmount, Variant&, Variant&, Variant&, Variant&, Variant&, Variant&,
                        Variant& errorCode) {
    log_->push_back("price " + std::to_string(option) + " " + customer + " " + part + " " + currency + " " + date +
                    " " + std::to_string(lineQuantity) + "/" + std::to_string(orderQuantity) + " " + unit);
    unitPrice = Variant(8.0);
    discountPerc = Variant(25.0);
    discountAmount = Variant(2.0);
    errorCode = Variant("");
  }
  void CloseAction() { log_->push_back("close"); }

 private:
  std::shared_ptr<std::vector<std::string>> log_;
};

class QuotationPricingTest : public QuotationErpTest {
 protected:
  std::string create(const DictionaryPtr& doc) {
    basket.Save(Variant(doc));
    quotation.Create(Variant(doc));
    return basketIdOf(doc);
  }
  static RecordsetPtr linesOf(const std::string& id) {
    return rowsOf("SELECT * FROM QUOTATIONLINE WHERE QUOTATIONID = '" + id + "' ORDER BY LINENUMBER");
  }
  merxa::Basket basket;
  Quotation quotation;
};

TEST_F(QuotationPricingTest, WebPricesComeFromThePricingObjectAndAnUnknownPriceIsZero) {
  auto log = calls();
  platform::ScopedOverride fake("Merxa.Pricing", [log] { return platform::makeObject<FakePricing>(log); });
  auto doc = basketOf(basket, "U1", 1001, "C1001");
  addLine(doc, 1, 4711, "BOLT-M8-50", 3);
  addLine(doc, 2, 4713, "WASHER-M8", 2);
  const std::string id = create(doc);
  EXPECT_EQ(*log, (std::vector<std::string>{"4711 1001 " + inDays(10).iso().substr(0, 10) + " EUR",
                                            "4713 1001 " + inDays(10).iso().substr(0, 10) + " EUR"}));
  auto lines = linesOf(id);
  EXPECT_DOUBLE_EQ(lines->value("PRODUCTPRICE").toDouble(), 100);
  EXPECT_DOUBLE_EQ(lines->value("DISCOUNTPERC").toDouble(), 10);
  EXPECT_DOUBLE_EQ(lines->value("DISCOUNTAMOUNT").toDouble(), 10);
  EXPECT_DOUBLE_EQ(lines->value("LINEAMOUNT").toDouble(), 270);
  lines->MoveNext();
  EXPECT_DOUBLE_EQ(lines->value("PRODUCTPRICE").toDouble(), 0);
  EXPECT_DOUBLE_EQ(lines->value("LINEAMOUNT").toDouble(), 0);
  auto header = rowsOf("SELECT * FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + id + "'");
  EXPECT_DOUBLE_EQ(header->value("TOTALNETAMOUNT").toDouble(), 270);
  EXPECT_DOUBLE_EQ(header->value("DISCOUNTTOTAL").toDouble(), 13.5);
  EXPECT_DOUBLE_EQ(header->value("SUBTOTAL").toDouble(), 256.5);
}

TEST_F(QuotationPricingTest, TheErpIsAskedPerLineWithTheItemsQuantityOverTheQuotation) {
  auto log = calls();
  platform::ScopedOverride fake("Merxalink.PriceTax", [log] { return platform::makeObject<FakePriceTax>(log); });
  auto doc = basketOf(basket, "U3", 1002, "C1002", Variant(2));
  addLine(doc, 1, 4711, "BOLT-M8-50", 2, {{"PRODUCTUNITCODE", Variant("BOX")}});
  addLine(doc, 2, 4711, "BOLT-M8-50", 3, {{"PRODUCTUNITCODE", Variant("BOX")}});
  const std::string id = create(doc);
  const std::string date = merxa::FormatKiroDate(Variant(inDays(10))).toString();
  EXPECT_EQ(*log, (std::vector<std::string>{"init tv4 MXL-UK02", "price 1 C1002 BOLT-M8-50 GBP " + date + " 2/5 BOX",
                                            "close", "init tv4 MXL-UK02",
                                            "price 1 C1002 BOLT-M8-50 GBP " + date + " 3/5 BOX", "close"}));
  auto lines = linesOf(id);
  EXPECT_DOUBLE_EQ(lines->value("PRODUCTPRICE").toDouble(), 8);
  EXPECT_DOUBLE_EQ(lines->value("DISCOUNTPERC").toDouble(), 25);
  EXPECT_DOUBLE_EQ(lines->value("DISCOUNTAMOUNT").toDouble(), 2);
  EXPECT_DOUBLE_EQ(lines->value("LINEAMOUNT").toDouble(), 12);
  EXPECT_EQ(countOf("SELECT PRICINGMETHOD FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + id + "'"), 2);
}

TEST_F(QuotationPricingTest, TheErpStandInPricesFromItsPriceList) {
  auto doc = basketOf(basket, "U3", 1002, "C1002", Variant(2));
  addLine(doc, 1, 4711, "BOLT-M8-50", 2, {{"PRODUCTUNITCODE", Variant("BOX")}});
  addLine(doc, 2, 4712, "NUT-M8", 5, {{"PRODUCTUNITCODE", Variant("BOX")}});
  auto lines = linesOf(create(doc));
  EXPECT_DOUBLE_EQ(lines->value("PRODUCTPRICE").toDouble(), 10.2);
  EXPECT_DOUBLE_EQ(lines->value("LINEAMOUNT").toDouble(), 20.4);
  lines->MoveNext();
  EXPECT_DOUBLE_EQ(lines->value("PRODUCTPRICE").toDouble(), 3.1);
  EXPECT_DOUBLE_EQ(lines->value("LINEAMOUNT").toDouble(), 15.5);
}

TEST_F(QuotationPricingTest, AnErpPricedQuotationNeedsItsInstance) {
  testsupport::LogCapture log;
  for (const Variant& kiroId : {Variant::null(), Variant(99)}) {
    auto doc = basketOf(basket, "U3", 1002, "C1002", kiroId);
    addLine(doc, 1, 4711, "BOLT-M8-50", 2);
    try {
      create(doc);
      ADD_FAILURE() << "created without an instance";
    } catch (const ComError& e) {
      if (kiroId.isNull()) {
        EXPECT_EQ(e.number, merxa::KIROIDNotFound);
      }
      EXPECT_NE(e.description.find("Kiro Instance Not found"), std::string::npos) << e.description;
    }
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM QUOTATIONHEADER"), 0);
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETLINE WHERE BASKETID = '" + basketIdOf(doc) + "'"), 1);
  }
}

TEST_F(QuotationPricingTest, ConfiguredLinesArePricedByTheConfiguratorWhateverTheMethod) {
  // Acme buys in euros, the configuration's currency; O'Connell in dollars, converted.
  for (auto [user, partner, code, factor] : {std::tuple{"U1", 1001, "C1001", 1.0}, {"U4", 1003, "C1003", 1.1}}) {
    auto doc = basketOf(basket, user, partner, code);
    addLine(doc, 1, 502, "CONV-BELT", 2,
            {{"PRODUCTCONFIGURABLE", Variant(true)}, {"PRODUCTCONFIGID", Variant(testsupport::demoConfigurationId())}});
    addLine(doc, 2, 502, "CONV-BELT", 3,
            {{"PRODUCTCONFIGURABLE", Variant(true)}, {"PRODUCTCONFIGID", Variant("CFG0002")},
             {"PRODUCTPRICE", Variant(900.0)}, {"DISCOUNTPERC", Variant(5.0)}});
    auto lines = linesOf(create(doc));
    EXPECT_NEAR(lines->value("PRODUCTPRICE").toDouble(), 1250.5 * factor, 0.0001) << partner;
    EXPECT_NEAR(lines->value("LINEAMOUNT").toDouble(), 2 * 1250.5 * factor, 0.001);
    EXPECT_TRUE(lines->value("PRODUCTCONFIGCOMPLETE").toBool());
    lines->MoveNext();
    // Still being configured: the line keeps its price, without discount.
    EXPECT_FALSE(lines->value("PRODUCTCONFIGCOMPLETE").toBool());
    EXPECT_DOUBLE_EQ(lines->value("PRODUCTPRICE").toDouble(), 900);
    EXPECT_DOUBLE_EQ(lines->value("DISCOUNTPERC").toDouble(), 0);
    EXPECT_DOUBLE_EQ(lines->value("LINEAMOUNT").toDouble(), 2700);
  }
}

TEST(FormatKiroDate, WritesYearMonthAndDayInEightDigits) {
  EXPECT_EQ(merxa::FormatKiroDate(Variant(Date::fromParts(2027, 3, 5))).toString(), "20270305");
  EXPECT_EQ(merxa::FormatKiroDate(Variant(Date::fromParts(2026, 12, 24, 15, 30))).toString(), "20261224");
}

}  // namespace
