#include "backend/lookups.h"

#include <span>

#include "common/error_handling.h"
#include "common/formatting.h"
#include "common/lib_sales.h"
#include "platform/dictionary.h"
#include "platform/error.h"
#include "platform/registry.h"

namespace merxalink {

namespace {

using Document = Lookups::Document;

// How an element's value is written: as it comes, escaped, or as the lines of a text object.
enum class Kind { Raw, Esc, Text };
// Which ERP object an element is read from.
enum class From { Order, FirstLine, Line };

struct Element {
  const char* tag;
  const char* field;  // the X of has + X and get + X
  Kind kind;
  From from = From::Order;
};

// The address elements of the order's two addresses, after the tag's prefix and the field's.
#define MERXA_ADDRESS(TAG, FIELD, FROM)                                                                          \
  {TAG "NAMA", FIELD "AddressName1", Kind::Esc, FROM}, {TAG "NAMB", FIELD "AddressName2", Kind::Esc, FROM},     \
      {TAG "NAMC", FIELD "AddressStreet1", Kind::Esc, FROM}, {TAG "NAMD", FIELD "AddressStreet2", Kind::Esc, FROM}, \
      {TAG "NAME", FIELD "AddressCity1", Kind::Esc, FROM}, {TAG "NAMF", FIELD "AddressCity2", Kind::Esc, FROM},   \
      {TAG "PSTC", FIELD "AddressZipCode", Kind::Esc, FROM}, {TAG "CCTY", FIELD "AddressCountry", Kind::Esc, FROM}, \
      {TAG "CSTE", FIELD "StateProvince", Kind::Esc, FROM}, {TAG "TEFX", FIELD "Fax", Kind::Esc, FROM},           \
      {TAG "TELP", FIELD "Telephone", Kind::Esc, FROM}

const Element kAckHeader[] = {
    {"SLS-ORDER", "OrderNumber", Kind::Raw},
    {"CUST-REF", "ReferenceA", Kind::Esc},
    {"CUST-PO", "CustomerOrderNumber", Kind::Esc},
    {"ORDER-DATE", "OrderDate", Kind::Raw},
    {"ORDER-DISC", "OrderDiscount", Kind::Esc},
    {"ORDER-CURR", "OrderCurrency", Kind::Esc},
    MERXA_ADDRESS("BILL-", "BillTo", From::Order),
    MERXA_ADDRESS("SHIP-", "ShipTo", From::Order),
    {"BUS-PART", "SoldToBusinessPartner", Kind::Esc},
    {"CONTACT", "SoldToContact", Kind::Esc},
    {"CONT-NAME", "SoldToContact", Kind::Esc},
    {"HTX", "OrderText", Kind::Text},
};

const Element kAckLine[] = {
    {"POS", "PositionNumber", Kind::Raw, From::Line},
    {"PRODUCT", "Item", Kind::Esc, From::Line},
    {"PROD-DESC", "ItemDescription", Kind::Esc, From::Line},
    {"REQ-QTY", "OrderedQuantity", Kind::Raw, From::Line},
    {"SLS-UNIT", "SalesUnit", Kind::Esc, From::Line},
    {"REQ-DATE", "PlannedDelDate", Kind::Esc, From::Line},
    {"PRICE", "Price", Kind::Raw, From::Line},
    {"PRICE-UNIT", "PriceUnit", Kind::Esc, From::Line},
    {"DISC-PERC", "LineDiscount", Kind::Raw, From::Line},
    {"DISC-AMNT", "LineDiscountAmount", Kind::Raw, From::Line},
    {"LINE-AMNT", "LineAmount", Kind::Raw, From::Line},
    {"CONTR-NO", "ContractNumber", Kind::Raw, From::Line},
    {"QUOTE-NO", "QuotationNumber", Kind::Raw, From::Line},
    {"QUOTE-POS", "QuotationPosition", Kind::Raw, From::Line},
    MERXA_ADDRESS("LSHIP-", "LShipTo", From::Line),
    {"LTX", "LineText", Kind::Text, From::Line},
};

const Element kAsnHeader[] = {
    {"ASN-NO", "ShipmentNumber", Kind::Raw, From::FirstLine},
    {"BUS-PART-C", "SoldToBusinessPartner", Kind::Esc},
    {"CUST-PO", "CustomerOrderNumber", Kind::Esc},
    {"CUST-REF", "ReferenceA", Kind::Esc},
    {"CONTACT", "SoldToContact", Kind::Esc},
    {"REP-NAME", "SalesRep", Kind::Esc},
    {"NAMA", "ShipToAddressName1", Kind::Esc},
    {"NAMB", "ShipToAddressName2", Kind::Esc},
    {"NAMC", "ShipToAddressStreet1", Kind::Esc},
    {"NAMD", "ShipToAddressStreet2", Kind::Esc},
    {"NAME", "ShipToAddressCity1", Kind::Esc},
    {"NAMF", "ShipToAddressCity2", Kind::Esc},
    {"ZIP-CODE", "ShipToAddressZipCode", Kind::Esc},
    {"COUNTRY", "ShipToAddressCountry", Kind::Esc},
    {"TO-CSTE", "ShipToStateProvince", Kind::Esc},
    {"TO-TEFX", "ShipToFax", Kind::Esc},
    {"TO-TELP", "ShipToTelephone", Kind::Esc},
    {"HTX", "OrderText", Kind::Text},
};

const Element kAsnLine[] = {
    {"SO-PONO", "PositionNumber", Kind::Raw, From::Line},
    {"PRODUCT", "Item", Kind::Esc, From::Line},
    {"PROD-DESC", "ItemDescription", Kind::Esc, From::Line},
    {"DEL-QTY", "DeliveredQuantity", Kind::Raw, From::Line},
    {"ORDER-QTY", "OrderedQuantity", Kind::Raw, From::Line},
    {"UNIT", "SalesUnit", Kind::Esc, From::Line},
    {"CARRIER", "Carrier", Kind::Esc, From::Order},
    {"SLS-ORDER", "OrderNumber", Kind::Raw, From::Order},
    {"SLS-PONO", "PositionNumber", Kind::Raw, From::Line},
    {"DEL-DTE", "DeliveredDate", Kind::Raw, From::Line},
    {"LTX", "LineText", Kind::Text, From::Line},
};

const Element kInvHeader[] = {
    {"INVOICENO", "InvoiceNumber", Kind::Raw, From::FirstLine},
    {"SLS-ORDER", "OrderNumber", Kind::Raw},
    {"ORDER-DATE", "OrderDate", Kind::Raw},
    {"CUST-REF", "ReferenceA", Kind::Esc},
    {"CUST-PO", "CustomerOrderNumber", Kind::Esc},
    {"BUS-PART-C", "SoldToBusinessPartner", Kind::Esc},
    {"SREP-NAME", "SalesRep", Kind::Esc},
    {"CONTACT", "SoldToContact", Kind::Esc},
    {"CARRIER", "Carrier", Kind::Esc},
    MERXA_ADDRESS("BILL-", "BillTo", From::Order),
    {"BILL-TAXNO", "BillToTaxNO", Kind::Raw},
    {"CURRENCY", "OrderCurrency", Kind::Esc},
    {"INVOICE-AMNT", "InvoiceAmount", Kind::Raw, From::FirstLine},
    {"GOODS-AMNT", "GoodsAmount", Kind::Raw, From::FirstLine},
    {"CSTSRV-AMNT", "CostServiceAmount", Kind::Raw, From::FirstLine},
    {"DISC-AMNT", "OrderDiscount", Kind::Raw},
    {"TAX-AMNT", "TaxAmount", Kind::Raw, From::FirstLine},
    {"HTX", "OrderText", Kind::Text},
};

const Element kInvLine[] = {
    {"POSITION", "PositionNumber", Kind::Raw, From::Line},
    {"PROJECT", "Project", Kind::Esc, From::Line},
    {"PRODUCT", "Item", Kind::Esc, From::Line},
    {"PROD-DESC", "ItemDescription", Kind::Esc, From::Line},
    {"REQ-QTY", "OrderedQuantity", Kind::Raw, From::Line},
    {"DEL-QTY", "DeliveredQuantity", Kind::Raw, From::Line},
    {"SLS-UNIT", "SalesUnit", Kind::Esc, From::Line},
    {"PRICE", "Price", Kind::Raw, From::Line},
    {"PRICE-UNIT", "PriceUnit", Kind::Esc, From::Line},
    {"DEL-DATE", "DeliveredDate", Kind::Raw, From::Line},
    {"ASN-NO", "ShipmentNumber", Kind::Raw, From::Line},
    {"TAX-CODE", "TaxCode", Kind::Raw, From::Line},
    {"SLSLIN-AMT", "LineAmount", Kind::Raw, From::Line},
    {"LDISC-AMNT", "LineDiscountAmount", Kind::Raw, From::Line},
    {"LTX", "LineText", Kind::Text, From::Line},
};

#undef MERXA_ADDRESS

// One piece of a caption block: a caption between the tags `tag` when `code` is set, else the
// literal markup in `tag` (group elements opening and closing).
struct Caption {
  const char* tag;
  const char* code = nullptr;
};

const Caption kAckCaptions[] = {
    {"<Labels><ACKNOWLEDGEMENT>"}, {"SO-ACK", "SLBSA6239"},       {"<ACK><ACK-HEADER>"},
    {"ACK-HEADER-LABEL", "SLBSA6240"}, {"SLS-ORDER", "SLBSA6241"}, {"BUS-PART", "SLBSA6242"},
    {"CUST-REF", "SLBSA6208"},     {"ORD-DATE", "SLBSA6243"},     {"CONTACT", "SLBSA6205"},
    {"CURRENCY", "SLBSA6221"},     {"CONT-NAME", "SLBSA6245"},    {"ORD-DISC", "SLBSA6246"},
    {"BIL-ADD", "SLBSA6226"},      {"SHIP-ADD", "SLBSA6247"},     {"BILL-TO", "SLBSA6248"},
    {"SHIP-TO", "SLBSA6249"},      {"STREET", "SLBSA6250"},       {"CITY", "SLBSA6251"},
    {"COUNTRY", "SLBSA6252"},      {"ZIP-CODE", "SLBSA6253"},     {"TAX-NUM", "SLBSA6254"},
    {"HDR-REM", "SLBSA6255"},      {"</ACK-HEADER><ACK-LINE>"},   {"ACK-LINE-LABEL", "SLBSA6256"},
    {"ACK-NR", "SLBSA6203"},       {"PRODUCT", "SLBSA6257"},      {"DESC", "SLBSA6211"},
    {"QTY", "SLBSA6258"},          {"REQ-DATE", "SLBSA6244"},     {"UNIT", "SLBSA0604"},
    {"PRICE", "SLBSA6233"},        {"DISC-PERC", "SLBSA6259"},    {"AMOUNT", "SLBSA6260"},
    {"</ACK-LINE></ACK></ACKNOWLEDGEMENT></Labels>"},
};

const Caption kAsnCaptions[] = {
    {"<Labels><ADV-SHP-NC>"},      {"ASNSHIPDOC", "SLBSA6201"},   {"<ASN><ASN-HEADER>"},
    {"ASN-HEADER-LABEL", "SLBSA6202"}, {"ASN-NO", "SLBSA6203"},    {"BUS-PART-C", "SLBSA6204"},
    {"CUST-PO", "SLBSA6207"},      {"CUST-REF", "SLBSA6208"},     {"CONTACT", "SLBSA6205"},
    {"REP-NAME", "SLBSA6206"},     {"ADDRESS", "SLBSA6209"},      {"</ASN-HEADER><ASN-LINE>"},
    {"ASN-LINE-LABEL", "SLBSA6238"}, {"SO-PONO", "SLBSA6203"},    {"PRODUCT", "SLBSA6210"},
    {"PROD-DESC", "SLBSA6211"},    {"DEL-QTY", "SLBSA6212"},      {"ORDER-QTY", "SLBSA6213"},
    {"CARRIER", "SLBSA6214"},      {"</ASN-LINE></ASN></ADV-SHP-NC></Labels>"},
};

const Caption kInvCaptions[] = {
    {"<Labels><INVOICE>"},         {"INVDOC", "SLBSA6215"},       {"<INV><INV-HEADER>"},
    {"INV-HEADER-LABEL", "SLBSA6216"}, {"INV-NR", "SLBSA6217"},   {"ORDER-NR", "SLBSA6218"},
    {"DATE", "SLBSA6219"},         {"BUS-PART", "SLBSA6204"},     {"CONTACT", "SLBSA6205"},
    {"DISCOUNT", "SLBSA6220"},     {"CURRENCY", "SLBSA6221"},     {"TAX-CODE", "SLBSA6222"},
    {"TAX-AMNT", "SLBSA6223"},     {"HEADER-TEXT", "SLBSA6224"},  {"CUST-REF", "SLBSA6208"},
    {"SALES-REP", "SLBSA6225"},    {"BILL-ADD", "SLBSA6226"},     {"</INV-HEADER><INV-LINE>"},
    {"POSITION", "SLBSA6227"},     {"CUST-POS", "SLBSA6228"},     {"PROJECT", "SLBSA6229"},
    {"CODE", "SLBSA6230"},         {"REQ-QTY", "SLBSA6231"},      {"DEL-QTY", "SLBSA6212"},
    {"SLS-UNIT", "SLBSA6232"},     {"PRICE", "SLBSA6233"},        {"PRICE-UNIT", "SLBSA6234"},
    {"DEL-DATE", "SLBSA6235"},     {"LDISC-AMNT", "SLBSA6220"},   {"CODE-DESC", "SLBSA6236"},
    {"LTX", "SLBSA6237"},          {"</INV-LINE></INV></INVOICE></Labels>"},
};

// What differs between the three documents.
struct DocumentForm {
  const char* name;        // "ShowSOASNDetails", for the log
  const char* operation;   // of the sales order manager
  const char* recordSet;   // the ERP's record-set class and the result's getter, after its prefix
  const char* opening;     // the document up to the header elements
  const char* lineTag;     // "LINE", "LIN"
  const char* afterLines;  // between the lines and the captions
  const char* closing;
  const char* captionSource;
  std::span<const Element> header;
  std::span<const Element> line;
  std::span<const Caption> captions;
};

const DocumentForm& formOf(Document document) {
  static const DocumentForm forms[] = {
      {"ShowSOACKDetails", "showsalesorderacknowledgment", "ACKSLSRecordSet", "<SO-ACK><DOCTYPE-ID>SLSACK</DOCTYPE-ID>",
       "LINE", "", "</SO-ACK>", "Merxalink.Lookups.AddLabelsToACKXML", kAckHeader, kAckLine, kAckCaptions},
      {"ShowSOASNDetails", "showsalesorderadvancedshipmentnotice", "ASNSLSRecordSet",
       "<ADV-SHP-NC><DOCTYPE-ID>ASN</DOCTYPE-ID><ASN>", "LIN", "</ASN>", "</ADV-SHP-NC>",
       "Merxalink.Lookups.AddLabelsToASNXML", kAsnHeader, kAsnLine, kAsnCaptions},
      {"ShowSOINVDetails", "showsalesorderinvoice", "INVSLSRecordSet", "<INVOICE><DOCTYPE-ID>SLS-INV</DOCTYPE-ID>", "LINE",
       "", "</INVOICE>", "Merxalink.Lookups.AddLabelsToINVXML", kInvHeader, kInvLine, kInvCaptions}};
  return forms[static_cast<int>(document)];
}

// The ERP's own escaping of names and addresses: apostrophes and double quotes as well.
std::string escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '\'': out += "&apos;"; break;
      case '"': out += "&quot;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

// Every text value of a text object, index 0 upwards, without separator.
std::string textLines(const ObjectPtr& text) {
  std::string out;
  const int32_t count = text->call("sizeTextValue").toLong();
  for (int32_t j = 0; j < count; ++j) out += text->call("getTextValueAt", {Variant(j)}).toObject()->call("GetText").toString();
  return out;
}

void writeElements(std::string& xml, std::span<const Element> elements, const ObjectPtr& order, const ObjectPtr& line) {
  ObjectPtr firstLine;
  for (const Element& e : elements) {
    const ObjectPtr* source = &order;
    if (e.from == From::Line) {
      source = &line;
    } else if (e.from == From::FirstLine) {
      // An order without lines has no first line to read: the run time's failure ends the document.
      if (!firstLine) firstLine = order->call("getSOLineDetailsAt", {Variant(0)}).toObject();
      source = &firstLine;
    }
    const std::string field = e.field;
    if (!(*source)->call("has" + field).toBool()) continue;
    const Variant value = (*source)->call("get" + field);
    std::string text;
    switch (e.kind) {
      case Kind::Raw: text = value.toString(); break;
      case Kind::Esc: text = escaped(value.toString()); break;
      case Kind::Text: text = textLines(value.toObject()); break;
    }
    xml += std::string("<") + e.tag + ">" + text + "</" + e.tag + ">";
  }
}

void addCaptions(std::string& xml, const DocumentForm& form, const ObjectPtr& messageManager, const std::string& locale) {
  merxa::guarded(form.captionSource, [&] {
    std::string block;
    for (const Caption& c : form.captions) {
      if (!c.code) {
        block += c.tag;
        continue;
      }
      // Captions go through the same escaping as every document's, so none can break the XML.
      const std::string caption =
          messageManager->call("GetMessage", {Variant(c.code), Variant(locale)}).toString();
      block += std::string("<") + c.tag + ">" + merxa::Sls_XMLCaption(caption) + "</" + c.tag + ">";
    }
    xml += block;
  });
}

std::string documentXml(const DocumentForm& form, const ObjectPtr& order, const ObjectPtr& messageManager,
                        const std::string& locale) {
  std::string xml = form.opening;
  writeElements(xml, form.header, order, nullptr);
  const int32_t lines = order->call("sizeSOLineDetails").toLong();
  for (int32_t i = 0; i < lines; ++i) {
    ObjectPtr line = order->call("getSOLineDetailsAt", {Variant(i)}).toObject();
    xml += std::string("<") + form.lineTag + ">";
    writeElements(xml, form.line, order, line);
    xml += std::string("</") + form.lineTag + ">";
  }
  xml += form.afterLines;
  addCaptions(xml, form, messageManager, locale);
  xml += form.closing;
  return xml;
}

}  // namespace

const platform::DispatchTable& Lookups::dispatch() const {
  static const platform::DispatchTable table = platform::Members<Lookups>("Merxalink.Lookups")
                                                   .method("GetXML", &Lookups::GetXML)
                                                   .method("ShowSOACKDetails", &Lookups::ShowSOACKDetails)
                                                   .method("ShowSOASNDetails", &Lookups::ShowSOASNDetails)
                                                   .method("ShowSOINVDetails", &Lookups::ShowSOINVDetails)
                                                   .property("XSLT_PATH", &Lookups::XSLT_PATH, &Lookups::SetXSLT_PATH);
  return table;
}

std::string Lookups::GetXML(const std::string& i_sKiroID, const std::string& i_sOrderNumber,
                            const std::string& i_sLookupType, const ObjectPtr& ioMessageManager,
                            const std::string& iUserLocale, Variant& i_sErrInfo) {
  Variant xml;
  bool shown = false;
  if (i_sLookupType == "ACK")
    shown = ShowSOACKDetails(i_sKiroID, i_sOrderNumber, xml, ioMessageManager, iUserLocale, i_sErrInfo);
  else if (i_sLookupType == "ASN")
    shown = ShowSOASNDetails(i_sKiroID, i_sOrderNumber, xml, ioMessageManager, iUserLocale, i_sErrInfo);
  else if (i_sLookupType == "INV")
    shown = ShowSOINVDetails(i_sKiroID, i_sOrderNumber, xml, ioMessageManager, iUserLocale, i_sErrInfo);
  return shown ? xml.toString() : std::string();
}

bool Lookups::ShowSOACKDetails(const std::string& i_sKiroID, const std::string& i_sOrderNumber, Variant& o_vOrderXml,
                               const ObjectPtr& ioMessageManager, const std::string& iUserLocale, Variant& i_sErrInfo) {
  return show(Document::Acknowledgement, i_sKiroID, i_sOrderNumber, o_vOrderXml, ioMessageManager, iUserLocale,
              i_sErrInfo);
}

bool Lookups::ShowSOASNDetails(const std::string& i_sKiroID, const std::string& i_sOrderNumber, Variant& o_vOrderXml,
                               const ObjectPtr& ioMessageManager, const std::string& iUserLocale, Variant& i_sErrInfo) {
  try {
    return show(Document::ShippingNotice, i_sKiroID, i_sOrderNumber, o_vOrderXml, ioMessageManager, iUserLocale,
                i_sErrInfo);
  } catch (...) {
    const merxa::ErrorRecord error = merxa::currentError();
    o_vOrderXml = Variant(error.number == platform::E_FAIL_ ? error.description : std::string());
    if (error.number != platform::E_FAIL_) merxa::LogError("Merxalink.Lookups.ShowSOASNDetails()");
    return false;
  }
}

bool Lookups::ShowSOINVDetails(const std::string& i_sKiroID, const std::string& i_sOrderNumber, Variant& o_vOrderXml,
                               const ObjectPtr& ioMessageManager, const std::string& iUserLocale, Variant& i_sErrInfo) {
  try {
    return show(Document::Invoice, i_sKiroID, i_sOrderNumber, o_vOrderXml, ioMessageManager, iUserLocale, i_sErrInfo);
  } catch (...) {
    const merxa::ErrorRecord error = merxa::currentError();
    o_vOrderXml = Variant(error.number == platform::E_FAIL_ ? error.description : std::string());
    if (error.number != platform::E_FAIL_) merxa::LogError("Merxalink.Lookups.ShowSOINVDetails()");
    return false;
  }
}

std::string Lookups::lookUpInstance(const std::string& kiroId) {
  const int32_t instance = Variant(kiroId).toLong();
  ObjectPtr selector = merxa::Sls_GetComponent("CorvoBackend.Selector");
  auto settings = selector->call("GetInstance", {Variant(instance)}).toObject()->call("GetSettings")
                      .as<platform::Dictionary>();
  const Variant* found = settings->find(Variant("componentid"));
  const std::string componentId =
      found && !found->isNull() && !found->isEmpty() ? found->toString() : std::string();
  if (componentId.empty())
    merxa::LogError("Q50cMXLStdslsShowSalesOrder.ShowSalesOrdersManager: Kiro Instance not found");
  tovoType_ = platform::lowerCase(
      selector->call("GetInstance", {Variant(instance)}).toObject()->call("GetTovoType").toString());
  return componentId;
}

bool Lookups::show(Document document, const std::string& kiroId, const std::string& orderNumber, Variant& xml,
                   const ObjectPtr& messageManager, const std::string& locale, Variant& errInfo) {
  const DocumentForm& form = formOf(document);
  Variant componentId(lookUpInstance(kiroId));
  // Every type code but "tv5" means release 4.0c.
  const std::string prefix = tovoType_ == "tv5" ? "Q50cMXLStdslsShowSalesOrder." : "Q40cMXLStdslsShowSalesOrder.";
  ObjectPtr manager = platform::createObject(prefix + "SalesOrderManager");
  ObjectPtr salesOrderClass = platform::createObject(prefix + "oSalesOrder");
  ObjectPtr recordSetClass = platform::createObject(prefix + form.recordSet);

  platform::Args init{componentId};
  manager->invoke("Initialize", platform::CallKind::Method, init);
  platform::Args number{Variant(orderNumber)};
  ObjectPtr result = manager->invoke(form.operation, platform::CallKind::Method, number).toObject();

  ObjectPtr errors = result->call("getTeskErrorDocAt", {Variant(0)}).toObject();
  if (errors->call("sizeTeskErrorStructure").toLong() > 0) {
    const Variant row = errors->call("getTeskErrorStructureAt", {Variant(0)}).toObject()->call("numberOfRow");
    if (row.toLong() > 0) {
      errInfo = Variant(row.toString());
      return false;
    }
  }
  ObjectPtr records = result->call(std::string("get") + form.recordSet + "At", {Variant(0)}).toObject();
  const Variant order = records->call("getOSalesOrderAt", {Variant(0)});
  std::string text;
  if (!order.isNothing()) text = documentXml(form, order.toObject(), messageManager, locale);
  xml = Variant(text);
  return !text.empty();
}

}  // namespace merxalink
