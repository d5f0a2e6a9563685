#include "order/order.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <vector>

#include "basket/basket.h"
#include "basket/sales_document.h"
#include "common/lib_sales.h"
#include "order/order_export_file.h"
#include "order/order_status.h"
#include "platform/data/testing.h"
#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::ComError;
using platform::Date;
using platform::DictionaryPtr;
using platform::Variant;
using platform::data::RecordsetPtr;

RecordsetPtr rowsOf(const std::string& sql) {
  return merxa::Sls_GetDisconnectedRecordset(sql, merxa::Sls_ConnectionString());
}

int32_t countOf(const std::string& sql) { return rowsOf(sql)->field(0)->Value().toLong(); }

void run(const std::string& sql) {
  auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
  cn->executeNoRecords(sql);
  merxa::Sls_CloseConnection(cn);
}

// One column of every row of `sql`, as text ("null" for Null).
std::vector<std::string> columnOf(const std::string& sql) {
  std::vector<std::string> out;
  for (auto rs = rowsOf(sql); !rs->eof(); rs->MoveNext()) {
    const Variant v = rs->field(0)->Value();
    out.push_back(v.isNull() ? "null" : v.toString());
  }
  return out;
}

std::string idOf(const DictionaryPtr& doc) { return merxa::documentHeader(doc)->value("BASKETID").toString(); }

// Records each hand-over instead of making it.
class RecordingOrder : public merxa::Order {
 public:
  int handedOver = 0;

 private:
  void CreateSOatBackend(int32_t, const DictionaryPtr&) override { ++handedOver; }
};

class OrderTest : public testsupport::SalesTest {
 protected:
  // A stored basket of `partner` whose header the web layer has filled in, without lines.
  DictionaryPtr basketOf(int32_t partner) {
    auto doc = basket.Create("U1", partner);
    auto header = merxa::documentHeader(doc);
    header->setValue("BASKETNAME", Variant("Spring order"));
    header->setValue("DISCOUNTPERC", Variant(0.0));
    return doc;
  }

  // Adds line `lineNr` (product 4700 + lineNr) as the web layer prices it, without discounts
  // unless `fields` says otherwise.
  void addLine(const DictionaryPtr& doc, int32_t lineNr, std::vector<std::pair<const char*, Variant>> fields = {}) {
    auto lines = merxa::documentLines(doc);
    lines->addNew();
    fields.insert(fields.begin(), {{"BASKETID", Variant(idOf(doc))}, {"BASKETLINENR", Variant(lineNr)},
                                   {"SKU", Variant(4700 + lineNr)}, {"QUANTITY", Variant(2.0)},
                                   {"PRODUCTPRICE", Variant(50.0)}, {"LINEAMOUNT", Variant(100.0)},
                                   {"DISCOUNTPERC", Variant(0.0)}, {"DISCOUNTAMOUNT", Variant(0.0)},
                                   {"LINEDISCOUNTAMOUNT", Variant(0.0)}, {"ORDERDISCOUNTAMOUNT", Variant(0.0)}});
    for (const auto& [field, value] : fields) lines->setValue(field, value);
  }

  // Quotation Q1 of customer 1001 with two lines.
  void storeQuotation() {
    run("INSERT INTO QUOTATIONHEADER (QUOTATIONID, CUSTOMERREFERENCE, BILLINGADDRESSID, SHIPPINGADDRESSID, "
        "CREATIONDATE, USERID, BUSINESSPARTNERID, CARRIERCODE, CUSTOMERCODE, CUSTOMERNAME, CURRENCYCODE, "
        "CURRENCYSYMBOL, KIROID, COMMENTS, NOTIFICATIONSENT, COPIEDTOORDER, DISCOUNTPERC, DISCOUNTTOTAL, "
        "TOTALNETAMOUNT, SUBTOTAL) VALUES ('Q1', 'Tender 7', 101, 102, '2026-01-05 00:00:00', 'U1', 1001, 'ROAD', "
        "'C1001', 'Acme', 'EUR', 'E', 1, 'Call first', 0, 0, 0, 0, 145, 145)");
    run("INSERT INTO QUOTATIONLINE (QUOTATIONID, LINENUMBER, SKU, QUANTITY, PRODUCTUNITCODE, PRODUCTPRICE, "
        "DISCOUNTPERC, DISCOUNTAMOUNT, LINEAMOUNT, COPIEDTOORDER) VALUES ('Q1', 1, 4711, 2, 'EA', 50, 10, 99, 90, 0)");
    run("INSERT INTO QUOTATIONLINE (QUOTATIONID, LINENUMBER, SKU, QUANTITY, PRODUCTUNITCODE, PRODUCTPRICE, "
        "DISCOUNTPERC, DISCOUNTAMOUNT, LINEAMOUNT, COPIEDTOORDER) VALUES ('Q1', 2, 4712, 1, 'EA', 55, 0, 4, 55, 0)");
  }

