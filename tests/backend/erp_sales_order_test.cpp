// Sales order creation in the ERP stand-in, filled late-bound the way the order hand-over
// fills it: records by setter, sets by index, texts and variants as records of their own.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/enterprise/error_of.h"
#include "tests/backend/erp_support.h"
#include "tests/support/sales_fixture.h"

namespace {

using enterprisetest::errorOf;
using platform::ObjectPtr;
using platform::Variant;
using backendtest::erpValue;


// A date object of release 5.0c, as the hand-over makes one: year since 1900, month from 0.
class JavaDate : public platform::Object {
 public:
  JavaDate(int year, int month, int day) : year_(year - 1900), month_(month - 1), day_(day) {}
  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table = platform::Members<JavaDate>("java.util.Date")
                                                     .method("getYear", &JavaDate::getYear)
                                                     .method("getMonth", &JavaDate::getMonth)
                                                     .method("getDate", &JavaDate::getDate);
    return table;
  }
  int32_t getYear() const { return year_; }
  int32_t getMonth() const { return month_; }
  int32_t getDate() const { return day_; }

 private:
  int32_t year_, month_, day_;
};

class ErpSalesOrder : public testsupport::ErpTest {
 protected:
  // Sets the release's component up and its two input sets.
  void start(const std::string& release) {
    prefix = (release == "tv4" ? "Q40c" : "Q50c") + std::string("MXLStdslsCreateSalesOrder.");
    manager = make("SalesOrdersManager");
    manager->call("Initialize", {Variant(release == "tv4" ? "MXL-UK02" : "MXL-NL01")});
    orders = make("recordSetSalesOrders");
    lines = make("recordSetSalesOrderLines");
  }
  ObjectPtr make(const std::string& cls) { return platform::createObject(prefix + cls); }
  // A record of class `cls` with the setters given.
  ObjectPtr record(const std::string& cls, const std::vector<std::pair<std::string, Variant>>& values) {
    ObjectPtr r = make(cls);
    for (const auto& [field, value] : values) r->call("set" + field, {value});
    return r;
  }
  ObjectPtr text(const std::string& container, const std::vector<std::string>& parts) {
    ObjectPtr t = make(container);
    for (const std::string& part : parts) t->call("addTextValue", {Variant(record("TextValue", {{"Text", Variant(part)}}))});
    return t;
  }
  void addHeader(const ObjectPtr& header) {
    orders->call("insertSalesOrdersAt", {Variant(header), orders->call("sizeSalesOrders")});
  }
  void addLine(const ObjectPtr& line) {
    lines->call("insertSalesOrderLinesAt", {Variant(line), lines->call("sizeSalesOrderLines")});
  }
  ObjectPtr create() {
    platform::Args args{Variant(orders), Variant(lines)};
    return manager->invoke("Create", platform::CallKind::Method, args).toObject();
  }
  // "objectID Field" of every error structure.
  static std::vector<std::string> errorsOf(const ObjectPtr& created) {
    ObjectPtr doc = created->call("getTeskErrorDoc").toObject();
    std::vector<std::string> out;
    for (int32_t i = 0; i < doc->call("sizeTeskErrorStructure").toLong(); ++i) {
      ObjectPtr e = doc->call("getTeskErrorStructureAt", {Variant(i)}).toObject();
      out.push_back(e->call("objectID").toString() + " " + e->call("Field").toString());
      EXPECT_EQ(e->call("errorDescription").toString(), e->call("getErrorDescription").toString());
    }
    return out;
  }

  std::string prefix;
  ObjectPtr manager, orders, lines;
};

