#include "erp/show_sales_order.h"

#include "enterprise/sql_encoder.h"
#include "erp/erp_values.h"
#include "erp/record.h"
#include "erp/record_set.h"
#include "erp/sales_order.h"

namespace erp {

using enterprise::sqlText;
using platform::ObjectPtr;
using platform::data::RecordsetPtr;

namespace {

enum class Document { Acknowledgement, ShippingNotice, Invoice };

// An address's fields after their prefix ("ShipTo", "BillTo", "LShipTo") and the column of
// CUSTOMERADDRESS that fills each.
constexpr std::pair<const char*, const char*> kAddressFields[] = {
    {"AddressName1", "NAME1"},       {"AddressName2", "NAME2"},     {"AddressStreet1", "STREET1"},
    {"AddressStreet2", "STREET2"},   {"AddressCity1", "CITY1"},     {"AddressCity2", "CITY2"},
    {"AddressZipCode", "ZIPCODE"},   {"AddressCountry", "COUNTRYCODE"}, {"StateProvince", "STATEPROVINCE"},
    {"Fax", "FAX"},                  {"Telephone", "PHONE"}};
// The same fields in the order tables' written-out columns, after "SHIPTO" or "BILLTO".
constexpr const char* kWrittenColumns[] = {"NAME1", "NAME2",   "STREET1",       "STREET2", "CITY1", "CITY2",
                                           "ZIPCODE", "COUNTRY", "STATEPROVINCE", "FAX",     "PHONE"};

void addAddressFields(std::vector<std::string>& fields, const std::string& prefix) {
  for (const auto& [field, column] : kAddressFields) fields.push_back(prefix + field);
}

void addOrderMembers(platform::DispatchTable& table) {
  table.add("sizeSOLineDetails").call = [](platform::Object& o, platform::Args&) {
    auto lines = std::dynamic_pointer_cast<RecordSet>(static_cast<Record&>(o).get("SOLineDetails").rawObject());
    return Variant(lines ? lines->size() : 0);
  };
  auto& at = table.add("getSOLineDetailsAt");
  at.minArgs = at.maxArgs = 1;
  at.call = [](platform::Object& o, platform::Args& a) {
    return static_cast<Record&>(o).get("SOLineDetails").toObject()->call("getSOLineDetailsAt", {a[0]});
  };
}

const RecordKind& orderKind() {
  static const RecordKind kind = [] {
    RecordKind k{"ShowSalesOrder.oSalesOrder",
                 {"OrderNumber", "ReferenceA", "CustomerOrderNumber", "OrderDate", "OrderDiscount", "OrderCurrency",
                  "SoldToBusinessPartner", "SoldToContact", "SalesRep", "Carrier", "BillToTaxNO", "OrderText",
                  "SOLineDetails"},
                 addOrderMembers};
    addAddressFields(k.fields, "ShipTo");
    addAddressFields(k.fields, "BillTo");
    return k;
  }();
  return kind;
}

const RecordKind& lineKind() {
  static const RecordKind kind = [] {
    RecordKind k{"ShowSalesOrder.SOLineDetails",
                 {"PositionNumber", "Item", "ItemDescription", "OrderedQuantity", "SalesUnit", "PlannedDelDate", "Price",
                  "PriceUnit", "LineDiscount", "LineDiscountAmount", "LineAmount", "ContractNumber", "QuotationNumber",
                  "QuotationPosition", "LineText", "ShipmentNumber", "DeliveredQuantity", "DeliveredDate",
                  "InvoiceNumber", "InvoiceAmount", "GoodsAmount", "CostServiceAmount", "TaxAmount", "Project",
                  "TaxCode"}};
    addAddressFields(k.fields, "LShipTo");
    return k;
  }();
  return kind;
}

const RecordKind& textValueKind() {
  static const RecordKind kind{"ShowSalesOrder.TextValue", {"Text"}};
  return kind;
}

// What a column holds, as the show objects give it: Null stays absent, dates become texts.
void setFrom(Record& record, const std::string& field, const Variant& value) {
  if (value.isNull() || value.isEmpty()) return;
  if (value.type() == platform::VarType::Date) {
    record.set(field, Variant(value.toDate().iso().substr(0, 10)));
  } else if (value.type() == platform::VarType::String) {
    if (!platform::trimBlanks(value.toString()).empty()) record.set(field, value);
  } else {
    record.set(field, value);
  }
}

// The texts of one kind of an order or line as a set of text values; absent when there are none.
void setText(ErpSession& db, Record& record, const std::string& field, const std::string& order, int32_t position,
             const char* kind) {
  auto rows = db.query("SELECT TEXTLINE FROM SALESORDERTEXT WHERE SALESORDER = " + sqlText(order) +
                       " AND POSITIONNUMBER = " + enterprise::sqlLong(position) + " AND TEXTKIND = " + sqlText(kind) +
                       " ORDER BY SEQUENCENUMBER");
  if (rows->empty()) return;
  auto texts = platform::makeObject<RecordSet>("ShowSalesOrder.Text", "TextValue");
  for (; !rows->eof(); rows->MoveNext()) {
    auto value = platform::makeObject<Record>(textValueKind());
    value->set("Text", Variant(textOf(rows->value("TEXTLINE"))));
    texts->add(value);
  }
  record.set(field, Variant(texts));
}

// An address by its code, else as written out in the row's `columnPrefix` columns.
void setAddress(ErpSession& db, Record& record, const std::string& fieldPrefix, const RecordsetPtr& row,
                const std::string& columnPrefix) {
  const std::string code = textOf(row->value(columnPrefix + "ADDRESS"));
  if (!code.empty()) {
    auto address = db.query("SELECT * FROM CUSTOMERADDRESS WHERE ADDRESSCODE = " + sqlText(code));
    if (!address->empty()) {
      for (const auto& [field, column] : kAddressFields) setFrom(record, fieldPrefix + field, address->value(column));
      return;
    }
  }
  for (size_t i = 0; i < std::size(kAddressFields); ++i)
    setFrom(record, fieldPrefix + kAddressFields[i].first, row->value(columnPrefix + kWrittenColumns[i]));
}

// The line rows of a document: the order lines, the shipped lines or the invoiced lines.
std::string lineQuery(Document document, const std::string& order) {
  const std::string lines = "SELECT L.*, I.DESCRIPTION AS ITEMDESCRIPTION, I.PRICEUNIT, I.PROJECT";
  const std::string items = " LEFT JOIN ITEM I ON I.ITEMCODE = L.ITEMCODE";
  switch (document) {
    case Document::Acknowledgement:
      return lines + " FROM SALESORDERLINE L" + items + " WHERE L.SALESORDER = " + sqlText(order) +
             " ORDER BY L.POSITIONNUMBER";
    case Document::ShippingNotice:
      return lines + ", S.SHIPMENTNUMBER, S.DELIVEREDQUANTITY, S.DELIVEREDDATE FROM SHIPMENT S INNER JOIN SALESORDERLINE L"
                     " ON L.SALESORDER = S.SALESORDER AND L.POSITIONNUMBER = S.POSITIONNUMBER" +
             items + " WHERE S.SALESORDER = " + sqlText(order) + " ORDER BY S.SHIPMENTNUMBER, L.POSITIONNUMBER";
    case Document::Invoice:
      return lines + ", V.INVOICENUMBER, V.INVOICEDATE, V.SHIPMENTNUMBER, V.LINEAMOUNT AS INVOICEDAMOUNT, "
                     "V.LINEDISCOUNTAMOUNT AS INVOICEDDISCOUNT, V.TAXAMOUNT AS INVOICETAX, V.GOODSAMOUNT, "
                     "V.COSTSERVICEAMOUNT, V.INVOICEAMOUNT FROM INVOICE V INNER JOIN SALESORDERLINE L"
                     " ON L.SALESORDER = V.SALESORDER AND L.POSITIONNUMBER = V.POSITIONNUMBER" +
             items + " WHERE V.SALESORDER = " + sqlText(order) + " ORDER BY V.INVOICENUMBER, L.POSITIONNUMBER";
  }
  return {};
}

std::shared_ptr<Record> lineOf(ErpSession& db, Document document, const std::string& order, const RecordsetPtr& row) {
  auto line = platform::makeObject<Record>(lineKind());
  const std::pair<const char*, const char*> columns[] = {
      {"PositionNumber", "POSITIONNUMBER"}, {"Item", "ITEMCODE"},           {"ItemDescription", "ITEMDESCRIPTION"},
      {"OrderedQuantity", "ORDEREDQUANTITY"}, {"SalesUnit", "SALESUNIT"},   {"PlannedDelDate", "PLANNEDDELIVERYDATE"},
      {"Price", "PRICE"},                   {"PriceUnit", "PRICEUNIT"},     {"LineDiscount", "DISCOUNTPERC"},
      {"LineDiscountAmount", "DISCOUNTAMOUNT"}, {"LineAmount", "AMOUNT"},   {"Project", "PROJECT"},
      {"TaxCode", "TAXCODE"}};
  for (const auto& [field, column] : columns) setFrom(*line, field, row->value(column));
  if (document == Document::ShippingNotice) {
    for (const auto& [field, column] : {std::pair{"ShipmentNumber", "SHIPMENTNUMBER"},
                                        std::pair{"DeliveredQuantity", "DELIVEREDQUANTITY"},
                                        std::pair{"DeliveredDate", "DELIVEREDDATE"}})
      setFrom(*line, field, row->value(column));
  } else if (document == Document::Invoice) {
    for (const auto& [field, column] :
         {std::pair{"InvoiceNumber", "INVOICENUMBER"}, std::pair{"ShipmentNumber", "SHIPMENTNUMBER"},
          std::pair{"LineAmount", "INVOICEDAMOUNT"}, std::pair{"LineDiscountAmount", "INVOICEDDISCOUNT"},
          std::pair{"TaxAmount", "INVOICETAX"}, std::pair{"GoodsAmount", "GOODSAMOUNT"},
          std::pair{"CostServiceAmount", "COSTSERVICEAMOUNT"}, std::pair{"InvoiceAmount", "INVOICEAMOUNT"},
          std::pair{"DeliveredDate", "INVOICEDATE"}})
      setFrom(*line, field, row->value(column));
    const Variant shipped = db.query("SELECT SUM(DELIVEREDQUANTITY) AS QUANTITY FROM SHIPMENT WHERE SALESORDER = " +
                                     sqlText(order) + " AND POSITIONNUMBER = " +
                                     enterprise::sqlLong(row->value("POSITIONNUMBER").toLong()))
                                ->value("QUANTITY");
    setFrom(*line, "DeliveredQuantity", shipped);
  }
  setAddress(db, *line, "LShipTo", row, "SHIPTO");
  setText(db, *line, "LineText", order, row->value("POSITIONNUMBER").toLong(), "L");
  return line;
}

// The result object of a show operation.
class ShowResult : public platform::Object {
 public:
  ShowResult(Document document, std::shared_ptr<ErrorDocument> errors, std::shared_ptr<RecordSet> orders)
      : document_(document), errors_(std::move(errors)), orders_(std::move(orders)) {}

  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table = platform::Members<ShowResult>("ShowSalesOrder.Result")
                                                     .method("getTeskErrorDocAt", &ShowResult::getTeskErrorDocAt)
                                                     .method("getACKSLSRecordSetAt", &ShowResult::getACK)
                                                     .method("getASNSLSRecordSetAt", &ShowResult::getASN)
                                                     .method("getINVSLSRecordSetAt", &ShowResult::getINV);
    return table;
  }
  ObjectPtr getTeskErrorDocAt(int32_t index) const { return index == 0 ? errors_ : nullptr; }
  ObjectPtr getACK(int32_t index) const { return setOf(Document::Acknowledgement, index); }
  ObjectPtr getASN(int32_t index) const { return setOf(Document::ShippingNotice, index); }
  ObjectPtr getINV(int32_t index) const { return setOf(Document::Invoice, index); }

