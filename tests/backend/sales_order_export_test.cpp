// Orders sent to the ERP: the records filled for each release, read back from the ERP's own
// record classes (which know only their release's setters), and the answers of the ERP
// written back into the stored orders.
#include <gtest/gtest.h>

#include <thread>

#include "backend/order.h"
#include "common/lib_sales.h"
#include "platform/registry.h"
#include "tests/backend/erp_support.h"
#include "tests/support/sales_fixture.h"
#include "tests/support/sales_rows.h"

namespace {

using backendtest::erpValue;
using platform::ObjectPtr;
using platform::Variant;
using platform::data::RecordsetPtr;

using testsupport::rowsOf;
using testsupport::valueOf;

void run(const std::string& sql) { testsupport::runOnSales(sql); }

std::string dateIn(int days) {
  int y, m, d, hh, mm, ss;
  platform::Date{platform::Date::today().serial + days}.toParts(y, m, d, hh, mm, ss);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
  return text;
}

// The ERP's sales orders of the demo customer beyond the one its demonstration data holds.
int32_t erpOrdersOfC1001() {
  return erpValue("SELECT COUNT(*) FROM SALESORDER WHERE CUSTOMERCODE = 'C1001' AND SALESORDER <> '100001'").toLong();
}

std::string get(const ObjectPtr& record, const std::string& field) {
  const Variant v = record->call("get" + field);
  return v.isEmpty() || v.isNull() ? "<none>" : v.toString();
}

class SalesOrderExport : public testsupport::ErpTest {
 protected:
  // A stored order of partner 1001 (customer C1001, billing 101, shipping 102) on instance `kiro`.
  static void storeOrder(const std::string& id, int kiro, const std::string& extra = "",
                         const std::string& extraValues = "") {
    run("INSERT INTO ORDERHEADER (ORDERID, CURRENCYCODE, USERID, SHIPPINGADDRESSID, BILLINGADDRESSID, "
        "BUSINESSPARTNERID, CARRIERCODE, ORDERLISTNAME, ORDERSTATUS, ORDERTYPE, HEADERTEXT, DISCOUNTPERC, CUSTOMERPONR, "
        "KIROID, FREIGHTTOTAL, WEBPAYMENTMETHOD, CALCULATETAX, CUSTOMERCODE" + extra + ") VALUES ('" + id +
        "', 'EUR', 'U1', 102, 101, 1001, 'ROAD', 'Spring order', 0, 'SO', NULL, 5, 'PO-77', " + std::to_string(kiro) +
        ", 0, 1, 1, 'C1001'" + extraValues + ")");
  }
  static void storeLine(const std::string& id, int lineNr, const std::string& part, double quantity = 2,
                        int address = 102, const std::string& date = dateIn(30)) {
    run("INSERT INTO ORDERLINE (ORDERID, LINENR, UNITCODE, ADDRESSID, QUANTITY, PRICE, DISCOUNTPERC, DISCOUNTAMOUNT, "
        "AMOUNT, TAXCODE, REQUESTDATE, LINESTATUS, PARTNUMBER) VALUES ('" + id + "', " + std::to_string(lineNr) +
        ", ' BOX ', " + std::to_string(address) + ", " + std::to_string(quantity) + ", 12.5, 0, 0, 25, 'NL21', '" +
        date + " 00:00:00', 0, '" + part + "')");
  }
  // The export document of the pending orders of one instance.
  static platform::DictionaryPtr pending(int kiro) {
    auto doc = platform::makeObject<platform::Dictionary>();
    doc->Add(Variant("origin"), Variant(2));
    doc->Add(Variant("header"), Variant(rowsOf("SELECT * FROM ORDERHEADER WHERE ORDERSTATUS = 0 AND KIROID = " +
                                               std::to_string(kiro) + " ORDER BY ORDERID")));
    return doc;
  }
  std::string exportPending(int kiro, bool& error) {
    merxalink::Order order;
    return order.CreateBackendSalesOrder(pending(kiro), error);
  }
  // The mapping of the first order of instance `kiro`, with the instance's settings.
  void map(const std::string& tovo, const std::string& alignment, const std::string& mask, const RecordsetPtr& lines,
           int origin, const RecordsetPtr& header) {
    order.useInstance(tovo, alignment, mask);
    order.useHeader(header);
    order.InitializeOrder(tovo == "tv4" ? "MXL-UK02" : "MXL-NL01");
    order.BuildInputValuesforQ50c(lines, origin);
  }
  ObjectPtr header() const { return order.salesOrdersSet()->call("getSalesOrdersAt", {Variant(0)}).toObject(); }
  ObjectPtr line(int index) const {
    return order.orderLinesSet()->call("getSalesOrderLinesAt", {Variant(index)}).toObject();
  }
  int lineCount() const { return order.orderLinesSet()->call("sizeSalesOrderLines").toLong(); }
  static std::vector<std::string> texts(const Variant& container) {
    std::vector<std::string> out;
    ObjectPtr c = container.toObject();
    for (int i = 0; i < c->call("sizeTextValue").toLong(); ++i)
      out.push_back(c->call("getTextValueAt", {Variant(i)}).toObject()->call("getText").toString());
    return out;
  }