TEST_F(ErpSalesOrder, AValidOrderIsNumberedStoredAndAnsweredWithItsPositions) {
  start("tv5");
  addHeader(record("SalesOrders", {{"SalesOrderType", Variant("SO")}, {"SoldToBusinessPartner", Variant("C1001")},
                                   {"OrderCurrency", Variant("EUR")}, {"CustomerOrderNumber", Variant("PO-77")},
                                   {"Origin", Variant::integer(9)}, {"CalculateTax", Variant(1)},
                                   {"Carrier", Variant("ROAD")}, {"ReferenceB", Variant("AARCHER")},
                                   {"ReferenceA", Variant("Spring order")},
                                   {"HeaderText", Variant(text("HeaderText", {"Deliver to", " the loading dock"}))},
                                   {"ShipToAddress", Variant("AC0102")}, {"BillToAddress", Variant("AC0101")}}));
  addLine(record("SalesOrderLines", {{"PlannedDeliveryDate", Variant(platform::makeObject<JavaDate>(2026, 12, 24))},
                                     {"Item", Variant("BOLT-M8-50         ")}, {"OrderedQuantity", Variant(3.0)},
                                     {"TaxCode", Variant("NL21")}, {"SalesUnit", Variant("BOX")},
                                     {"Price", Variant(12.5)}, {"Amount", Variant(37.5)},
                                     {"CustomerOrderPosition", Variant(1)}}));
  ObjectPtr variants = make("ProductVariants");
  for (const char* option : {"12 m", "600 mm"})
    variants->call("addProductVariantLines",
                   {Variant(record("ProductVariantLines", {{"FeatureCode", Variant("LEN")}, {"OptionValue", Variant(option)}}))});
  addLine(record("SalesOrderLines", {{"Item", Variant("CONV-BELT")}, {"OrderedQuantity", Variant(1)},
                                     {"LineDiscount", Variant(record("LineDiscount", {{"Disc_1", Variant(5.0)}}))},
                                     {"OrderLineText", Variant(text("OrderLineText", {"Built to order"}))},
                                     {"ShipToAddressName1", Variant("Site office")}, {"ShipToAddressCity1", Variant("Delft")},
                                     {"ProductVariants", Variant(variants)}, {"CustomerOrderPosition", Variant(3)}}));
  ObjectPtr created = create();
  EXPECT_TRUE(errorsOf(created).empty());
  ObjectPtr ordersOut = created->call("getRecordSetSalesOrders").toObject();
  ASSERT_EQ(ordersOut->call("sizeSalesOrders").toLong(), 1);
  EXPECT_EQ(ordersOut->call("getSalesOrdersAt", {Variant(0)}).toObject()->call("getSalesOrder").toString(), "100002");
  ASSERT_TRUE(created->call("hasRecordSetSalesOrderLines").toBool());
  ObjectPtr linesOut = created->call("getRecordSetSalesOrderLines").toObject();
  ASSERT_EQ(linesOut->call("sizeSalesOrderLines").toLong(), 2);
  ObjectPtr second = linesOut->call("getSalesOrderLinesAt", {Variant(1)}).toObject();
  EXPECT_EQ(second->call("getPositionNumber").toLong(), 20);
  EXPECT_EQ(second->call("getCustomerOrderPosition").toLong(), 3);

  EXPECT_EQ(erpValue("SELECT SHIPTOADDRESS FROM SALESORDER WHERE SALESORDER = '100002'").toString(), "AC0102");
  EXPECT_EQ(erpValue("SELECT REFERENCEA FROM SALESORDER WHERE SALESORDER = '100002'").toString(), "Spring order");
  EXPECT_EQ(erpValue("SELECT COUNT(*) FROM SALESORDERTEXT WHERE SALESORDER = '100002' AND TEXTKIND = 'H'").toLong(), 2);
  EXPECT_EQ(erpValue("SELECT PLANNEDDELIVERYDATE FROM SALESORDERLINE WHERE SALESORDER = '100002' AND POSITIONNUMBER = 10")
                .toDate()
                .iso(),
            "2026-12-24 00:00:00");
  EXPECT_DOUBLE_EQ(erpValue("SELECT DISCOUNTPERC FROM SALESORDERLINE WHERE POSITIONNUMBER = 20 AND SALESORDER = '100002'")
                       .toDouble(),
                   5.0);
  EXPECT_EQ(erpValue("SELECT SHIPTOCITY1 FROM SALESORDERLINE WHERE POSITIONNUMBER = 20 AND SALESORDER = '100002'")
                .toString(),
            "Delft");
  EXPECT_EQ(erpValue("SELECT COUNT(*) FROM SALESORDERVARIANT WHERE SALESORDER = '100002'").toLong(), 2);
}

