// The ERP documents of an order through Merxalink.Lookups, against the ERP stand-in of both
// releases, with the order shipped and invoiced by the stand-in's operator.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host/xslt/transform.h"
#include "platform/registry.h"
#include "tests/backend/erp_support.h"
#include "tests/support/sales_fixture.h"
#include "tests/support/xml_check.h"

namespace {

using platform::ObjectPtr;
using platform::Variant;
using backendtest::erpValue;
using backendtest::runOnErp;

class Lookups : public testsupport::ErpTest {
 protected:
  // GetXML late-bound; the error info it sets lands in `errInfo`.
  std::string xml(const std::string& instance, const std::string& order, const std::string& type) {
    platform::Args args{Variant(instance), Variant(order), Variant(type), Variant(captions), Variant("1033"), Variant()};
    const std::string out = lookups->invoke("GetXML", platform::CallKind::Method, args).toString();
    errInfo = args[5];
    return out;
  }
  std::string ship(const std::string& order, platform::SafeArray lines) {
    return desk->call("Ship", {Variant(order), lines.items.empty() ? Variant() : Variant(std::move(lines)),
                               Variant(platform::Date::fromParts(2026, 12, 10))})
        .toString();
  }

  ObjectPtr lookups = platform::createObject("Merxalink.Lookups");
  ObjectPtr captions = platform::createObject("Corvane.MessageManager");
  ObjectPtr desk = platform::createObject("ErpOperator.Fulfilment");
  Variant errInfo;
};

TEST_F(Lookups, TheThreeDocumentsOfAShippedAndInvoicedOrderOnBothReleases) {
  for (const char* instance : {"1", "2"}) {  // 1: release 5.0c, 2: release 4.0c
    SCOPED_TRACE(instance);
    testsupport::resetErpData();
    const std::string ack = xml(instance, "100001", "ACK");
    EXPECT_EQ(testsupport::xmlProblems(ack), "");
    EXPECT_EQ(ack.rfind("<SO-ACK><DOCTYPE-ID>SLSACK</DOCTYPE-ID><SLS-ORDER>100001</SLS-ORDER>", 0), 0u);
    EXPECT_NE(ack.find("<LINE><POS>10</POS><PRODUCT>BOLT-M8-50</PRODUCT>"), std::string::npos);
    EXPECT_NE(ack.find("<HTX>Deliver to the loading dock</HTX>"), std::string::npos);
    EXPECT_NE(ack.find("<Labels><ACKNOWLEDGEMENT><SO-ACK>"), std::string::npos);
    const std::string end = "</ACK-LINE></ACK></ACKNOWLEDGEMENT></Labels></SO-ACK>";
    EXPECT_EQ(ack.substr(ack.size() - end.size()), end);

    // Not shipped yet: an error document, not a failure.
    EXPECT_EQ(xml(instance, "100001", "ASN"), "");
    EXPECT_EQ(errInfo.toString(), "1");

    platform::SafeArray lines;
    lines.items = {Variant(10), Variant(40.0)};
    const std::string shipment = ship("100001", lines);
    const std::string asn = xml(instance, "100001", "ASN");
    EXPECT_EQ(testsupport::xmlProblems(asn), "");
    EXPECT_NE(asn.find("<ASN-NO>" + shipment + "</ASN-NO>"), std::string::npos);
    EXPECT_NE(asn.find("<LIN><SO-PONO>10</SO-PONO>"), std::string::npos);
    EXPECT_EQ(asn.find("<SO-PONO>20</SO-PONO>"), std::string::npos);  // not shipped

    const Variant invoices = desk->call("Invoice", {Variant("100001"), Variant(platform::Date::fromParts(2026, 12, 11))});
    ASSERT_EQ(invoices.array().items.size(), 1u);
    const std::string inv = xml(instance, "100001", "INV");
    EXPECT_EQ(testsupport::xmlProblems(inv), "");
    EXPECT_NE(inv.find("<INVOICENO>" + invoices.array().items[0].toString() + "</INVOICENO>"), std::string::npos);
    EXPECT_NE(inv.find("<GOODS-AMNT>414</GOODS-AMNT>"), std::string::npos);
  }
}

TEST_F(Lookups, UnknownTypesOrdersAndRawValues) {
  EXPECT_EQ(xml("1", "100001", "ack"), "");  // the type's letter case counts
  EXPECT_EQ(xml("1", "100001", "XYZ"), "");
  EXPECT_EQ(xml("1", "999999", "ACK"), "");
  EXPECT_EQ(errInfo.toString(), "1");

  // Names are escaped; the ERP's texts are written as they come.
  runOnErp("UPDATE SALESORDER SET REFERENCEA = 'Smith & <Sons>' WHERE SALESORDER = '100001'");
  std::string ack = xml("1", "100001", "ACK");
  EXPECT_NE(ack.find("<CUST-REF>Smith &amp; &lt;Sons&gt;</CUST-REF>"), std::string::npos);
  EXPECT_EQ(testsupport::xmlProblems(ack), "");
  runOnErp("UPDATE SALESORDERTEXT SET TEXTLINE = 'a < b' WHERE SALESORDER = '100001'");
  ack = xml("1", "100001", "ACK");
  EXPECT_NE(ack.find("<HTX>a < b</HTX>"), std::string::npos);
  EXPECT_NE(testsupport::xmlProblems(ack), "");
}

TEST_F(Lookups, AnOrderWithoutLines) {
  runOnErp("DELETE FROM SALESORDERLINE WHERE SALESORDER = '100001'");
  const std::string ack = xml("1", "100001", "ACK");
  EXPECT_EQ(testsupport::xmlProblems(ack), "");
  EXPECT_EQ(ack.find("<LINE>"), std::string::npos);
  EXPECT_NE(ack.find("<Labels>"), std::string::npos);
}

TEST_F(Lookups, TheOperatorRefusesWhatTheOrderDoesNotHoldAndRecordsNothing) {
  platform::SafeArray tooMuch;
  tooMuch.items = {Variant(10), Variant(30.0), Variant(10), Variant(20.0)};  // 50 of 40
  EXPECT_THROW(ship("100001", tooMuch), platform::ComError);
  platform::SafeArray unknown;
  unknown.items = {Variant(10), Variant(1.0), Variant(30), Variant(1.0)};
  EXPECT_THROW(ship("100001", unknown), platform::ComError);
  EXPECT_THROW(ship("999999", {}), platform::ComError);
  EXPECT_THROW(desk->call("Invoice", {Variant("100001"), Variant(platform::Date::today())}), platform::ComError);
  EXPECT_TRUE(erpValue("SELECT SHIPMENTNUMBER FROM SHIPMENT").isNull());

  ship("100001", {});  // everything left
  EXPECT_THROW(ship("100001", {}), platform::ComError);
  EXPECT_EQ(erpValue("SELECT COUNT(*) FROM SHIPMENT WHERE SALESORDER = '100001'").toLong(), 2);
}

}  // namespace

