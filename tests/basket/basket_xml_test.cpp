#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/formatting.h"
#include "common/merxa_error.h"
#include "host/xslt/transform.h"
#include "platform/context.h"
#include "tests/basket/basket_support.h"
#include "tests/enterprise/error_of.h"
#include "tests/support/xml_check.h"

namespace {

using namespace baskettest;
using merxa::Basket;
using merxa::documentHeader;
using merxa::documentLines;
using platform::Date;
using platform::DictionaryPtr;

// A message manager that answers every code with one caption, and counts the questions.
class FixedCaptions : public platform::Object {
 public:
  explicit FixedCaptions(std::string caption) : caption_(std::move(caption)) {}
  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table =
        platform::Members<FixedCaptions>("FixedCaptions").method("GetMessage", &FixedCaptions::GetMessage);
    return table;
  }
  std::string GetMessage(const std::string&, const std::string&) { return caption_; }

 private:
  std::string caption_;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Sets the installation's ShowTaxOnInvoiceOrders for the scope's lifetime.
class ShowTaxParameter {
 public:
  explicit ShowTaxParameter(const std::string& value) : saved_(readFile(path())) {
    std::string text = saved_;
    const std::string on = "<value key=\"ShowTaxOnInvoiceOrders\">1</value>";
    text.replace(text.find(on), on.size(), "<value key=\"ShowTaxOnInvoiceOrders\">" + value + "</value>");
    std::ofstream(path(), std::ios::binary) << text;
  }
  ~ShowTaxParameter() { std::ofstream(path(), std::ios::binary) << saved_; }

 private:
  static std::string path() { return testsupport::configDir() + "/MerxaConfiguration.xml"; }
  std::string saved_;
};

class BasketXmlTest : public testsupport::SalesTest {
 protected:
  // The order form of the tests: three lines, two tax codes (the second one's tax does not
  // match its percentage), a line without an address of its own, a name to escape.
  DictionaryPtr formDocument(int32_t userLocale) {
    auto doc = basket.Create("U1", demoPartner());
    auto h = documentHeader(doc);
    h->setValue("BASKETID", Variant("0123456789ABCDEF0123456789ABCDEF"));
    h->setValue("BASKETNAME", Variant("Spring <restock> & more"));
    h->setValue("BASKETDATE", Variant(Date::fromParts(2027, 3, 5)));
    h->setValue("BASKETTEXT", Variant("Deliver to dock 3"));
    h->setValue("PAYMENTMETHOD", Variant::integer(2));
    h->setValue("CUSTOMERNAME", Variant("Acme Industrial Supplies"));
    h->setValue("CUSTOMERPONUMBER", Variant("PO-7781"));
    h->setValue("USERLOCALE", Variant(userLocale));
    // The English customer pays in dollars, the German one in euros; the page's symbol is the
    // one the currency's locale writes.
    const std::string currency = userLocale == 1033 ? "USD" : "EUR";
    h->setValue("CURRENCYCODE", Variant(currency));
    h->setValue("CURRENCYSYMBOL", Variant(merxa::Sls_GetCurrencySymol(currency)));
    const std::pair<const char*, double> amounts[] = {
        {"DISCOUNTPERC", 5},          {"TOTALNETAMOUNT", 1234.5}, {"DISCOUNTTOTAL", 61.73}, {"SUBTOTAL", 1172.77},
        {"TAXTOTAL", 230},            {"FREIGHTTOTAL", 10},       {"FREIGHTTAXTOTAL", 1.9}, {"TOTAL", 1414.67},
        {"FREIGHTTAXPERC", 19}};
    for (const auto& [name, value] : amounts) h->setValue(name, Variant(value));
    h->setValue("FREIGHTTAXCODE", Variant("A"));
    h->setValue("FREIGHTTAXCODEDESCRIPTION", Variant("VAT 19 %"));

    struct Line {
      int sku;
      double quantity, price, amount, tax;
      const char* taxCode;
      double percentage;
      Variant address;
    };
    const Line lines[] = {{4711, 100, 10, 1000, 190, "A", 19, Variant(102)},
                          {4712, 20, 10, 200, 38, "A", 19, Variant(101)},
                          {4713, 3, 11.5, 34.5, 2, "B", 7, Variant::null()}};
    auto rs = documentLines(doc);
    int nr = 0;
    for (const Line& l : lines) {
      addLine(doc, ++nr, l.sku, l.quantity);
      rs->setValue("REQUESTDATE", Variant(Date::fromParts(2027, 3, 31)));
      rs->setValue("ADDRESSID", l.address);
      rs->setValue("PRODUCTPRICE", Variant(l.price));
      rs->setValue("LINEAMOUNT", Variant(l.amount));
      rs->setValue("ORDERDISCOUNTAMOUNT", Variant(0.0));
      rs->setValue("DISCOUNTAMOUNT", Variant(0.0));
      rs->setValue("TAXCODE", Variant(l.taxCode));
      rs->setValue("TAXCODEDESCRIPTION", Variant(std::string("VAT ") + (l.percentage == 19 ? "19 %" : "7 %")));
      rs->setValue("TAXPERCENTAGE", Variant(l.percentage));
      rs->setValue("TAXAMOUNT", Variant(l.tax));
    }
    rs->setValue("LINETEXT", Variant("Cut to length"));
    return doc;
  }

