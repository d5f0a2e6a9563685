// The referential-integrity hooks, reached as the enterprise services reach them: the second
// interface of each class, called late-bound.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/sales_fixture.h"
#include "tests/support/sales_rows.h"

namespace {

using platform::ObjectPtr;
using platform::Variant;

Variant arrayOf(std::initializer_list<Variant> items) {
  platform::SafeArray a;
  a.items = items;
  return Variant(std::move(a));
}

class Integrity : public testsupport::SalesTest {
 protected:
  bool ask(const char* progId, const char* member, const char* entity, Variant fields, Variant values) {
    ObjectPtr hooks = platform::queryInterface(platform::createObject(progId), "IReferentialIntegrity");
    return hooks->call(member, {Variant(entity), fields, values}).toBool();
  }
};

TEST_F(Integrity, ExistsAcrossClassesEntitiesAndKeyFields) {
  EXPECT_TRUE(ask("Merxa.Pricing", "Exists", "product", arrayOf({"PRODUCTID"}), arrayOf({4711})));
  EXPECT_FALSE(ask("Merxa.Pricing", "Exists", "PRODUCT", arrayOf({"PRODUCTID"}), arrayOf({999})));
  // Several key fields: every one named as the entity's key takes part.
  EXPECT_TRUE(ask("Merxa.Pricing", "Exists", "PRODUCT", arrayOf({"SKU", "productid", "PRODUCTID"}),
                  arrayOf({4711, 999, 4711})));
  EXPECT_FALSE(ask("Merxa.Pricing", "Exists", "PRODUCT", arrayOf({"SKU"}), arrayOf({4711})));
  // A key that cannot be a number matches nothing, also with a quote in it.
  EXPECT_FALSE(ask("Merxa.Pricing", "Exists", "PRODUCT", arrayOf({"PRODUCTID"}), arrayOf({"4711' OR '1'='1"})));
  EXPECT_TRUE(ask("Merxa.Pricing", "Exists", "COUNTRY", arrayOf({"COUNTRYCODE"}), arrayOf({"NL"})));
  EXPECT_FALSE(ask("Merxa.Pricing", "Exists", "COUNTRY", arrayOf({"COUNTRYCODE"}), arrayOf({"N'L"})));
  EXPECT_FALSE(ask("Merxa.Order", "Exists", "PRODUCT", arrayOf({"PRODUCTID"}), arrayOf({4711})));
  EXPECT_FALSE(ask("Merxa.WebOrder", "Exists", "KIROINSTANCE", arrayOf({"KIROID"}), arrayOf({1})));
  // The home organisation and the freight unit are always in use.
  EXPECT_TRUE(ask("Merxa.Order", "Exists", "BUSINESSPARTNER", arrayOf({"BUSINESSPARTNERID"}), arrayOf({1})));
  EXPECT_TRUE(ask("Merxa.Order", "Exists", "unit", arrayOf({"UNITCODE"}), arrayOf({"EA"})));
  EXPECT_FALSE(ask("Merxa.Order", "Exists", "UNIT", arrayOf({"UNITCODE"}), arrayOf({"BOX"})));
  EXPECT_THROW(platform::queryInterface(platform::createObject("Merxa.FreightCost"), "IReferentialIntegrity"),
               platform::ComError);
}

TEST_F(Integrity, BeforeDeleteRemovesDependentPricesAndSettingsInOneGo) {
  testsupport::runOnSales("INSERT INTO CUSTOMERSETTING (BUSINESSPARTNERID, EXPIRATIONPERIOD) VALUES (1001, 21)");
  EXPECT_TRUE(ask("Merxa.Manager", "Exists", "CUSTOMER", arrayOf({"BUSINESSPARTNERID"}), arrayOf({1001})));
  EXPECT_TRUE(ask("Merxa.Manager", "BeforeDelete", "customer", arrayOf({"BUSINESSPARTNERID"}), arrayOf({1001})));
  EXPECT_FALSE(ask("Merxa.Manager", "Exists", "CUSTOMER", arrayOf({"BUSINESSPARTNERID"}), arrayOf({1001})));

  EXPECT_TRUE(ask("Merxa.Pricing", "BeforeDelete", "PRODUCT", arrayOf({"PRODUCTID"}), arrayOf({4711})));
  EXPECT_TRUE(testsupport::valueOf("SELECT PRODUCTID FROM PRODUCTPRICE WHERE PRODUCTID = 4711").isNull());
  // The freight group of the product is kept, so the product is still referred to.
  EXPECT_TRUE(ask("Merxa.Pricing", "Exists", "PRODUCT", arrayOf({"PRODUCTID"}), arrayOf({4711})));
  EXPECT_FALSE(ask("Merxa.Basket", "BeforeDelete", "PRODUCT", arrayOf({"PRODUCTID"}), arrayOf({4711})));
}

}  // namespace