  // Quotation Q1 as the quotation pages load it for ordering.
  static DictionaryPtr quotationDocument() {
    auto doc = merxa::makeDocument(rowsOf("SELECT * FROM QUOTATIONHEADER WHERE QUOTATIONID = 'Q1'"),
                                   rowsOf("SELECT * FROM QUOTATIONLINE WHERE QUOTATIONID = 'Q1' ORDER BY LINENUMBER"));
    doc->Add(Variant("origin"), Variant(1));
    return doc;
  }

  merxa::Basket basket;
  RecordingOrder order;
};

TEST_F(OrderTest, StoresHeaderLinesAndEachAddressOnceThenDeletesTheBasket) {
  auto doc = basketOf(1001);  // billing 101, shipping 102
  addLine(doc, 2, {{"ADDRESSID", Variant(102)}});
  addLine(doc, 5, {{"ADDRESSID", Variant(103)}});
  addLine(doc, 9);  // ships to the order's shipping address
  basket.Save(Variant(doc));
  const std::string id = idOf(doc);

  order.SubmitBasket(Variant(doc));

  auto header = rowsOf("SELECT * FROM ORDERHEADER");
  ASSERT_EQ(header->RecordCount(), 1);
  EXPECT_EQ(header->value("ORDERID").toString(), id);
  EXPECT_EQ(header->value("ORDERSTATUS").toLong(), merxa::ToBeProcessed);
  EXPECT_EQ(header->value("ORDERLISTNAME").toString(), "Spring order");
  EXPECT_EQ(header->value("SALESORDERNR").toString(), "");
  EXPECT_TRUE(header->value("QUOTATIONID").isNull());

  const std::string lines = " FROM ORDERLINE WHERE ORDERID = '" + id + "' ORDER BY LINENR";
  EXPECT_EQ(columnOf("SELECT LINENR" + lines), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(columnOf("SELECT PRODUCTID" + lines), (std::vector<std::string>{"4702", "4705", "4709"}));
  EXPECT_EQ(columnOf("SELECT ADDRESSID" + lines), (std::vector<std::string>{"102", "103", "102"}));
  EXPECT_EQ(columnOf("SELECT LINESTATUS" + lines), (std::vector<std::string>{"0", "0", "0"}));

  const std::string history = " FROM ADDRESSHISTORY WHERE ORDERID = '" + id + "' ORDER BY ADDRESSID";
  EXPECT_EQ(columnOf("SELECT ADDRESSID" + history), (std::vector<std::string>{"101", "102", "103"}));
  EXPECT_EQ(columnOf("SELECT CITY1" + history), (std::vector<std::string>{"Eindhoven", "Venlo", "Duisburg"}));
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), 0);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETLINE"), 0);
}

TEST_F(OrderTest, LineDiscountsFollowTheDocumentsOrigin) {
  auto doc = basketOf(1001);
  addLine(doc, 1,
          {{"DISCOUNTPERC", Variant(10.0)}, {"LINEDISCOUNTAMOUNT", Variant(7.0)}, {"DISCOUNTAMOUNT", Variant(99.0)},
           {"ORDERDISCOUNTAMOUNT", Variant(1.5)}});
  addLine(doc, 2, {{"DISCOUNTAMOUNT", Variant(3.0)}, {"LINEDISCOUNTAMOUNT", Variant(99.0)}});
  order.SubmitBasket(Variant(doc));
  const std::string basketLines = " FROM ORDERLINE WHERE ORDERID = '" + idOf(doc) + "' ORDER BY LINENR";
  EXPECT_EQ(columnOf("SELECT DISCOUNTAMOUNT" + basketLines), (std::vector<std::string>{"7", "3"}));
  EXPECT_EQ(columnOf("SELECT ORDERDISCOUNT" + basketLines), (std::vector<std::string>{"1.5", "0"}));

  // On a quotation a percentage gives a unit amount (50 x 10 %), and its DISCOUNTAMOUNT is the
  // line's share of the order discount.
  storeQuotation();
  order.SubmitBasket(Variant(quotationDocument()));
  const std::string quotationLines = " FROM ORDERLINE WHERE ORDERID <> '" + idOf(doc) + "' ORDER BY LINENR";
  EXPECT_EQ(columnOf("SELECT DISCOUNTAMOUNT" + quotationLines), (std::vector<std::string>{"5", "4"}));
  EXPECT_EQ(columnOf("SELECT ORDERDISCOUNT" + quotationLines), (std::vector<std::string>{"99", "4"}));
}