  merxalink::Order order;
};

TEST_F(SalesOrderExport, Release5HeaderAndLinesFieldByField) {
  const std::string longText(250, 'x');
  storeOrder("O1", 1);
  run("UPDATE ORDERHEADER SET HEADERTEXT = '" + longText + "', FREIGHTTOTAL = 12.5, WEBPAYMENTMETHOD = 2");
  storeLine("O1", 1, "BOLT-M8-50");
  storeLine("O1", 2, "NUT-M8", 1, 103, "2001-07-15");
  run("UPDATE ORDERLINE SET DISCOUNTAMOUNT = 5, DISCOUNTPERC = 10, LINETEXT = 'Loading dock' WHERE LINENR = 1");
  run("UPDATE ORDERLINE SET DISCOUNTPERC = 10 WHERE LINENR = 2");
  RecordsetPtr lines = rowsOf("SELECT * FROM ORDERLINE ORDER BY LINENR");
  map("tv5", "Left", "   ", lines, 2, rowsOf("SELECT * FROM ORDERHEADER"));

  ObjectPtr h = header();
  EXPECT_EQ(get(h, "SalesOrderType"), "SO");
  EXPECT_EQ(get(h, "SoldToBusinessPartner"), "C1001");
  EXPECT_EQ(get(h, "OrderCurrency"), "EUR");
  EXPECT_EQ(get(h, "CustomerOrderNumber"), "PO-77");
  EXPECT_EQ(get(h, "Origin"), "9");
  EXPECT_EQ(get(h, "CalculateTax"), "1");
  EXPECT_EQ(get(h, "Carrier"), "ROAD");
  EXPECT_EQ(get(h, "OrderDiscount"), "5");
  EXPECT_EQ(get(h, "ReferenceA"), "Spring order");
  EXPECT_EQ(get(h, "ReferenceB"), "AARCHER");
  EXPECT_EQ(get(h, "SalesOrder"), "<none>");
  EXPECT_EQ(get(h, "ShipToAddress"), "AC0102");
  EXPECT_EQ(get(h, "BillToAddress"), "AC0101");
  EXPECT_EQ(texts(h->call("getHeaderText")),
            (std::vector<std::string>{std::string(100, 'x'), std::string(100, 'x'), std::string(50, 'x')}));
  EXPECT_FALSE(texts(h->call("getFooterText")).empty());  // payment method 2: the invoice text
  EXPECT_EQ(order.logReference(), " KIROId : 1, For WebOrder: Spring order(O1)");

  ASSERT_EQ(lineCount(), 3);  // two lines and the freight, after them
  ObjectPtr l1 = line(0), l2 = line(1), freight = line(2);
  EXPECT_EQ(get(l1, "Item"), "BOLT-M8-50   ");
  EXPECT_EQ(get(l1, "OrderedQuantity"), "2");
  EXPECT_EQ(get(l1, "TaxCode"), "NL21");
  EXPECT_EQ(get(l1, "SalesUnit"), "BOX");
  EXPECT_EQ(get(l1, "Price"), "12.5");
  EXPECT_EQ(get(l1, "Amount"), "25");
  EXPECT_EQ(get(l1, "CustomerOrderPosition"), "1");
  EXPECT_EQ(get(l1, "ShipToAddress"), "AC0102");
  EXPECT_EQ(texts(l1->call("getOrderLineText")), (std::vector<std::string>{"Loading dock"}));
  // The amount discount only, though the line has a percentage too.
  EXPECT_EQ(get(l1->call("getDiscountAmount").toObject(), "Ldam_1"), "5");
  EXPECT_FALSE(l1->call("hasLineDiscount").toBool());
  EXPECT_EQ(get(l2->call("getLineDiscount").toObject(), "Disc_1"), "10");
  EXPECT_EQ(get(l2, "ShipToAddress"), "AC0103");
  // A date in the future as the date object's parts; one in the past as today.
  int y, m, d, hh, mm, ss;
  platform::Date{platform::Date::today().serial + 30}.toParts(y, m, d, hh, mm, ss);
  ObjectPtr date = l1->call("getPlannedDeliveryDate").toObject();
  EXPECT_EQ(date->call("getYear").toLong(), y - 1900);
  EXPECT_EQ(date->call("getMonth").toLong(), m - 1);
  EXPECT_EQ(date->call("getDate").toLong(), d);
  platform::Date::today().toParts(y, m, d, hh, mm, ss);
  EXPECT_EQ(l2->call("getPlannedDeliveryDate").toObject()->call("getYear").toLong(), y - 1900);
  EXPECT_EQ(get(freight, "Item"), "FREIGHT   ");
  EXPECT_EQ(get(freight, "OrderedQuantity"), "1");
  EXPECT_EQ(get(freight, "Price"), "12.5");
  EXPECT_EQ(get(freight, "CustomerOrderPosition"), "3");
}

TEST_F(SalesOrderExport, Release4SettersDatesAndAddressesWrittenOut) {
  storeOrder("O1", 2);
  run("UPDATE ORDERHEADER SET CALCULATETAX = 0, BUSINESSPARTNERID = 1003, SHIPPINGADDRESSID = 302, "
      "BILLINGADDRESSID = 301, CUSTOMERCODE = 'C1003', CURRENCYCODE = 'USD', CARRIERCODE = 'AIR'");
  run("UPDATE ADDRESS SET KIROADDRESSCODE = 'XYZ0000' WHERE ADDRESSID = 301");  // counts as no code
  storeLine("O1", 4, "WASHER-M8", 3, 302);
  run("UPDATE ORDERLINE SET DISCOUNTPERC = 10");
  map("tv4", "", "", rowsOf("SELECT * FROM ORDERLINE"), 2, rowsOf("SELECT * FROM ORDERHEADER"));

  ObjectPtr h = header();
  EXPECT_EQ(get(h, "OrderType"), "SO");
  EXPECT_EQ(get(h, "Customer"), "C1003");
  EXPECT_EQ(get(h, "Currency"), "USD");
  EXPECT_EQ(get(h, "CustomerPurchaseOrderNumber"), "PO-77");
  EXPECT_EQ(get(h, "Origin"), "4");
  EXPECT_EQ(get(h, "CalculateTax"), "2");
  EXPECT_EQ(get(h, "ForwardingAgent"), "AIR");
  // Neither address has a code the ERP reads: both are written out.
  EXPECT_EQ(get(h, "DeliveryAddress"), "<none>");
  EXPECT_EQ(get(h, "PostalAddress"), "<none>");
  EXPECT_EQ(get(h, "ShipToAddressName2"), "Dock 7");
  EXPECT_EQ(get(h, "ShipToAddressCity1"), "Chicago");
  EXPECT_EQ(get(h, "BillToAddressStreet2"), "Suite 1200");

  ASSERT_EQ(lineCount(), 1);
  ObjectPtr l = line(0);
  EXPECT_EQ(get(l, "Item"), "WASHER-M8");
  EXPECT_EQ(get(l, "CustomerPurchaseOrderLine"), "4");
  const std::string expected = [] {
    std::string t = dateIn(30);
    return t.substr(0, 4) + "/" + t.substr(5, 2) + "/" + t.substr(8, 2);
  }();
  EXPECT_EQ(get(l, "PlannedDeliveryDate1"), expected);
  EXPECT_EQ(get(l, "PlannedReceiptDate"), expected);
  EXPECT_EQ(get(l->call("getDiscountPercentageSalesOrders").toObject(), "DiscountPercentage_1"), "10");
  EXPECT_EQ(get(l, "ShipToAddressName2"), "Dock 7");
}

TEST_F(SalesOrderExport, Release4AddressCodeIsThreeOfItsLastFourAndNoAlignment) {
  storeOrder("O1", 2);
  run("UPDATE ORDERHEADER SET BUSINESSPARTNERID = 1002, SHIPPINGADDRESSID = 201, BILLINGADDRESSID = 201, "
      "CUSTOMERCODE = 'C1002'");
  storeLine("O1", 1, "NUT-M8", 1, 201);
  map("tv4", "", "", rowsOf("SELECT * FROM ORDERLINE"), 2, rowsOf("SELECT * FROM ORDERHEADER"));
  EXPECT_EQ(get(header(), "DeliveryAddress"), "020");  // BL0201
  EXPECT_EQ(get(header(), "PostalAddress"), "020");    // one address for both
  EXPECT_EQ(get(line(0), "DeliveryAddress"), "020");
  EXPECT_EQ(get(line(0), "Item"), "NUT-M8");
}

TEST_F(SalesOrderExport, ConfiguredLineCarriesItsVariantsAndTheMaskLeadsWithoutAlignment) {
  storeOrder("O1", 1);
  storeLine("O1", 1, "CONV-BELT", 1);
  run("UPDATE ORDERLINE SET CONFIGID = '" + testsupport::demoConfigurationId() + "'");
  map("tv5", "", std::string(9, ' '), rowsOf("SELECT * FROM ORDERLINE"), 2, rowsOf("SELECT * FROM ORDERHEADER"));
  ObjectPtr l = line(0);
  EXPECT_EQ(get(l, "Item"), std::string(9, ' ') + "CONV-BELT");
  ObjectPtr variants = l->call("getProductVariants").toObject();
  const int32_t n = variants->call("sizeProductVariantLines").toLong();
  ASSERT_GT(n, 0);
  ObjectPtr first = variants->call("getProductVariantLinesAt", {Variant(0)}).toObject();
  EXPECT_NE(get(first, "FeatureCode"), "<none>");
  EXPECT_NE(get(first, "OptionValue"), "<none>");
}

TEST_F(SalesOrderExport, BasketWithGapsInItsLineNumbersIsConfirmedLineByLine) {
  storeOrder("B1", 1);
  run("UPDATE ORDERHEADER SET ORDERLISTNAME = NULL");
  for (int n : {1, 2, 3}) storeLine("B1", n, "BOLT-M8-50");
  // The basket as it was submitted: lines 2, 5, 9 stored as 1, 2, 3.
  auto doc = platform::makeObject<platform::Dictionary>();
  doc->Add(Variant("origin"), Variant(0));
  doc->Add(Variant("header"), Variant(rowsOf("SELECT h.*, ORDERID AS BASKETID, ORDERLISTNAME AS BASKETNAME, "
                                             "HEADERTEXT AS BASKETTEXT FROM ORDERHEADER h")));
  doc->Add(Variant("lines"), Variant(rowsOf("SELECT l.*, LINENR * 3 - 1 AS BASKETLINENR, UNITCODE AS PRODUCTUNITCODE, "
                                            "PRICE AS PRODUCTPRICE, AMOUNT AS LINEAMOUNT, CONFIGID AS PRODUCTCONFIGID "
                                            "FROM ORDERLINE l ORDER BY LINENR")));
  bool error = true;
  const std::string number = order.CreateBackendSalesOrder(doc, error);
  EXPECT_FALSE(error);
  ASSERT_FALSE(number.empty());
  EXPECT_EQ(valueOf("SELECT COUNT(*) FROM ORDERLINE WHERE SALESORDERNR = '" + number + "'").toLong(), 3);
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER").toLong(), 1);
}

TEST_F(SalesOrderExport, ThreePendingOrdersAreCreatedInHeaderOrder) {
  for (const char* id : {"O1", "O2", "O3"}) {
    storeOrder(id, 1);
    storeLine(id, 1, "BOLT-M8-50");
    storeLine(id, 2, "CONV-BELT", 1);
  }
  storeOrder("O4", 2);  // another instance: not in this export
  bool error = true;
  const std::string last = exportPending(1, error);
  EXPECT_FALSE(error);
  auto headers = rowsOf("SELECT ORDERID, SALESORDERNR, ORDERSTATUS, ERROR FROM ORDERHEADER WHERE KIROID = 1 ORDER BY ORDERID");
  std::vector<int> numbers;
  for (; !headers->eof(); headers->MoveNext()) {
    EXPECT_EQ(headers->value("ORDERSTATUS").toLong(), 1);
    EXPECT_EQ(headers->value("ERROR").toString(), "");
    numbers.push_back(std::stoi(headers->value("SALESORDERNR").toString()));
  }
  ASSERT_EQ(numbers.size(), 3u);
  EXPECT_LT(numbers[0], numbers[1]);
  EXPECT_LT(numbers[1], numbers[2]);
  EXPECT_EQ(last, std::to_string(numbers[2]));
  EXPECT_EQ(valueOf("SELECT COUNT(*) FROM ORDERLINE WHERE SALESORDERLINENR IS NULL").toLong(), 0);
  EXPECT_EQ(valueOf("SELECT SALESORDERLINENR FROM ORDERLINE WHERE ORDERID = 'O2' AND LINENR = 2").toLong(), 20);
  // The ERP holds each with its lines and its addresses, read by its own connection.
  const std::string second = std::to_string(numbers[1]);
  EXPECT_EQ(erpValue("SELECT COUNT(*) FROM SALESORDERLINE WHERE SALESORDER = '" + second + "'").toLong(), 2);
  EXPECT_EQ(erpValue("SELECT SHIPTOADDRESS FROM SALESORDER WHERE SALESORDER = '" + second + "'").toString(), "AC0102");
  EXPECT_EQ(erpValue("SELECT CUSTOMERCODE FROM SALESORDER WHERE SALESORDER = '" + second + "'").toString(), "C1001");
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER WHERE ORDERID = 'O4'").toLong(), 0);
}

TEST_F(SalesOrderExport, RejectedLineKeepsTheOrderPendingAndALaterExportSendsOnlyThatLine) {
  storeOrder("O1", 1);
  storeLine("O1", 1, "BOLT-M8-50");
  storeLine("O1", 2, "NO-SUCH-ITEM");
  storeOrder("O2", 1);  // a clean order after it in the same export
  storeLine("O2", 1, "NUT-M8");
  testsupport::LogCapture log;
  bool error = false;
  exportPending(1, error);
  EXPECT_TRUE(error);

  const std::string number = valueOf("SELECT SALESORDERNR FROM ORDERHEADER WHERE ORDERID = 'O1'").toString();
  ASSERT_FALSE(number.empty());
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER WHERE ORDERID = 'O1'").toLong(), 0);
  EXPECT_NE(valueOf("SELECT ERROR FROM ORDERHEADER WHERE ORDERID = 'O1'").toString().find("NO-SUCH-ITEM"),
            std::string::npos);
  EXPECT_TRUE(valueOf("SELECT SALESORDERLINENR FROM ORDERLINE WHERE ORDERID = 'O1' AND LINENR = 2").isNull());
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER WHERE ORDERID = 'O2'").toLong(), 1);
  size_t errors = 0, warnings = 0;
  for (const auto& e : log.entries()) {
    if (e.message.find(" Error:") != std::string::npos && e.message.find("Field :Item") != std::string::npos) ++errors;
    if (e.message.find("Some/All lines creation failed at Backend") != std::string::npos) {
      ++warnings;
      EXPECT_NE(e.message.find("For WebOrder: Spring order(O1), Backend Sales OrderNo: " + number), std::string::npos);
    }
  }
  EXPECT_EQ(errors, 1u);
  EXPECT_EQ(warnings, 1u);

  run("UPDATE ORDERLINE SET PARTNUMBER = 'WASHER-M8' WHERE ORDERID = 'O1' AND LINENR = 2");
  error = true;
  EXPECT_EQ(exportPending(1, error), number);
  EXPECT_FALSE(error);
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER WHERE ORDERID = 'O1'").toLong(), 1);
  EXPECT_EQ(valueOf("SELECT ERROR FROM ORDERHEADER WHERE ORDERID = 'O1'").toString(), "");
  EXPECT_EQ(valueOf("SELECT SALESORDERLINENR FROM ORDERLINE WHERE ORDERID = 'O1' AND LINENR = 2").toLong(), 20);
  EXPECT_EQ(erpOrdersOfC1001(), 2);
  EXPECT_EQ(erpValue("SELECT COUNT(*) FROM SALESORDERLINE WHERE SALESORDER = '" + number + "'").toLong(), 2);
}

TEST_F(SalesOrderExport, InstanceWithoutComponentIdentifierSendsNothing) {
  storeOrder("O1", 7);
  run("UPDATE ORDERHEADER SET KIROID = NULL");
  storeLine("O1", 1, "BOLT-M8-50");
  testsupport::LogCapture log;
  auto doc = pending(7);
  doc->SetItem(Variant("header"), Variant(rowsOf("SELECT * FROM ORDERHEADER")));
  bool error = true;
  EXPECT_EQ(order.CreateBackendSalesOrder(doc, error), "");
  EXPECT_FALSE(error);
  ASSERT_EQ(log.entries().size(), 2u);  // no instance on the order, then no component for instance 0
  EXPECT_NE(log.entries()[0].message.find("Kiro Instance not found"), std::string::npos);
  EXPECT_EQ(erpOrdersOfC1001(), 0);
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER").toLong(), 0);
}

// ---- ERP answers the stand-in does not give: a fake manager under the release ProgID ----

struct FakeAnswer {
  std::vector<std::string> orders;  // the sales order numbers answered
  bool raise = false;
};

platform::DispatchTable tableOf(const char* name, std::vector<std::pair<const char*, std::function<Variant(platform::Args&)>>> members) {
  platform::DispatchTable t(name);
  for (auto& [member, fn] : members) {
    platform::Member& m = t.add(member);
    m.maxArgs = 2;
    m.call = [fn = std::move(fn)](platform::Object&, platform::Args& a) { return fn(a); };
  }
  return t;
}

class Fake : public platform::Object {
 public:
  explicit Fake(std::shared_ptr<platform::DispatchTable> table) : table_(std::move(table)) {}
  const platform::DispatchTable& dispatch() const override { return *table_; }

