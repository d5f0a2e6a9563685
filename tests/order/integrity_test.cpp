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

// Starts without the demonstration shop's quotations and customer settings: the cases make the
// rows they look for.
class Integrity : public testsupport::SalesTest {
 protected:
  void SetUp() override {
    SalesTest::SetUp();
    testsupport::runOnSales("DELETE FROM QUOTATIONLINE");
    testsupport::runOnSales("DELETE FROM QUOTATIONHEADER");
    testsupport::runOnSales("DELETE FROM CUSTOMERSETTING");
  }

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

namespace {

// Every place a class's tables refer to master data, as the enterprise services know them.
struct Place {
  const char* progId;
  const char* entity;
  const char* keyField;
  const char* table;
  const char* column;
  bool numeric;
};

const Place kPlaces[] = {
    {"Merxa.WebOrder", "KIROINSTANCE", "KIROID", "ORDERHEADER", "KIROID", true},
    {"Merxa.OrderExportFile", "KIROINSTANCE", "KIROID", "ORDEREXPORTFILE", "KIROID", true},
    {"Merxa.Manager", "CUSTOMER", "BUSINESSPARTNERID", "CUSTOMERSETTING", "BUSINESSPARTNERID", true},
    {"Merxa.Order", "PRODUCT", "PRODUCTID", "ORDERLINE", "PRODUCTID", true},
    {"Merxa.Order", "PRODUCT", "PRODUCTID", "BASKETLINE", "SKU", true},
    {"Merxa.Order", "PRODUCT", "PRODUCTID", "QUOTATIONLINE", "SKU", true},
    {"Merxa.Order", "BUSINESSPARTNER", "BUSINESSPARTNERID", "ORDERHEADER", "BUSINESSPARTNERID", true},
    {"Merxa.Order", "BUSINESSPARTNER", "BUSINESSPARTNERID", "BASKETHEADER", "BUSINESSPARTNERID", true},
    {"Merxa.Order", "TRANSPORTCARRIER", "CARRIERCODE", "ORDERHEADER", "CARRIERCODE", false},
    {"Merxa.Order", "TRANSPORTCARRIER", "CARRIERCODE", "BASKETHEADER", "CARRIERCODE", false},
    {"Merxa.Order", "CURRENCY", "CURRENCYCODE", "ORDERHEADER", "CURRENCYCODE", false},
    {"Merxa.Order", "CURRENCY", "CURRENCYCODE", "BASKETHEADER", "CURRENCYCODE", false},
    {"Merxa.Order", "UNIT", "UNITCODE", "ORDERLINE", "UNITCODE", false},
    {"Merxa.Order", "UNIT", "UNITCODE", "BASKETLINE", "PRODUCTUNITCODE", false},
    {"Merxa.Order", "USER", "USERID", "ORDERHEADER", "USERID", false},
    {"Merxa.Order", "USER", "USERID", "BASKETHEADER", "USERID", false},
    {"Merxa.Order", "ADDRESS", "ADDRESSID", "ORDERLINE", "ADDRESSID", true},
    {"Merxa.Order", "ADDRESS", "ADDRESSID", "ORDERHEADER", "SHIPPINGADDRESSID", true},
    {"Merxa.Order", "ADDRESS", "ADDRESSID", "ORDERHEADER", "BILLINGADDRESSID", true},
    {"Merxa.Quotation", "TRANSPORTCARRIER", "CARRIERCODE", "QUOTATIONHEADER", "CARRIERCODE", false},
    {"Merxa.Quotation", "ADDRESS", "ADDRESSID", "QUOTATIONHEADER", "BILLINGADDRESSID", true},
    {"Merxa.Quotation", "ADDRESS", "ADDRESSID", "QUOTATIONHEADER", "SHIPPINGADDRESSID", true},
    {"Merxa.Quotation", "CURRENCY", "CURRENCYCODE", "QUOTATIONHEADER", "CURRENCYCODE", false},
    {"Merxa.Quotation", "CUSTOMER", "BUSINESSPARTNERID", "QUOTATIONHEADER", "BUSINESSPARTNERID", true},
    {"Merxa.Quotation", "KIROINSTANCE", "KIROID", "QUOTATIONHEADER", "KIROID", true},
    {"Merxa.Quotation", "PRODUCT", "PRODUCTID", "QUOTATIONLINE", "SKU", true},
    {"Merxa.Quotation", "UNIT", "UNITCODE", "QUOTATIONLINE", "PRODUCTUNITCODE", false},
    {"Merxa.Basket", "TRANSPORTCARRIER", "CARRIERCODE", "BASKETHEADER", "CARRIERCODE", false},
    {"Merxa.Basket", "ADDRESS", "ADDRESSID", "BASKETHEADER", "BILLINGADDRESSID", true},
    {"Merxa.Basket", "ADDRESS", "ADDRESSID", "BASKETHEADER", "SHIPPINGADDRESSID", true},
    {"Merxa.Basket", "ADDRESS", "ADDRESSID", "BASKETLINE", "ADDRESSID", true},
    {"Merxa.Basket", "CURRENCY", "CURRENCYCODE", "BASKETHEADER", "CURRENCYCODE", false},
    {"Merxa.Basket", "CUSTOMER", "BUSINESSPARTNERID", "BASKETHEADER", "BUSINESSPARTNERID", true},
    {"Merxa.Basket", "KIROINSTANCE", "KIROID", "BASKETHEADER", "KIROID", true},
    {"Merxa.Basket", "PRODUCT", "PRODUCTID", "BASKETLINE", "SKU", true},
    {"Merxa.Basket", "UNIT", "UNITCODE", "BASKETLINE", "PRODUCTUNITCODE", false},
    {"Merxa.Pricing", "PRODUCT", "PRODUCTID", "PRODUCTPRICE", "PRODUCTID", true},
    {"Merxa.Pricing", "PRODUCT", "PRODUCTID", "CUSTOMERPRICE", "PRODUCTID", true},
    {"Merxa.Pricing", "PRODUCT", "PRODUCTID", "FREIGHTPRODUCT", "PRODUCTID", true},
    {"Merxa.Pricing", "BUSINESSPARTNER", "BUSINESSPARTNERID", "CUSTOMERPRICE", "BUSINESSPARTNERID", true},
    {"Merxa.Pricing", "CURRENCY", "CURRENCYCODE", "PRODUCTPRICE", "CURRENCYCODE", false},
    {"Merxa.Pricing", "CURRENCY", "CURRENCYCODE", "CUSTOMERPRICE", "CURRENCYCODE", false},
    {"Merxa.Pricing", "TRANSPORTCARRIER", "CARRIERCODE", "FREIGHTPRICE", "CARRIER", false},
    {"Merxa.Pricing", "COUNTRY", "COUNTRYCODE", "COUNTRIESBYZONE", "COUNTRY", false},
};

std::string literal(const Variant& value, bool numeric) {
  return numeric ? value.toString() : "'" + value.toString() + "'";
}

// Each place, with a value one of its rows holds: Exists finds it under the entity in any
// letter case, References counts its rows, and a value no row holds is not found.
TEST_F(Integrity, EveryPlaceOfEveryClassIsFoundAndCounted) {
  // An order, a basket and a quotation that refer to everything they can.
  for (const char* sql : {
           "INSERT INTO ORDERHEADER (ORDERID, ORDERSTATUS, KIROID, BUSINESSPARTNERID, CARRIERCODE, CURRENCYCODE, USERID, "
           "SHIPPINGADDRESSID, BILLINGADDRESSID) VALUES ('O1', 1, 1, 1001, 'ROAD', 'EUR', 'U1', 102, 101)",
           "INSERT INTO ORDERLINE (ORDERID, LINENR, LINESTATUS, PRODUCTID, UNITCODE, ADDRESSID) "
           "VALUES ('O1', 1, 1, 4711, 'BOX', 102)",
           "INSERT INTO BASKETHEADER (BASKETID, KIROID, BUSINESSPARTNERID, CARRIERCODE, CURRENCYCODE, USERID, "
           "SHIPPINGADDRESSID, BILLINGADDRESSID) VALUES ('B1', 1, 1001, 'ROAD', 'EUR', 'U1', 102, 101)",
           "INSERT INTO BASKETLINE (BASKETID, BASKETLINENR, SKU, PRODUCTUNITCODE, ADDRESSID) VALUES ('B1', 1, 4711, 'BOX', 102)",
           "INSERT INTO QUOTATIONHEADER (QUOTATIONID, KIROID, BUSINESSPARTNERID, CARRIERCODE, CURRENCYCODE, "
           "SHIPPINGADDRESSID, BILLINGADDRESSID) VALUES ('Q1', 1, 1001, 'ROAD', 'EUR', 102, 101)",
           "INSERT INTO QUOTATIONLINE (QUOTATIONID, LINENUMBER, SKU, PRODUCTUNITCODE) VALUES ('Q1', 1, 4711, 'BOX')",
           "INSERT INTO CUSTOMERSETTING (BUSINESSPARTNERID, EXPIRATIONPERIOD) VALUES (1001, 21)"})
    testsupport::runOnSales(sql);
  int asked = 0;
  for (const Place& p : kPlaces) {
    SCOPED_TRACE(std::string(p.progId) + " " + p.entity + " " + p.table + "." + p.column);
    const Variant value = testsupport::valueOf(std::string("SELECT MIN(") + p.column + ") AS V FROM " + p.table +
                                               " WHERE " + p.column + " IS NOT NULL");
    ASSERT_FALSE(value.isNull());
    ++asked;
    const std::string lower = platform::lowerCase(p.entity);
    EXPECT_TRUE(ask(p.progId, "Exists", lower.c_str(), arrayOf({p.keyField}), arrayOf({value})));
    ObjectPtr hooks = platform::queryInterface(platform::createObject(p.progId), "IReferentialIntegrity");
    const Variant counts = hooks->call("References", {Variant(p.entity), arrayOf({p.keyField}), arrayOf({value})});
    const std::string count = testsupport::valueOf(std::string("SELECT COUNT(*) AS N FROM ") + p.table + " WHERE " +
                                                   p.column + " = " + literal(value, p.numeric))
                                  .toString();
    const std::string line = std::string(p.table) + "." + p.column + "=" + count;
    bool listed = false;
    for (const Variant& item : counts.array().items) listed = listed || item.toString() == line;
    EXPECT_TRUE(listed) << line;
    const Variant absent = p.numeric ? Variant(-424242) : Variant("NONE'S");
    const Variant other = hooks->call("References", {Variant(p.entity), arrayOf({p.keyField}), arrayOf({absent})});
    EXPECT_TRUE(other.array().items.empty());
  }
  EXPECT_EQ(asked, static_cast<int>(std::size(kPlaces)));
}

// What each class deletes before a record goes: every row of the place that holds the value,
// and nothing of the same table that holds another; a class with nothing to delete for the
// entity answers False and deletes nothing.
TEST_F(Integrity, BeforeDeleteOfEveryPlaceRemovesOnlyTheRecordsRows) {
  const Place deletes[] = {
      {"Merxa.Manager", "customer", "BUSINESSPARTNERID", "CUSTOMERSETTING", "BUSINESSPARTNERID", true},
      {"Merxa.Pricing", "PRODUCT", "PRODUCTID", "PRODUCTPRICE", "PRODUCTID", true},
      {"Merxa.Pricing", "Product", "PRODUCTID", "CUSTOMERPRICE", "PRODUCTID", true},
      {"Merxa.Pricing", "BUSINESSPARTNER", "BUSINESSPARTNERID", "CUSTOMERPRICE", "BUSINESSPARTNERID", true},
      {"Merxa.Pricing", "CUSTOMER", "CUSTOMERID", "CUSTOMERPRICE", "BUSINESSPARTNERID", true},
      {"Merxa.Pricing", "currency", "CURRENCYCODE", "PRODUCTPRICE", "CURRENCYCODE", false},
      {"Merxa.Pricing", "CURRENCY", "CURRENCYCODE", "CUSTOMERPRICE", "CURRENCYCODE", false},
  };
  for (const Place& p : deletes) {
    SCOPED_TRACE(std::string(p.progId) + " " + p.entity + " " + p.table + "." + p.column);
    testsupport::resetData();  // the demo data holds customer settings of 1001 and 1002
    const std::string rows = std::string("SELECT COUNT(*) AS N FROM ") + p.table;
    const Variant value =
        testsupport::valueOf(std::string("SELECT MIN(") + p.column + ") AS V FROM " + p.table);
    ASSERT_FALSE(value.isNull());
    const std::string where = std::string(" WHERE ") + p.column + " = " + literal(value, p.numeric);
    const int32_t before = testsupport::valueOf(rows).toLong(), held = testsupport::valueOf(rows + where).toLong();
    ASSERT_GT(held, 0);
    EXPECT_TRUE(ask(p.progId, "BeforeDelete", p.entity, arrayOf({p.keyField}), arrayOf({value})));
    EXPECT_EQ(testsupport::valueOf(rows + where).toLong(), 0);
    EXPECT_EQ(testsupport::valueOf(rows).toLong(), before - held);
  }
  testsupport::resetData();
  const int32_t prices = testsupport::valueOf("SELECT COUNT(*) AS N FROM PRODUCTPRICE").toLong();
  for (const char* progId : {"Merxa.Order", "Merxa.Quotation", "Merxa.Basket", "Merxa.WebOrder", "Merxa.OrderExportFile"})
    EXPECT_FALSE(ask(progId, "BeforeDelete", "PRODUCT", arrayOf({"PRODUCTID"}), arrayOf({4711}))) << progId;
  EXPECT_EQ(testsupport::valueOf("SELECT COUNT(*) AS N FROM PRODUCTPRICE").toLong(), prices);
}

}  // namespace
