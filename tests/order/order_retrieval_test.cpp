// Merxa.Order's reading and status side, and the hand-over of orders to the ERP stand-in.
#include <gtest/gtest.h>

#include "basket/basket.h"
#include "basket/sales_document.h"
#include "common/lib_sales.h"
#include "order/order.h"
#include "platform/registry.h"
#include "tests/support/sales_fixture.h"
#include "tests/support/sales_rows.h"

namespace {

using platform::ComError;
using platform::Variant;
using platform::data::RecordsetPtr;

using testsupport::rowsOf;
using testsupport::valueOf;

void run(const std::string& sql) { testsupport::runOnSales(sql); }

void storeOrder(const std::string& id, int kiro = 1) {
  run("INSERT INTO ORDERHEADER (ORDERID, USERID, SHIPPINGADDRESSID, BILLINGADDRESSID, BUSINESSPARTNERID, ORDERSTATUS, "
      "ORDERTYPE, KIROID, CUSTOMERCODE, CURRENCYCODE, CALCULATETAX) VALUES ('" + id +
      "', 'U1', 102, 101, 1001, 0, 'SO', " + std::to_string(kiro) + ", 'C1001', 'EUR', 1)");
}

void storeLine(const std::string& id, int lineNr) {
  run("INSERT INTO ORDERLINE (ORDERID, LINENR, QUANTITY, PRICE, AMOUNT, LINESTATUS, PARTNUMBER, ADDRESSID, UNITCODE) "
      "VALUES ('" + id + "', " + std::to_string(lineNr) + ", 1, 10, 10, 0, 'NUT-M8', 102, 'BOX')");
}

class OrderRetrieval : public testsupport::ErpTest {
 protected:
  merxa::Order order;
};

TEST_F(OrderRetrieval, RestoreGivesHeaderAndLinesAndTakesTheIdentifierAsAValue) {
  EXPECT_FALSE(order.OrdersExist());
  storeOrder("O1");
  storeLine("O1", 1);
  storeLine("O1", 2);
  storeOrder("O2");
  EXPECT_TRUE(order.OrdersExist());

  auto doc = order.Restore("O1");
  EXPECT_EQ(merxa::documentHeader(doc)->RecordCount(), 1);
  EXPECT_EQ(merxa::documentLines(doc)->RecordCount(), 2);
  EXPECT_EQ(merxa::documentLines(order.Restore("O2"))->RecordCount(), 0);
  EXPECT_FALSE(doc->Exists(Variant("origin")));
  try {
    order.Restore("x' OR ORDERID <> '");  // a quote in the identifier finds nothing
    FAIL() << "an unknown order was restored";
  } catch (const ComError& e) {
    EXPECT_NE(e.description.find("Order x' OR ORDERID <> ' not found"), std::string::npos);
  }
}

TEST_F(OrderRetrieval, AddressAsFrozenElseCurrentStatusAndPartner) {
  storeOrder("O1");
  run("INSERT INTO ADDRESSHISTORY (ORDERID, ADDRESSID, NAME1, CITY1) VALUES ('O1', 102, 'Frozen name', 'Venlo')");
  Variant address(102), id("O1");
  EXPECT_EQ(order.GetAddress(address, id)->value("NAME1").toString(), "Frozen name");
  address = Variant(103);
  EXPECT_EQ(order.GetAddress(address, id)->value("CITY1").toString(), "Duisburg");
  id = Variant("O1' OR '1' = '1");
  address = Variant(102);
  EXPECT_EQ(order.GetAddress(address, id)->value("NAME1").toString(), "Acme Industrial Supplies");

  order.UpdateOrderStatus("O1", 6);
  order.UpdateOrderStatus("NONE", 6);
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER").toLong(), 6);
  Variant known("O1"), unknown("NONE");
  EXPECT_EQ(order.GetBPStoredInDB(known), 1001);
  EXPECT_EQ(order.GetBPStoredInDB(unknown), 0);
}

TEST_F(OrderRetrieval, ExportOfAnInstanceWithoutPendingOrdersOrOutOfRange) {
  int created = 0;
  platform::ScopedOverride backend("Merxalink.Order", [&]() -> platform::ObjectPtr {
    ++created;
    return nullptr;
  });
  order.createSOatBackendCall(Variant(7), Variant::missing());
  EXPECT_EQ(created, 0);
  try {
    order.createSOatBackendCall(Variant(300), Variant::missing());
    FAIL() << "instance 300 was taken";
  } catch (const ComError& e) {
    EXPECT_EQ(e.errNumber(), 6);  // Overflow
  }
}

TEST_F(OrderRetrieval, ExportSendsThePendingOrdersOfItsInstance) {
  storeOrder("O1");
  storeLine("O1", 1);
  storeOrder("O2", 2);
  order.createSOatBackendCall(Variant(1), Variant::missing());
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER WHERE ORDERID = 'O1'").toLong(), 1);
  EXPECT_FALSE(valueOf("SELECT SALESORDERNR FROM ORDERLINE WHERE ORDERID = 'O1'").isNull());
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER WHERE ORDERID = 'O2'").toLong(), 0);
}

TEST_F(OrderRetrieval, SubmissionOfAnImmediateInstanceHandsTheBasketWithGapsOver) {
  run("UPDATE ORDEREXPORTFILE SET EXPORTMESSAGETYPE = '2' WHERE KIROID = 1");
  merxa::Basket basket;
  auto doc = basket.Create("U1", 1001);
  auto header = merxa::documentHeader(doc);
  const Variant id = header->value("BASKETID");
  header->setValue("BASKETNAME", Variant("Spring order"));
  header->setValue("KIROID", Variant(1));
  header->setValue("CUSTOMERCODE", Variant("C1001"));
  header->setValue("DISCOUNTPERC", Variant(0.0));
  auto lines = merxa::documentLines(doc);
  for (int lineNr : {2, 5, 9}) {
    lines->addNew();
    for (const auto& [field, value] : std::vector<std::pair<const char*, Variant>>{
             {"BASKETID", id}, {"BASKETLINENR", Variant(lineNr)}, {"SKU", Variant(4711)}, {"QUANTITY", Variant(2.0)},
             {"PARTNUMBER", Variant("BOLT-M8-50")}, {"PRODUCTUNITCODE", Variant("BOX")},
             {"PRODUCTPRICE", Variant(50.0)}, {"LINEAMOUNT", Variant(100.0)}, {"DISCOUNTPERC", Variant(0.0)},
             {"DISCOUNTAMOUNT", Variant(0.0)}, {"LINEDISCOUNTAMOUNT", Variant(0.0)},
             {"ORDERDISCOUNTAMOUNT", Variant(0.0)}})
      lines->setValue(field, value);
  }
  basket.Save(Variant(doc));
  order.SubmitBasket(Variant(doc));

  const std::string where = " WHERE ORDERID = '" + id.toString() + "'";
  EXPECT_EQ(valueOf("SELECT ORDERSTATUS FROM ORDERHEADER" + where).toLong(), 1);
  const std::string number = valueOf("SELECT SALESORDERNR FROM ORDERHEADER" + where).toString();
  EXPECT_FALSE(number.empty());
  EXPECT_EQ(valueOf("SELECT COUNT(*) FROM ORDERLINE" + where + " AND SALESORDERNR = '" + number +
                    "' AND SALESORDERLINENR > 0").toLong(), 3);
}

}  // namespace