 private:
  // The document's set; another document's asked of this result is none.
  ObjectPtr setOf(Document document, int32_t index) const {
    if (document != document_ || index != 0) platform::raiseVb(platform::vb::SubscriptOutOfRange, "ShowSalesOrder");
    return orders_;
  }

  Document document_;
  std::shared_ptr<ErrorDocument> errors_;
  std::shared_ptr<RecordSet> orders_;
};

const char* setName(Document document) {
  switch (document) {
    case Document::Acknowledgement:
      return "ShowSalesOrder.ACKSLSRecordSet";
    case Document::ShippingNotice:
      return "ShowSalesOrder.ASNSLSRecordSet";
    case Document::Invoice:
      return "ShowSalesOrder.INVSLSRecordSet";
  }
  return "";
}

ObjectPtr show(Document document, const std::string& order) {
  auto errors = platform::makeObject<ErrorDocument>();
  auto orders = platform::makeObject<RecordSet>(setName(document), "OSalesOrder");
  ErpSession db;
  auto header = db.query("SELECT * FROM SALESORDER WHERE SALESORDER = " + sqlText(order));
  if (header->empty()) {
    errors->add(0, "OrderNumber", "Sales order '" + order + "' does not exist");
    return platform::makeObject<ShowResult>(document, errors, orders);
  }
  auto lines = platform::makeObject<RecordSet>("ShowSalesOrder.SOLineDetailsSet", "SOLineDetails");
  for (auto rows = db.query(lineQuery(document, order)); !rows->eof(); rows->MoveNext())
    lines->add(lineOf(db, document, order, rows));
  if (document != Document::Acknowledgement && lines->size() == 0) {
    errors->add(0, "OrderNumber",
                "Sales order '" + order + "' has not been " +
                    (document == Document::ShippingNotice ? "shipped" : "invoiced") + " yet");
    return platform::makeObject<ShowResult>(document, errors, orders);
  }
  auto shown = platform::makeObject<Record>(orderKind());
  const std::pair<const char*, const char*> columns[] = {
      {"OrderNumber", "SALESORDER"},       {"ReferenceA", "REFERENCEA"},     {"CustomerOrderNumber", "CUSTOMERORDERNUMBER"},
      {"OrderDate", "ORDERDATE"},          {"OrderDiscount", "ORDERDISCOUNT"}, {"OrderCurrency", "CURRENCYCODE"},
      {"SoldToBusinessPartner", "CUSTOMERCODE"}, {"SoldToContact", "CONTACT"}, {"SalesRep", "SALESREP"},
      {"Carrier", "CARRIER"}};
  for (const auto& [field, column] : columns) setFrom(*shown, field, header->value(column));
  setAddress(db, *shown, "ShipTo", header, "SHIPTO");
  setAddress(db, *shown, "BillTo", header, "BILLTO");
  setText(db, *shown, "OrderText", order, 0, "H");
  shown->set("SOLineDetails", Variant(lines));
  orders->add(shown);
  return platform::makeObject<ShowResult>(document, errors, orders);
}

}  // namespace