TEST_F(OrderTest, UnfilledHeaderAndLineFieldsGetTheirDefaults) {
  auto doc = basketOf(1001);
  addLine(doc, 1, {{"PRODUCTCONFIGID", Variant("   ")}});
  addLine(doc, 2, {{"PRODUCTCONFIGID", Variant(" CFG0001 ")}});
  addLine(doc, 3);
  ASSERT_TRUE(merxa::documentHeader(doc)->value("PAYMENTMETHOD").isNull());
  order.SubmitBasket(Variant(doc));

  EXPECT_EQ(merxa::documentHeader(doc)->value("PAYMENTMETHOD").toLong(), 1);
  auto header = rowsOf("SELECT WEBPAYMENTMETHOD, CALCULATETAX, FREIGHTTOTAL FROM ORDERHEADER");
  EXPECT_EQ(header->value("WEBPAYMENTMETHOD").toLong(), 1);
  EXPECT_EQ(header->value("CALCULATETAX").toLong(), 0);
  EXPECT_TRUE(header->value("FREIGHTTOTAL").isNull());

  const std::string lines = " FROM ORDERLINE ORDER BY LINENR";
  EXPECT_EQ(columnOf("SELECT CONFIGID" + lines), (std::vector<std::string>{"null", "CFG0001", "null"}));
  EXPECT_EQ(columnOf("SELECT CONFIGCOMPLETE" + lines), (std::vector<std::string>{"False", "True", "False"}));
  EXPECT_EQ(columnOf("SELECT LINETAX" + lines), (std::vector<std::string>{"0", "0", "0"}));
}

TEST_F(OrderTest, AQuotationBecomesAnOrderUnderANewIdentifierEachTimeAndIsMarked) {
  storeQuotation();
  auto submitter = platform::createObject("Merxa.Order");  // late-bound, as the pages call it
  auto quotation = quotationDocument();
  {
    platform::data::StatementFailure failure(1);
    testsupport::LogCapture log;
    EXPECT_THROW(submitter->call("SubmitBasket", {Variant(quotation)}), ComError);
  }
  EXPECT_EQ(merxa::documentHeader(quotation)->value("QUOTATIONID").toString(), "Q1");  // as it came
  submitter->call("SubmitBasket", {Variant(quotation)});
  const std::string first = merxa::documentHeader(quotation)->value("QUOTATIONID").toString();
  quotation = quotationDocument();
  submitter->call("SubmitBasket", {Variant(quotation)});
  const std::string second = merxa::documentHeader(quotation)->value("QUOTATIONID").toString();

  const std::regex hex("^[0-9A-F]{32}$");
  EXPECT_TRUE(std::regex_match(first, hex)) << first;
  EXPECT_TRUE(std::regex_match(second, hex)) << second;
  EXPECT_NE(first, second);
  auto lines = merxa::documentLines(quotation);
  for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) EXPECT_EQ(lines->value("QUOTATIONID").toString(), second);

  auto orders = rowsOf("SELECT * FROM ORDERHEADER WHERE ORDERID = '" + first + "'");
  ASSERT_FALSE(orders->eof());
  EXPECT_EQ(orders->value("QUOTATIONID").toString(), "Q1");
  EXPECT_EQ(orders->value("ORDERLISTNAME").toString(), "Tender 7");
  EXPECT_EQ(orders->value("ORDERDATE").toDate().serial, Date::today().serial);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM ORDERHEADER WHERE QUOTATIONID = 'Q1'"), 2);
  EXPECT_EQ(columnOf("SELECT ADDRESSID FROM ORDERLINE WHERE ORDERID = '" + second + "' ORDER BY LINENR"),
            (std::vector<std::string>{"102", "102"}));
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM QUOTATIONHEADER WHERE QUOTATIONID = 'Q1' AND COPIEDTOORDER = 1"), 1);
}