 private:
  std::shared_ptr<platform::DispatchTable> table_;
};

ObjectPtr fake(const char* name, std::vector<std::pair<const char*, std::function<Variant(platform::Args&)>>> members) {
  return platform::makeObject<Fake>(std::make_shared<platform::DispatchTable>(tableOf(name, std::move(members))));
}

ObjectPtr fakeManager(std::shared_ptr<FakeAnswer> answer) {
  auto created = [answer] {
    auto orders = fake("Orders", {{"sizeSalesOrders", [answer](auto&) { return Variant(int(answer->orders.size())); }},
                                  {"getSalesOrdersAt", [answer](platform::Args& a) {
                                     const std::string n = answer->orders.at(static_cast<size_t>(a.at(0).toLong()));
                                     return Variant(fake("Order", {{"getSalesOrder", [n](auto&) { return Variant(n); }}}));
                                   }}});
    auto errors = fake("Errors", {{"sizeTeskErrorStructure", [](auto&) { return Variant(0); }}});
    return fake("Created", {{"getRecordSetSalesOrders", [orders](auto&) { return Variant(orders); }},
                            {"getTeskErrorDoc", [errors](auto&) { return Variant(errors); }},
                            {"hasRecordSetSalesOrderLines", [](auto&) { return Variant(false); }}});
  };
  return fake("Manager", {{"Initialize", [](auto&) { return Variant(); }},
                          {"Close", [](auto&) { return Variant(); }},
                          {"Create", [answer, created](auto&) -> Variant {
                             if (answer->raise)
                               platform::raiseError(static_cast<int32_t>(0x80041301), "Fake", "The ERP is down");
                             return Variant(created());
                           }}});
}

TEST_F(SalesOrderExport, AnswersOfTwoSalesOrdersNoLinesAndARaisingCreate) {
  auto answer = std::make_shared<FakeAnswer>();
  platform::ScopedOverride manager("Q50cMXLStdslsCreateSalesOrder.SalesOrdersManager",
                                   [answer] { return fakeManager(answer); });
  storeOrder("O1", 1);
  storeLine("O1", 1, "BOLT-M8-50");
  storeOrder("O2", 1);
  answer->orders = {"A1", "A2"};
  bool error = true;
  EXPECT_EQ(exportPending(1, error), "A2");  // the last one's number
  EXPECT_EQ(valueOf("SELECT SALESORDERNR FROM ORDERHEADER WHERE ORDERID = 'O1'").toString(), "A2");
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER WHERE ORDERID = 'O1'").toLong(), 1);
  EXPECT_TRUE(valueOf("SELECT SALESORDERNR FROM ORDERLINE WHERE ORDERID = 'O1'").isNull());  // no lines answered

  run("UPDATE ORDERHEADER SET ORDERSTATUS = 0, SALESORDERNR = NULL, ERROR = NULL");
  answer->raise = true;
  testsupport::LogCapture log;
  EXPECT_EQ(exportPending(1, error), "");
  EXPECT_NE(valueOf("SELECT ERROR FROM ORDERHEADER WHERE ORDERID = 'O1'").toString().find("The ERP is down"),
            std::string::npos);
  EXPECT_TRUE(valueOf("SELECT ERROR FROM ORDERHEADER WHERE ORDERID = 'O2'").isNull());  // not sent after the failure
  EXPECT_EQ(valueOf("SELECT COUNT(*) FROM ORDERHEADER WHERE ORDERSTATUS = 0").toLong(), 2);  // both still pending
  ASSERT_FALSE(log.entries().empty());
  EXPECT_NE(log.entries().back().message.find("Merxalink.Order.CreateBackendSalesOrder()"), std::string::npos);
}

TEST_F(SalesOrderExport, TwoExportsAtOnceSendEachOrderOnce) {
  for (int i = 1; i <= 6; ++i) {
    const std::string id = "O" + std::to_string(i);
    storeOrder(id, 1);
    storeLine(id, 1, "BOLT-M8-50");
  }
  auto one = pending(1), two = pending(1);  // both read before either sends
  std::thread a([&] {
    merxalink::Order o;
    bool e;
    o.CreateBackendSalesOrder(one, e);
  });
  std::thread b([&] {
    merxalink::Order o;
    bool e;
    o.CreateBackendSalesOrder(two, e);
  });
  a.join();
  b.join();
  EXPECT_EQ(erpOrdersOfC1001(), 6);
  EXPECT_EQ(valueOf("SELECT COUNT(*) FROM ORDERHEADER WHERE ORDERSTATUS = 1").toLong(), 6);
}

}  // namespace