namespace {

using testsupport::htmlCount;
using testsupport::htmlText;

TEST_F(Lookups, TheThreeDocumentsRenderThroughTheExamplesSheet) {
  const std::string sheet = xslt::examplesFolder() + "/erp_documents.xsl";
  platform::SafeArray part;
  part.items = {Variant(10), Variant(25.0)};
  const std::string shipment = ship("100001", part);
  desk->call("Invoice", {Variant("100001"), Variant(platform::Date::fromParts(2026, 12, 11))});

  const std::string ack = xslt::transform(xml("1", "100001", "ACK"), sheet);
  EXPECT_EQ(htmlText(ack, "//h1[@class='SO-ACK']"), "Order acknowledgement");
  EXPECT_EQ(htmlCount(ack, "//section[@id='lines']//tr[@class='line']"), 2);
  EXPECT_EQ(htmlText(ack, "//section[@id='lines']//tr[@class='line'][2]/td[2]"), "NUT-M8");
  EXPECT_EQ(htmlCount(ack, "//div[@class='address']"), 2);
  EXPECT_EQ(htmlText(ack, "//dl/dt[.='Sales order']/following-sibling::dd[1]"), "100001");

  const std::string asn = xslt::transform(xml("1", "100001", "ASN"), sheet);
  EXPECT_EQ(htmlText(asn, "//h1[@class='ADV-SHP-NC']"), "Shipping notice");
  EXPECT_EQ(htmlCount(asn, "//section[@class='shipment']"), 1);
  EXPECT_EQ(htmlText(asn, "//section[@class='shipment']/h2"), "Shipment " + shipment);
  EXPECT_EQ(htmlCount(asn, "//tr[@class='line']"), 1);  // only position 10 went out
  EXPECT_EQ(htmlText(asn, "//tr[@class='line']/td[4]"), "25 BOX");

  const std::string inv = xslt::transform(xml("1", "100001", "INV"), sheet);
  EXPECT_EQ(htmlText(inv, "//h1[@class='INVOICE']"), "Invoice");
  EXPECT_EQ(htmlCount(inv, "//section[@id='lines']//tr[@class='line']"), 1);
  EXPECT_EQ(htmlText(inv, "//tr[@class='line']/td[5]"), "25");
  EXPECT_NE(htmlText(inv, "//dd[@class='total']").find(" EUR"), std::string::npos);
}

}  // namespace

namespace {

// The expected text of a document in tests/backend/expected.
std::string expected(const std::string& name) {
  std::ifstream in(std::string(MERXA_EXPECTED_DIR) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string s = text.str();
  if (!s.empty() && s.back() == '\n') s.pop_back();  // the file ends its one line
  return s;
}

TEST_F(Lookups, TheDocumentsOfAnOrderShippedAndInvoicedOnFixedDatesAreByteExactOnBothReleases) {
  for (const char* instance : {"1", "2"}) {  // 1: release 5.0c, 2: release 4.0c
    SCOPED_TRACE(instance);
    testsupport::resetErpData();
    ship("100001", {});
    desk->call("Invoice", {Variant("100001"), Variant(platform::Date::fromParts(2026, 12, 11))});
    for (const char* type : {"ACK", "ASN", "INV"}) {
      std::string name = std::string("erp_") + type + "_" + (std::string(instance) == "1" ? "5.0c" : "4.0c") + ".xml";
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const std::string got = xml(instance, "100001", type);
      EXPECT_EQ(got, expected(name)) << name;
    }
  }
}

}  // namespace
