// The quotation as the XML of the quotation pages.
#include <gtest/gtest.h>

#include "basket/sales_document.h"
#include "common/encoding.h"
#include "common/merxa_error.h"
#include "tests/enterprise/error_of.h"
#include "tests/quotation/quotation_support.h"
#include "tests/support/xml_check.h"

namespace {

using namespace quotationtest;

class QuotationXmlTest : public QuotationTest {
 protected:
  DictionaryPtr loaded(int locale) {
    run("INSERT INTO QUOTATIONHEADER (QUOTATIONID, CUSTOMERREFERENCE, CREATIONDATE, USERID, USERLOCALE, "
        "BUSINESSPARTNERID, EXPIRYDATE, NOTIFICATIONNEEDED, NOTIFICATIONSENT, DISCOUNTPERC, TOTALNETAMOUNT) VALUES "
        "('X1', 'Pipes <&> fittings', " + merxa::SqlLiteralDate(Date::fromParts(2027, 3, 5)) + ", 'U1', " +
        std::to_string(locale) + ", 1001, " + merxa::SqlLiteralDate(Date::fromParts(2027, 4, 4)) + ", 0, 0, 0, 1234.5)");
    run("INSERT INTO QUOTATIONLINE (QUOTATIONID, LINENUMBER, SKU, PARTNUMBER, QUANTITY, PRODUCTCONFIGURABLE, "
        "PRODUCTCONFIGCOMPLETE, PRODUCTPRICE, DISCOUNTAMOUNT, LINEAMOUNT, LINETEXT) VALUES "
        "('X1', 1, 4711, 'BOLT-M8-50', 3, 0, 0, 10, 0, 30, NULL)");
    run("INSERT INTO QUOTATIONLINE (QUOTATIONID, LINENUMBER, SKU, PARTNUMBER, QUANTITY, PRODUCTCONFIGURABLE, "
        "PRODUCTCONFIGID, PRODUCTCONFIGCOMPLETE, PRODUCTPRICE, DISCOUNTAMOUNT, LINEAMOUNT) VALUES "
        "('X1', 2, 502, 'BELT', 1, 1, '" + testsupport::demoConfigurationId() + "', 1, 100, 0, 100)");
    auto doc = quotation.Show("X1", Variant::missing());
    doc->SetItem(Variant("sendasemail"), Variant(1));
    return doc;
  }
  std::string xmlOf(const DictionaryPtr& doc, const std::string& captions) {
    return quotation.ConvertToXML(Variant(doc), Variant(manager), captions);
  }
  merxa::Quotation quotation;
  platform::ObjectPtr manager = platform::createObject("Corvane.MessageManager");
};

TEST_F(QuotationXmlTest, TheDocumentIsWellFormedWithEscapedValuesFormattedAmountsAndCaptions) {
  for (int locale : {1033, 1031}) {
    const std::string xml = xmlOf(loaded(locale), std::to_string(locale));
    EXPECT_EQ(testsupport::xmlProblems(xml), "") << xml;
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\"?><Quotation><DocumentTypeID>WebQuote</DocumentTypeID><QuotationTitle>", 0),
              0u);
    EXPECT_NE(xml.find("<CUSTOMERREFERENCE>Pipes &lt;&amp;&gt; fittings</CUSTOMERREFERENCE>"), std::string::npos);
    EXPECT_NE(xml.find("<DISCOUNTPERC></DISCOUNTPERC>"), std::string::npos);  // 0 counts as none
    EXPECT_NE(xml.find(locale == 1033 ? "<TOTALNETAMOUNT>1,234.50</TOTALNETAMOUNT>" : "<TOTALNETAMOUNT>1.234,50</TOTALNETAMOUNT>"),
              std::string::npos) << xml;
    EXPECT_NE(xml.find(locale == 1033 ? "<DISCOUNTAMOUNT>0.00</DISCOUNTAMOUNT>" : "<DISCOUNTAMOUNT>0,00</DISCOUNTAMOUNT>"),
              std::string::npos);
    EXPECT_NE(xml.find("<LINETEXT></LINETEXT>"), std::string::npos);
    EXPECT_NE(xml.find("<PRODUCTCONFIGURABLE value='False'></PRODUCTCONFIGURABLE>"), std::string::npos);
    EXPECT_NE(xml.find("<PRODUCTCONFIGURABLE value='True'><CONFIGURATIONS><VOP><FEATURECODE>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<SendAsEmail>1</SendAsEmail></Parameters><Labels><QuotationHeader><CustomerLabel>"),
              std::string::npos);
    EXPECT_NE(xml.find(locale == 1033 ? "<DateFormat>[mm/dd/yyyy]</DateFormat>" : "<DateFormat>[tt.mm.jjjj]</DateFormat>"),
              std::string::npos) << xml;
    EXPECT_NE(xml.find("</Configurations></Labels></Quotation>"), std::string::npos);
    run("DELETE FROM QUOTATIONLINE");
    run("DELETE FROM QUOTATIONHEADER");
  }
}

TEST_F(QuotationXmlTest, AnEmptyDocumentOrOneWithoutTheMailFlagIsRefused) {
  const auto e = enterprisetest::errorOf([&] { quotation.ConvertToXML(Variant(), Variant(manager), "1033"); });
  EXPECT_EQ(e.number, merxa::MissingOrderID);
  auto doc = loaded(1033);
  doc->Remove(Variant("sendasemail"));
  const auto missing = enterprisetest::errorOf([&] { xmlOf(doc, "1033"); });
  EXPECT_EQ(missing.number, platform::vbError(platform::vb::TypeMismatch));
}

}  // namespace