TEST_F(ErpSalesOrder, EveryBadFieldIsOneErrorAndOnlyTheGoodLinesAreStored) {
  start("tv4");
  addHeader(record("SalesOrders", {{"OrderType", Variant("SO")}, {"Customer", Variant("C1001")},
                                   {"DeliveryAddress", Variant("010")}}));  // AC0101 as release 4.0c sends it
  addLine(record("SalesOrderLines", {{"Item", Variant("DRILL-18V")}, {"OrderedQuantity", Variant(1)}}));
  addLine(record("SalesOrderLines", {{"Item", Variant("NUT-M8")}, {"OrderedQuantity", Variant(0)}}));
  addLine(record("SalesOrderLines", {{"Item", Variant("NUT-M8")}, {"OrderedQuantity", Variant(2)},
                                     {"PlannedDeliveryDate1", Variant("2026/13/40")}, {"DeliveryAddress", Variant("XY'Z")}}));
  addLine(record("SalesOrderLines", {{"Item", Variant("NUT-M8")}, {"OrderedQuantity", Variant(2)},
                                     {"PlannedDeliveryDate1", Variant("2026/12/24")},
                                     {"CustomerPurchaseOrderLine", Variant(4)}}));
  ObjectPtr created = create();
  EXPECT_EQ(errorsOf(created), (std::vector<std::string>{"0 Item", "1 OrderedQuantity", "2 PlannedDeliveryDate1",
                                                         "2 DeliveryAddress"}));
  ObjectPtr linesOut = created->call("getRecordSetSalesOrderLines").toObject();
  ASSERT_EQ(linesOut->call("sizeSalesOrderLines").toLong(), 1);
  ObjectPtr stored = linesOut->call("getSalesOrderLinesAt", {Variant(0)}).toObject();
  EXPECT_EQ(stored->call("getPositionNumber").toLong(), 10);
  EXPECT_EQ(stored->call("getCustomerPurchaseOrderLine").toLong(), 4);
  EXPECT_EQ(erpValue("SELECT SHIPTOADDRESS FROM SALESORDER WHERE SALESORDER = '100002'").toString(), "AC0101");
  EXPECT_EQ(erpValue("SELECT COUNT(*) FROM SALESORDERLINE WHERE SALESORDER = '100002'").toLong(), 1);
}

TEST_F(ErpSalesOrder, AHeaderWithAnErrorStoresNothing) {
  start("tv5");
  addHeader(record("SalesOrders", {{"SoldToBusinessPartner", Variant("C9999")}}));
  addLine(record("SalesOrderLines", {{"Item", Variant("NUT-M8")}, {"OrderedQuantity", Variant(2)}}));
  ObjectPtr created = create();
  EXPECT_EQ(errorsOf(created), std::vector<std::string>{"0 SoldToBusinessPartner"});
  EXPECT_EQ(created->call("getRecordSetSalesOrders").toObject()->call("sizeSalesOrders").toLong(), 0);
  EXPECT_FALSE(created->call("hasRecordSetSalesOrderLines").toBool());
  EXPECT_EQ(erpValue("SELECT COUNT(*) FROM SALESORDER").toLong(), 1);
  EXPECT_EQ(erpValue("SELECT LASTNUMBER FROM NUMBERRANGE WHERE RANGENAME = 'SALESORDER'").toLong(), 100001);
}

TEST_F(ErpSalesOrder, AKnownOrderNumberAddsTheLinesToThatOrder) {
  start("tv5");
  addHeader(record("SalesOrders", {{"SoldToBusinessPartner", Variant("C1001")}, {"SalesOrder", Variant("100001")}}));
  addLine(record("SalesOrderLines", {{"Item", Variant("WASHER-M8")}, {"OrderedQuantity", Variant(100)}}));
  ObjectPtr created = create();
  EXPECT_TRUE(errorsOf(created).empty());
  EXPECT_EQ(created->call("getRecordSetSalesOrders").toObject()->call("getSalesOrdersAt", {Variant(0)}).toObject()
                ->call("getSalesOrder").toString(),
            "100001");
  EXPECT_EQ(erpValue("SELECT MAX(POSITIONNUMBER) FROM SALESORDERLINE WHERE SALESORDER = '100001'").toLong(), 30);
  EXPECT_EQ(erpValue("SELECT COUNT(*) FROM SALESORDER").toLong(), 1);

  orders = make("recordSetSalesOrders");
  addHeader(record("SalesOrders", {{"SoldToBusinessPartner", Variant("C1002")}, {"SalesOrder", Variant("100001")}}));
  EXPECT_EQ(errorsOf(create()), std::vector<std::string>{"0 SalesOrder"});  // another customer's order
}

TEST_F(ErpSalesOrder, EachReleaseKnowsOnlyItsOwnNamesAndNothingBeforeInitialize) {
  start("tv5");
  ObjectPtr header = make("SalesOrders");
  EXPECT_EQ(errorOf([&] { header->call("setCustomer", {Variant("C1001")}); }).errNumber(), platform::vb::MemberNotFound);
  EXPECT_EQ(errorOf([&] { make("DiscountAmountSalesOrders"); }).errNumber(), platform::vb::CantCreateObject);

  ObjectPtr fresh = make("SalesOrdersManager");
  platform::Args args{Variant(orders), Variant(lines)};
  EXPECT_EQ(errorOf([&] { fresh->invoke("Create", platform::CallKind::Method, args); }).number,
            static_cast<int32_t>(0x80041001));
}

}  // namespace
