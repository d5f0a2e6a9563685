// Showing the orders the ERP stand-in holds: acknowledgement, shipping notice and invoice,
// read late-bound the way the order lookups read them.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/backend/erp_support.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::ObjectPtr;
using platform::Variant;
using backendtest::runOnErp;


class ErpShowOrder : public testsupport::ErpTest {
 protected:
  void SetUp() override {
    ErpTest::SetUp();
    manager = platform::createObject("Q40cMXLStdslsShowSalesOrder.SalesOrderManager");
    manager->call("Initialize", {Variant("MXL-UK02")});
  }
  // The result of one show operation; its error document's first numberOfRow in `errorRow`.
  ObjectPtr show(const char* operation, const std::string& order, int32_t& errorRow) {
    platform::Args args{Variant(order)};
    ObjectPtr result = manager->invoke(operation, platform::CallKind::Method, args).toObject();
    ObjectPtr errors = result->call("getTeskErrorDocAt", {Variant(0)}).toObject();
    errorRow = errors->call("sizeTeskErrorStructure").toLong() == 0
                   ? 0
                   : errors->call("getTeskErrorStructureAt", {Variant(0)}).toObject()->call("numberOfRow").toLong();
    return result;
  }
  static std::string textOf(const ObjectPtr& texts) {
    std::string out;
    for (int32_t j = 0; j < texts->call("sizeTextValue").toLong(); ++j)
      out += texts->call("getTextValueAt", {Variant(j)}).toObject()->call("GetText").toString();
    return out;
  }

  ObjectPtr manager;
};

TEST_F(ErpShowOrder, TheAcknowledgementIsTheOrderAsCreated) {
  int32_t errorRow = -1;
  ObjectPtr result = show("showsalesorderacknowledgment", "100001", errorRow);
  EXPECT_EQ(errorRow, 0);
  ObjectPtr order = result->call("getACKSLSRecordSetAt", {Variant(0)}).toObject()->call("getOSalesOrderAt", {Variant(0)})
                        .toObject();
  EXPECT_EQ(order->call("getOrderNumber").toString(), "100001");
  EXPECT_EQ(order->call("getOrderDate").toString(), "2026-11-02");
  EXPECT_EQ(order->call("getShipToAddressCity1").toString(), "Venlo");     // by the order's address code
  EXPECT_EQ(order->call("getBillToAddressName2").toString(), "Accounts payable");
  EXPECT_FALSE(order->call("hasBillToFax").toBool());                        // what the ERP does not hold is absent
  EXPECT_EQ(textOf(order->call("getOrderText").toObject()), "Deliver to the loading dock");
  ASSERT_EQ(order->call("sizeSOLineDetails").toLong(), 2);
  ObjectPtr line = order->call("getSOLineDetailsAt", {Variant(1)}).toObject();
  EXPECT_EQ(line->call("getPositionNumber").toLong(), 20);
  EXPECT_EQ(line->call("getItemDescription").toString(), "Hex nut M8, zinc plated");
  EXPECT_DOUBLE_EQ(line->call("getOrderedQuantity").toDouble(), 1000);
  EXPECT_EQ(line->call("getLShipToAddressZipCode").toString(), "5928 PZ");
  EXPECT_FALSE(line->call("hasContractNumber").toBool());
  EXPECT_FALSE(line->call("hasLineText").toBool());
}

TEST_F(ErpShowOrder, NoticeAndInvoiceExistOnceTheOrderIsShippedAndInvoiced) {
  int32_t errorRow = 0;
  show("showsalesorderadvancedshipmentnotice", "100001", errorRow);
  EXPECT_EQ(errorRow, 1);
  show("showsalesorderinvoice", "100001", errorRow);
  EXPECT_EQ(errorRow, 1);

  runOnErp("INSERT INTO SHIPMENT (SHIPMENTNUMBER, SALESORDER, POSITIONNUMBER, DELIVEREDQUANTITY, DELIVEREDDATE) "
           "VALUES ('500001', '100001', 10, 40, '2026-12-10 00:00:00')");
  runOnErp("INSERT INTO INVOICE (INVOICENUMBER, SALESORDER, POSITIONNUMBER, INVOICEDATE, SHIPMENTNUMBER, LINEAMOUNT, "
           "LINEDISCOUNTAMOUNT, TAXAMOUNT, GOODSAMOUNT, COSTSERVICEAMOUNT, INVOICEAMOUNT) VALUES ('700001', '100001', 10, "
           "'2026-12-11 00:00:00', '500001', 414, 46, 86.94, 414, 0, 500.94)");
  ObjectPtr notice = show("showsalesorderadvancedshipmentnotice", "100001", errorRow)
                         ->call("getASNSLSRecordSetAt", {Variant(0)}).toObject()
                         ->call("getOSalesOrderAt", {Variant(0)}).toObject();
  EXPECT_EQ(errorRow, 0);
  ASSERT_EQ(notice->call("sizeSOLineDetails").toLong(), 1);
  ObjectPtr shipped = notice->call("getSOLineDetailsAt", {Variant(0)}).toObject();
  EXPECT_EQ(shipped->call("getShipmentNumber").toString(), "500001");
  EXPECT_DOUBLE_EQ(shipped->call("getDeliveredQuantity").toDouble(), 40);
  EXPECT_EQ(shipped->call("getDeliveredDate").toString(), "2026-12-10");

  ObjectPtr invoice = show("showsalesorderinvoice", "100001", errorRow)
                          ->call("getINVSLSRecordSetAt", {Variant(0)}).toObject()
                          ->call("getOSalesOrderAt", {Variant(0)}).toObject();
  ObjectPtr invoiced = invoice->call("getSOLineDetailsAt", {Variant(0)}).toObject();
  EXPECT_EQ(invoiced->call("getInvoiceNumber").toString(), "700001");
  EXPECT_DOUBLE_EQ(invoiced->call("getInvoiceAmount").toDouble(), 500.94);
  EXPECT_DOUBLE_EQ(invoiced->call("getDeliveredQuantity").toDouble(), 40);
}

TEST_F(ErpShowOrder, AnUnknownOrderAnswersAnErrorDocument) {
  int32_t errorRow = 0;
  ObjectPtr result = show("showsalesorderacknowledgment", "999' OR '1'='1", errorRow);
  EXPECT_EQ(errorRow, 1);
  EXPECT_EQ(result->call("getACKSLSRecordSetAt", {Variant(0)}).toObject()->call("sizeOSalesOrder").toLong(), 0);
}

}  // namespace