  std::string xmlOf(const DictionaryPtr& doc, const std::string& captionLocale = "1033") {
    return basket.ConvertToXML(Variant(doc), Variant(manager), captionLocale);
  }

  // The text between the opening tag of `element` and its closing tag.
  static std::string contentOf(const std::string& xml, const std::string& element) {
    const size_t open = xml.find("<" + element);
    if (open == std::string::npos) return "(missing)";
    const size_t start = xml.find('>', open) + 1;
    return xml.substr(start, xml.find("</" + element + ">", start) - start);
  }

  Basket basket;
  platform::ObjectPtr manager = platform::createObject("Corvane.MessageManager");
};

// The complete order form, byte for byte, for an English and a German customer. Setting
// MERXA_UPDATE_EXPECTED writes the files instead (review the difference before committing).
TEST_F(BasketXmlTest, TheOrderFormIsWrittenByteForByteForEachLocale) {
  for (const auto& [locale, file] : {std::pair{1033, "basket_1033.xml"}, std::pair{1031, "basket_1031.xml"}}) {
    const std::string xml = xmlOf(formDocument(locale), std::to_string(locale));
    const std::string path = std::string(MERXA_TEST_DATA) + "/expected/" + file;
    if (std::getenv("MERXA_UPDATE_EXPECTED")) std::ofstream(path, std::ios::binary) << xml;
    EXPECT_EQ(xml, readFile(path)) << file;
    EXPECT_EQ(testsupport::xmlProblems(xml), "") << file;
  }
}

TEST_F(BasketXmlTest, AmountsAndDatesFollowTheHeadersLocaleCaptionsTheCallersLocale) {
  const std::string xml = xmlOf(formDocument(1031), "1033");
  EXPECT_EQ(contentOf(xml, "ORDERDATE"), "5.3.2027");
  EXPECT_EQ(contentOf(xml, "TOTALNETAMOUNT"), "1.234,50");
  EXPECT_NE(xml.find("<TOTAL label = 'Total'>1.414,67</TOTAL>"), std::string::npos);
  // German amounts read back as positive: the tax breakdown follows.
  EXPECT_NE(xml.find("</TAXTOTAL><TAXSPECIFIC>"), std::string::npos);
}

TEST_F(BasketXmlTest, TaxOfOneCodeIsSummedAndItsPercentageShownOnlyWhenTheAmountsBearItOut) {
  const std::string tax = contentOf(xmlOf(formDocument(1033)), "TAXSPECIFIC");
  EXPECT_EQ(tax,
            "<TAX><TAXCODEDESCRIPTION>VAT 19 %</TAXCODEDESCRIPTION><TAXPERCENTAGE>19.00</TAXPERCENTAGE>"
            "<TAXAMOUNT>228.00</TAXAMOUNT></TAX>"
            "<TAX><TAXCODEDESCRIPTION>VAT 7 %</TAXCODEDESCRIPTION><TAXAMOUNT>2.00</TAXAMOUNT></TAX>");
}

TEST_F(BasketXmlTest, HiddenTaxShowsZeroAndNoTaxBreakdown) {
  const auto hidden = [&](const DictionaryPtr& doc) {
    const std::string xml = xmlOf(doc);
    EXPECT_EQ(xml.find("<TAXSPECIFIC>"), std::string::npos);
    EXPECT_EQ(contentOf(xml, "FREIGHTTAXTOTAL"), "0");
    EXPECT_NE(xml.find("<TAXAMOUNT>0</TAXAMOUNT>"), std::string::npos);
    EXPECT_EQ(xml.find("<TAXAMOUNT>190.00</TAXAMOUNT>"), std::string::npos);
    EXPECT_NE(xml.find("<TAXTOTAL>230.00</TAXTOTAL>0<FREIGHTTOTAL"), std::string::npos);
    EXPECT_EQ(testsupport::xmlProblems(xml), "");
  };
  auto unpaid = formDocument(1033);
  documentHeader(unpaid)->setValue("PAYMENTMETHOD", Variant::null());
  hidden(unpaid);

  auto onInvoice = formDocument(1033);
  documentHeader(onInvoice)->setValue("PAYMENTMETHOD", Variant::integer(1));
  EXPECT_NE(xmlOf(onInvoice).find("<TAXSPECIFIC>"), std::string::npos);  // the parameter is "1"
  ShowTaxParameter off("0");
  hidden(onInvoice);
}

TEST_F(BasketXmlTest, FreightTaxPercentageIsShownOnlyWhenTheFreightTaxMatchesIt) {
  struct Case {
    double freight, freightTax;
    const char* shown;
  };
  for (const Case& c : {Case{10, 1.9, "19.00"}, Case{10, 2.5, "0.00"}, Case{0, 0, "0.00"}}) {
    auto doc = formDocument(1033);
    documentHeader(doc)->setValue("FREIGHTTOTAL", Variant(c.freight));
    documentHeader(doc)->setValue("FREIGHTTAXTOTAL", Variant(c.freightTax));
    EXPECT_EQ(contentOf(xmlOf(doc), "FREIGHTTAXPERC"), c.shown) << c.freight << " " << c.freightTax;
  }
}

TEST_F(BasketXmlTest, AddressesStandInsideTheirIdentifierAndALineWithoutOneShowsTheShippingAddress) {
  const std::string xml = xmlOf(formDocument(1033));
  EXPECT_NE(xml.find("<SHIPPINGADDRESSID>102<SHIPPINGCOUNTRYCODE label ='Country'>NL</SHIPPINGCOUNTRYCODE>"),
            std::string::npos);
  EXPECT_NE(xml.find("<BILLINGSHORTDESCRIPTION label ='Billing address'>"), std::string::npos);
  // The third line has no ADDRESSID: an empty element, then the order's shipping address.
  const size_t third = xml.find("<BASKETLINENR>3</BASKETLINENR>");
  ASSERT_NE(third, std::string::npos);
  EXPECT_NE(xml.find("<ADDRESSID></ADDRESSID><SHIPPINGCOUNTRYCODE label ='Country'>NL", third), std::string::npos);
  EXPECT_NE(xml.find("<SHIPPINGCITY1 label ='City'>Venlo</SHIPPINGCITY1>", third), std::string::npos);
}

TEST_F(BasketXmlTest, UnknownAddressAndCarrierAndEmptyColumnsAndNoLines) {
  auto doc = basket.Create("U1", demoPartner());
  auto h = documentHeader(doc);
  h->setValue("SHIPPINGADDRESSID", Variant(987654));
  h->setValue("CARRIERCODE", Variant("NOSUCH"));
  h->setValue("USERLOCALE", Variant(1033));
  const std::string xml = xmlOf(doc);
  EXPECT_NE(xml.find("<SHIPPINGADDRESSID>987654</SHIPPINGADDRESSID>"), std::string::npos);
  EXPECT_NE(xml.find("<CARRIERCODE label = 'Carrier'>NOSUCH</CARRIERCODE>"), std::string::npos);
  EXPECT_NE(xml.find("<KIROID></KIROID>"), std::string::npos);
  EXPECT_NE(xml.find("<TAXTOTAL></TAXTOTAL>"), std::string::npos);
  EXPECT_NE(xml.find("<OrderLines></OrderLines></Order>"), std::string::npos);
  EXPECT_EQ(testsupport::xmlProblems(xml), "");

  h->setValue("CARRIERCODE", Variant("AIR"));
  EXPECT_NE(xmlOf(doc).find(">Skyline Air Cargo</CARRIERCODE>"), std::string::npos);
}

TEST_F(BasketXmlTest, CaptionsThatWouldBreakTheDocumentAreWrittenAsEntities) {
  manager = platform::makeObject<FixedCaptions>("Customer's <own> R&D &amp; more");
  const std::string xml = xmlOf(formDocument(1033));
  EXPECT_NE(xml.find("<CUSTOMERNAME label = 'Customer&apos;s &lt;own> R&amp;D &amp; more'>"), std::string::npos);
  EXPECT_NE(xml.find("<WebOrderTitle>Customer&apos;s &lt;own> R&amp;D &amp; more</WebOrderTitle>"),
            std::string::npos);
  EXPECT_EQ(testsupport::xmlProblems(xml), "");
}

TEST_F(BasketXmlTest, AnEmptyDocumentIsRefused) {
  for (const Variant& empty : {Variant(), Variant::null(), Variant(3), Variant::nothing()}) {
    const auto e = enterprisetest::errorOf([&] { basket.ConvertToXML(empty, Variant(manager), "1033"); });
    EXPECT_EQ(e.number, merxa::MissingOrderID);
    EXPECT_NE(e.description.find("Basket is empty"), std::string::npos) << e.description;
  }
}

// The examples' style sheet makes a readable order form of the document: title, both
// addresses, one row per line with its delivery address, the totals and one row per tax code.
TEST_F(BasketXmlTest, TheExampleStyleSheetRendersTheOrderForm) {
  for (const auto& [locale, title, total] :
       {std::tuple{1033, "Order form", "$\xC2\xA0" "1,414.67"},
        std::tuple{1031, "Bestellformular", "\xE2\x82\xAC\xC2\xA0" "1.414,67"}}) {
    const std::string html =
        xslt::transform(xmlOf(formDocument(locale), std::to_string(locale)), xslt::examplesFolder() + "/basket.xsl");
    EXPECT_EQ(testsupport::htmlText(html, "//h1[@id='title']"), title);
    EXPECT_EQ(testsupport::htmlCount(html, "//div[@class='address']"), 2);
    EXPECT_EQ(testsupport::htmlText(html, "//div[@id='shipping-address']/div[1]"), "Acme Industrial Supplies");
    EXPECT_EQ(testsupport::htmlCount(html, "//table/thead/tr/th"), 11);
    EXPECT_EQ(testsupport::htmlCount(html, "//tr[@class='line']"), 3);
    EXPECT_EQ(testsupport::htmlText(html, "//tr[@class='line'][3]/td[11]"), "Acme Industrial Supplies, Venlo");
    EXPECT_EQ(testsupport::htmlCount(html, "//tr[@class='tax']"), 2);
    EXPECT_EQ(testsupport::htmlText(html, "//tr[@class='total']/td[2]"), total);
    EXPECT_EQ(testsupport::htmlText(html, "//dd[1]"), "Acme Industrial Supplies");
  }
}

}  // namespace