const platform::DispatchTable& SalesOrderManager::dispatch() const {
  static const platform::DispatchTable table =
      members<SalesOrderManager>("ShowSalesOrder.SalesOrderManager")
          .method("showsalesorderacknowledgment", &SalesOrderManager::showsalesorderacknowledgment)
          .method("showsalesorderadvancedshipmentnotice", &SalesOrderManager::showsalesorderadvancedshipmentnotice)
          .method("showsalesorderinvoice", &SalesOrderManager::showsalesorderinvoice);
  return table;
}

ObjectPtr SalesOrderManager::showsalesorderacknowledgment(Variant& orderNumber) {
  requireInitialized("showsalesorderacknowledgment");
  return show(Document::Acknowledgement, trimmedText(orderNumber));
}

ObjectPtr SalesOrderManager::showsalesorderadvancedshipmentnotice(Variant& orderNumber) {
  requireInitialized("showsalesorderadvancedshipmentnotice");
  return show(Document::ShippingNotice, trimmedText(orderNumber));
}

ObjectPtr SalesOrderManager::showsalesorderinvoice(Variant& orderNumber) {
  requireInitialized("showsalesorderinvoice");
  return show(Document::Invoice, trimmedText(orderNumber));
}

std::vector<std::pair<std::string, platform::Factory>> showSalesOrderClasses(const std::string& release,
                                                                             const std::string& prefix) {
  auto manager = [release](const std::string& progId) -> platform::Factory {
    return [release, progId] { return platform::makeObject<SalesOrderManager>(ComponentName{release, progId}); };
  };
  auto set = [](Document document) -> platform::Factory {
    return [document] { return platform::makeObject<RecordSet>(setName(document), "OSalesOrder"); };
  };
  std::vector<std::pair<std::string, platform::Factory>> classes{
      {prefix + "SalesOrderManager", manager(prefix + "SalesOrderManager")},
      {prefix + "oSalesOrder", [] { return platform::makeObject<Record>(orderKind()); }},
      {prefix + "ACKSLSRecordSet", set(Document::Acknowledgement)},
      {prefix + "ASNSLSRecordSet", set(Document::ShippingNotice)},
      {prefix + "INVSLSRecordSet", set(Document::Invoice)}};
  // Release 5.0c names its manager of several orders apart; it answers the same operations.
  if (release == "tv5") classes.emplace_back(prefix + "ShowSalesOrdersManager", manager(prefix + "ShowSalesOrdersManager"));
  return classes;
}

}  // namespace erp