TEST_F(OrderTest, ASubmissionIsStoredWhollyOrNotAtAll) {
  auto doc = basketOf(1001);
  addLine(doc, 1, {{"ADDRESSID", Variant(103)}});
  addLine(doc, 2);
  basket.Save(Variant(doc));
  const std::string id = idOf(doc);
  testsupport::LogCapture log;

  // Fail each statement of the submission in turn, until it runs through.
  std::set<std::string> failedIn;
  for (int n = 1; n < 60; ++n) {
    platform::data::StatementFailure failure(n);
    try {
      order.SubmitBasket(Variant(doc));
    } catch (const ComError& e) {
      for (const char* routine : {"Order.InsertAddresses", "Order.InsertOrderHeader", "Order.InsertOrderLines"})
        if (e.description.find(routine) != std::string::npos) failedIn.insert(routine);
      EXPECT_EQ(countOf("SELECT (SELECT COUNT(*) FROM ORDERHEADER) + (SELECT COUNT(*) FROM ORDERLINE) + "
                        "(SELECT COUNT(*) FROM ADDRESSHISTORY)"),
                0)
          << "statement " << n;
      EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETLINE WHERE BASKETID = '" + id + "'"), 2) << "statement " << n;
      continue;
    }
    break;
  }
  EXPECT_EQ(failedIn.size(), 3u);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM ORDERLINE WHERE ORDERID = '" + id + "'"), 2);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), 0);
}

// Text no database stores alike stops the submission before anything is stored, and the
// failure says which field of which row holds it.
TEST_F(OrderTest, UnstorableTextIsReportedByColumnAndRowAndNothingIsStored) {
  auto doc = basketOf(1001);
  addLine(doc, 1);
  addLine(doc, 2, {{"LINETEXT", Variant(std::string("gate\0code", 9))}});
  testsupport::LogCapture log;
  try {
    order.SubmitBasket(Variant(doc));
    FAIL();
  } catch (const ComError& e) {
    EXPECT_NE(e.description.find("Field LINETEXT of line 2 holds a NUL character"), std::string::npos)
        << e.description;
  }
  EXPECT_EQ(countOf("SELECT (SELECT COUNT(*) FROM ORDERHEADER) + (SELECT COUNT(*) FROM ORDERLINE)"), 0);
}

TEST_F(OrderTest, OnlyInstancesThatExportAtOnceHandTheOrderOver) {
  run("INSERT INTO ORDEREXPORTFILE (KIROID, EXPORTMESSAGETYPE) VALUES (2, '2')");
  struct Case {
    Variant instance;
    int handedOver;
  };
  const Case cases[] = {{Variant(2), 1}, {Variant(1), 0}, {Variant(99), 0}, {Variant::null(), 0}};
  for (const Case& c : cases) {
    RecordingOrder submitter;
    auto doc = basketOf(1001);
    merxa::documentHeader(doc)->setValue("KIROID", c.instance);
    submitter.SubmitBasket(Variant(doc));
    EXPECT_EQ(submitter.handedOver, c.handedOver) << (c.instance.isNull() ? "Null" : c.instance.toString());
  }
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM ORDERHEADER"), 4);  // baskets without lines order too
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), 0);
}

TEST_F(OrderTest, ABasketIdentifierCannotReachOtherBaskets) {
  auto other = basketOf(1001);
  basket.Save(Variant(other));
  auto doc = basketOf(1001);
  const std::string odd = "x' OR BASKETID <> 'x";
  merxa::documentHeader(doc)->setValue("BASKETID", Variant(odd));
  order.SubmitBasket(Variant(doc));
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM ORDERHEADER WHERE ORDERID = 'x'' OR BASKETID <> ''x'"), 1);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), 2);
}

TEST_F(OrderTest, ExportSettingsOfEveryInstanceOutliveTheirConnection) {
  merxa::OrderExportFile exportFile;
  run("INSERT INTO ORDEREXPORTFILE (KIROID, EXPORTMESSAGETYPE) VALUES (2, '2')");
  auto instances = exportFile.GetAllInstances();
  EXPECT_TRUE(instances->ActiveConnection().isNothing());
  EXPECT_EQ(instances->RecordCount(), 2);
  EXPECT_GE(instances->columnIndex("CREDITCARDORDERTYPE"), 0);
  run("DELETE FROM ORDEREXPORTFILE");
  EXPECT_TRUE(exportFile.GetAllInstances()->empty());
}

}  // namespace
