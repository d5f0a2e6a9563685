#include "erp/sales_order.h"

#include <map>
#include <mutex>

#include "enterprise/sql_encoder.h"
#include "erp/erp_values.h"

namespace erp {

using enterprise::sqlDate;
using enterprise::sqlDouble;
using enterprise::sqlLong;
using enterprise::sqlText;
using platform::ObjectPtr;

namespace {

// The names that differ between the releases.
struct ReleaseFields {
  const char* customer;
  const char* orderType;
  const char* currency;
  const char* purchaseOrder;
  const char* carrier;
  const char* shipTo;
  const char* billTo;
  const char* deliveryDate;
  const char* linePosition;
  const char* amountDiscount;
  const char* amountDiscountValue;
  const char* percentDiscount;
  const char* percentDiscountValue;
};

const ReleaseFields kRelease5{"SoldToBusinessPartner", "SalesOrderType",        "OrderCurrency",  "CustomerOrderNumber",
                              "Carrier",               "ShipToAddress",         "BillToAddress",  "PlannedDeliveryDate",
                              "CustomerOrderPosition", "DiscountAmount",        "Ldam_1",         "LineDiscount",
                              "Disc_1"};
const ReleaseFields kRelease4{"Customer",
                              "OrderType",
                              "Currency",
                              "CustomerPurchaseOrderNumber",
                              "ForwardingAgent",
                              "DeliveryAddress",
                              "PostalAddress",
                              "PlannedDeliveryDate1",
                              "CustomerPurchaseOrderLine",
                              "DiscountAmountSalesOrders",
                              "DiscountAmount_1",
                              "DiscountPercentageSalesOrders",
                              "DiscountPercentage_1"};

const ReleaseFields& fieldsOf(const std::string& release) { return release == "tv4" ? kRelease4 : kRelease5; }

// An address written out: the record's field after its prefix ("ShipTo", "BillTo") and the
// column after the table's prefix ("SHIPTO", "BILLTO"). The last three are release 5.0c's only.
struct AddressPart {
  const char* field;
  const char* column;
};
constexpr AddressPart kAddressParts[] = {
    {"AddressName1", "NAME1"},    {"AddressName2", "NAME2"},   {"AddressStreet1", "STREET1"},
    {"AddressStreet2", "STREET2"}, {"AddressCity1", "CITY1"},   {"AddressCity2", "CITY2"},
    {"AddressCountry", "COUNTRY"}, {"AddressZipCode", "ZIPCODE"}, {"StateProvince", "STATEPROVINCE"},
    {"Telephone", "PHONE"},        {"Fax", "FAX"}};
constexpr size_t kRelease4AddressParts = 8;

void addAddressFields(std::vector<std::string>& fields, const std::string& prefix, const std::string& release) {
  const size_t n = release == "tv4" ? kRelease4AddressParts : std::size(kAddressParts);
  for (size_t i = 0; i < n; ++i) fields.push_back(prefix + kAddressParts[i].field);
}

enum class Kind { Header, Line, TextValue, Variant, AmountDiscount, PercentDiscount, OrderResult, LineResult };

RecordKind makeKind(const std::string& release, Kind kind) {
  const ReleaseFields& f = fieldsOf(release);
  switch (kind) {
    case Kind::Header: {
      RecordKind k{"CreateSalesOrder.SalesOrders",
                   {"Origin", "CalculateTax", "OrderDiscount", "ReferenceA", "ReferenceB", "HeaderText", "FooterText",
                    "SalesOrder", f.customer, f.orderType, f.currency, f.purchaseOrder, f.carrier, f.shipTo, f.billTo}};
      addAddressFields(k.fields, "ShipTo", release);
      addAddressFields(k.fields, "BillTo", release);
      return k;
    }
    case Kind::Line: {
      RecordKind k{"CreateSalesOrder.SalesOrderLines",
                   {"Item", "OrderedQuantity", "TaxCode", "OrderLineText", "SalesUnit", "Price", "Amount", "SalesOrder",
                    "ProductVariants", f.deliveryDate, f.amountDiscount, f.percentDiscount, f.shipTo, f.linePosition}};
      if (release == "tv4") k.fields.push_back("PlannedReceiptDate");
      addAddressFields(k.fields, "ShipTo", release);
      return k;
    }
    case Kind::TextValue:
      return {"CreateSalesOrder.TextValue", {"Text"}};
    case Kind::Variant:
      return {"CreateSalesOrder.ProductVariantLines",
              {"FeatureCode", "FeatureSequenceNumber", "FeatureDescription", "OptionValue"}};
    case Kind::AmountDiscount:
      return {std::string("CreateSalesOrder.") + f.amountDiscount, {f.amountDiscountValue}};
    case Kind::PercentDiscount:
      return {std::string("CreateSalesOrder.") + f.percentDiscount, {f.percentDiscountValue}};
    case Kind::OrderResult:
      return {"CreateSalesOrder.SalesOrder", {"SalesOrder"}};
    case Kind::LineResult:
      return {"CreateSalesOrder.SalesOrderLine", {"SalesOrder", "PositionNumber", f.linePosition}};
  }
  return {};
}

// The kinds of one release, made once and kept for the library's life.
const RecordKind& kindOf(const std::string& release, Kind kind) {
  static std::mutex mutex;
  static std::map<std::pair<std::string, Kind>, RecordKind> kinds;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = kinds.find({release, kind});
  if (found == kinds.end()) found = kinds.emplace(std::make_pair(release, kind), makeKind(release, kind)).first;
  return found->second;
}

std::shared_ptr<Record> newRecord(const std::string& release, Kind kind) {
  return platform::makeObject<Record>(kindOf(release, kind));
}

// A record or set the caller put into a field, or null.
template <class T>
std::shared_ptr<T> objectIn(const Variant& value) {
  if (value.type() != platform::VarType::Object) return nullptr;
  return std::dynamic_pointer_cast<T>(value.rawObject());
}

std::string textOrNull(const std::string& text) { return text.empty() ? std::string("NULL") : sqlText(text); }

std::string numberOrNull(const Variant& value) {
  return value.isEmpty() || value.isNull() ? std::string("NULL") : sqlDouble(value.toDouble());
}

void insert(ErpSession& db, const std::string& table, const std::vector<std::pair<std::string, std::string>>& values) {
  std::string columns, literals;
  for (const auto& [column, literal] : values) {
    columns += (columns.empty() ? "" : ", ") + column;
    literals += (literals.empty() ? "" : ", ") + literal;
  }
  db.execute("INSERT INTO " + table + " (" + columns + ") VALUES (" + literals + ")");
}

// The written-out address of a record as column/literal pairs, "SHIPTONAME1" and so on.
void addWrittenAddress(std::vector<std::pair<std::string, std::string>>& values, const Record& record,
                       const std::string& fieldPrefix, const std::string& columnPrefix) {
  for (const AddressPart& part : kAddressParts)
    values.emplace_back(columnPrefix + part.column, textOrNull(record.text(fieldPrefix + part.field)));
}

// The lines of a text container, in order.
void storeText(ErpSession& db, const std::string& order, int32_t position, const char* kind, const Variant& container) {
  auto texts = objectIn<RecordSet>(container);
  if (!texts) return;
  int32_t sequence = 0;
  for (const ObjectPtr& item : texts->items()) {
    auto value = std::dynamic_pointer_cast<Record>(item);
    if (!value) continue;
    insert(db, "SALESORDERTEXT",
           {{"SALESORDER", sqlText(order)}, {"POSITIONNUMBER", sqlLong(position)}, {"TEXTKIND", sqlText(kind)},
            {"SEQUENCENUMBER", sqlLong(++sequence)}, {"TEXTLINE", sqlText(textOf(value->get("Text")))}});
  }
}

int32_t nextNumber(ErpSession& db, const std::string& range) {
  db.execute("UPDATE NUMBERRANGE SET LASTNUMBER = LASTNUMBER + 1 WHERE RANGENAME = " + sqlText(range));
  return db.query("SELECT LASTNUMBER FROM NUMBERRANGE WHERE RANGENAME = " + sqlText(range))->value("LASTNUMBER").toLong();
}

// The customer's address code of a code as sent: release 5.0c sends the ERP's code (cut to
// nine characters), 4.0c three characters taken from the last four of it. "" when none matches.
std::string addressOf(ErpSession& db, const std::string& customer, const std::string& sent, const std::string& release) {
  auto codes = db.query("SELECT ADDRESSCODE FROM CUSTOMERADDRESS WHERE CUSTOMERCODE = " + sqlText(customer) +
                        " ORDER BY ADDRESSCODE");
  for (; !codes->eof(); codes->MoveNext()) {
    const std::string code = textOf(codes->value("ADDRESSCODE"));
    const std::string known = release == "tv4" ? (code.size() >= 4 ? code.substr(code.size() - 4, 3) : std::string())
                                               : code.substr(0, 9);
    if (known == sent) return code;
  }
  return {};
}

// One Create call: the checks and the rows of one order.
class OrderCreation {
 public:
  OrderCreation(ErpSession& db, const Manager& manager, CreatedOrder& result, ErrorDocument& errors)
      : db_(db), manager_(manager), f_(fieldsOf(manager.release())), result_(result), errors_(errors) {}

  void create(const Record& header, int32_t headerIndex, const std::vector<ObjectPtr>& lines) {
    errorsBefore_ = errors_.sizeTeskErrorStructure();
    const std::string customer = header.text(f_.customer);
    auto customerRow = db_.query("SELECT CURRENCYCODE, SALESREP, CONTACT FROM CUSTOMER WHERE CUSTOMERCODE = " +
                                 sqlText(customer));
    if (customerRow->empty()) {
      errors_.add(headerIndex, f_.customer, "Customer '" + customer + "' is not known");
      return;
    }
    const std::string shipTo = checkedAddress(header, headerIndex, customer, f_.shipTo);
    const std::string billTo = checkedAddress(header, headerIndex, customer, f_.billTo);
    std::string order = header.text("SalesOrder");
    const bool existing = !order.empty();
    if (existing && db_.query("SELECT SALESORDER FROM SALESORDER WHERE SALESORDER = " + sqlText(order) +
                              " AND CUSTOMERCODE = " + sqlText(customer))->empty())
      errors_.add(headerIndex, "SalesOrder", "Sales order '" + order + "' of customer '" + customer + "' does not exist");
    if (errors_.sizeTeskErrorStructure() > errorsBefore_) return;

    if (!existing) {
      order = std::to_string(nextNumber(db_, "SALESORDER"));
      storeHeader(header, order, customer, customerRow, shipTo, billTo);
    }
    auto ordered = newRecord(manager_.release(), Kind::OrderResult);
    ordered->set("SalesOrder", Variant(order));
    result_.getRecordSetSalesOrders()->add(ordered);

    const Variant last =
        db_.query("SELECT MAX(POSITIONNUMBER) AS LAST FROM SALESORDERLINE WHERE SALESORDER = " + sqlText(order))
            ->value("LAST");
    int32_t position = last.isNull() ? 0 : last.toLong();
    for (size_t j = 0; j < lines.size(); ++j) {
      auto line = std::dynamic_pointer_cast<Record>(lines[j]);
      if (line && storeLine(*line, static_cast<int32_t>(j), order, customer, shipTo, position + 10)) position += 10;
    }
  }

 private:
  // The ERP's code of an address field, "" when not given; an unknown one is an error.
  std::string checkedAddress(const Record& record, int32_t index, const std::string& customer, const char* field) {
    const std::string sent = record.text(field);
    if (sent.empty()) return {};
    const std::string code = addressOf(db_, customer, sent, manager_.release());
    if (code.empty()) errors_.add(index, field, "Address '" + sent + "' is not an address of customer '" + customer + "'");
    return code;
  }

  void storeHeader(const Record& h, const std::string& order, const std::string& customer,
                   const platform::data::RecordsetPtr& customerRow, const std::string& shipTo,
                   const std::string& billTo) {
    std::string currency = h.text(f_.currency);
    if (currency.empty()) currency = textOf(customerRow->value("CURRENCYCODE"));
    std::vector<std::pair<std::string, std::string>> values{
        {"SALESORDER", sqlText(order)},
        {"RELEASE", sqlText(manager_.release())},
        {"COMPONENTID", sqlText(manager_.componentId())},
        {"ORIGIN", numberOrNull(h.get("Origin"))},
        {"ORDERTYPE", textOrNull(h.text(f_.orderType))},
        {"CUSTOMERCODE", sqlText(customer)},
        {"CURRENCYCODE", textOrNull(currency)},
        {"CUSTOMERORDERNUMBER", textOrNull(h.text(f_.purchaseOrder))},
        {"ORDERDATE", sqlDate(platform::Date::now())},
        {"CALCULATETAX", numberOrNull(h.get("CalculateTax"))},
        {"CARRIER", textOrNull(h.text(f_.carrier))},
        {"ORDERDISCOUNT", numberOrNull(h.get("OrderDiscount"))},
        {"REFERENCEA", textOrNull(h.text("ReferenceA"))},
        {"REFERENCEB", textOrNull(h.text("ReferenceB"))},
        {"SALESREP", textOrNull(textOf(customerRow->value("SALESREP")))},
        {"CONTACT", textOrNull(textOf(customerRow->value("CONTACT")))},
        {"SHIPTOADDRESS", textOrNull(shipTo)},
        {"BILLTOADDRESS", textOrNull(billTo)},
        {"FREIGHTBILLED", "0"}};
    addWrittenAddress(values, h, "ShipTo", "SHIPTO");
    addWrittenAddress(values, h, "BillTo", "BILLTO");
    insert(db_, "SALESORDER", values);
    storeText(db_, order, 0, "H", h.get("HeaderText"));
    storeText(db_, order, 0, "F", h.get("FooterText"));
  }

  // Checks one line and stores it at `position`; false when it has errors.
  bool storeLine(const Record& line, int32_t index, const std::string& order, const std::string& customer,
                 const std::string& headerShipTo, int32_t position) {
    const size_t before = static_cast<size_t>(errors_.sizeTeskErrorStructure());
    auto item = itemRow(db_, textOf(line.get("Item")));
    if (item->empty()) errors_.add(index, "Item", "Item '" + line.text("Item") + "' is not known");
    const Variant quantity = line.get("OrderedQuantity");
    if (!platform::isNumeric(quantity) || quantity.isEmpty() || !(quantity.toDouble() > 0))
      errors_.add(index, "OrderedQuantity", "The ordered quantity must be above 0");
    platform::Date delivery;
    const bool dated = line.has(f_.deliveryDate);
    if (dated && !readDate(line.get(f_.deliveryDate), delivery))
      errors_.add(index, f_.deliveryDate, "'" + textOf(line.get(f_.deliveryDate)) + "' is no date");
    std::string shipTo = checkedAddress(line, index, customer, f_.shipTo);
    if (static_cast<size_t>(errors_.sizeTeskErrorStructure()) > before) return false;
    if (shipTo.empty() && line.text(std::string("ShipTo") + kAddressParts[0].field).empty()) shipTo = headerShipTo;

    double discountAmount = 0, discountPerc = 0;
    if (auto amount = objectIn<Record>(line.get(f_.amountDiscount)))
      discountAmount = amount->get(f_.amountDiscountValue).toDouble();
    if (auto percent = objectIn<Record>(line.get(f_.percentDiscount)))
      discountPerc = percent->get(f_.percentDiscountValue).toDouble();
    std::string unit = line.text("SalesUnit");
    if (unit.empty()) unit = textOf(item->value("SALESUNIT"));
    const Variant reference = line.get(f_.linePosition);
    std::vector<std::pair<std::string, std::string>> values{
        {"SALESORDER", sqlText(order)},
        {"POSITIONNUMBER", sqlLong(position)},
        {"CUSTOMERPOSITION", reference.isEmpty() || reference.isNull() ? "NULL" : sqlLong(reference.toLong())},
        {"ITEMCODE", sqlText(textOf(item->value("ITEMCODE")))},
        {"ORDEREDQUANTITY", sqlDouble(quantity.toDouble())},
        {"SALESUNIT", textOrNull(unit)},
        {"PRICE", numberOrNull(line.get("Price"))},
        {"AMOUNT", numberOrNull(line.get("Amount"))},
        {"TAXCODE", textOrNull(line.text("TaxCode"))},
        {"PLANNEDDELIVERYDATE", dated ? sqlDate(delivery) : "NULL"},
        {"DISCOUNTPERC", sqlDouble(discountPerc)},
        {"DISCOUNTAMOUNT", sqlDouble(discountAmount)},
        {"SHIPTOADDRESS", textOrNull(shipTo)},
        {"WAREHOUSE", textOrNull(textOf(item->value("WAREHOUSE")))},
        {"ALLOCATEDQUANTITY", "0"},
        {"BILLINGSTEP", "0"}};
    addWrittenAddress(values, line, "ShipTo", "SHIPTO");
    insert(db_, "SALESORDERLINE", values);
    storeText(db_, order, position, "L", line.get("OrderLineText"));
    storeVariants(order, position, line.get("ProductVariants"));

    auto stored = newRecord(manager_.release(), Kind::LineResult);
    stored->set("SalesOrder", Variant(order));
    stored->set("PositionNumber", Variant(position));
    stored->set(f_.linePosition, reference);
    result_.getRecordSetSalesOrderLines()->add(stored);
    return true;
  }

  void storeVariants(const std::string& order, int32_t position, const Variant& container) {
    auto variants = objectIn<RecordSet>(container);
    if (!variants) return;
    int32_t sequence = 0;
    for (const ObjectPtr& item : variants->items()) {
      auto v = std::dynamic_pointer_cast<Record>(item);
      if (!v) continue;
      insert(db_, "SALESORDERVARIANT",
             {{"SALESORDER", sqlText(order)}, {"POSITIONNUMBER", sqlLong(position)},
              {"SEQUENCENUMBER", sqlLong(++sequence)}, {"FEATURECODE", textOrNull(v->text("FeatureCode"))},
              {"FEATURESEQUENCE", textOrNull(v->text("FeatureSequenceNumber"))},
              {"FEATUREDESCRIPTION", textOrNull(v->text("FeatureDescription"))},
              {"OPTIONVALUE", textOrNull(v->text("OptionValue"))}});
    }
  }

  ErpSession& db_;
  const Manager& manager_;
  const ReleaseFields& f_;
  CreatedOrder& result_;
  ErrorDocument& errors_;
  int32_t errorsBefore_ = 0;
};

}  // namespace

const platform::DispatchTable& ErrorStructure::dispatch() const {
  static const platform::DispatchTable table = platform::Members<ErrorStructure>("CreateSalesOrder.TeskErrorStructure")
                                                   .method("objectID", &ErrorStructure::objectID)
                                                   .method("Field", &ErrorStructure::Field)
                                                   .method("errorDescription", &ErrorStructure::errorDescription)
                                                   .method("getErrorDescription", &ErrorStructure::errorDescription)
                                                   .method("numberOfRow", &ErrorStructure::numberOfRow);
  return table;
}

const platform::DispatchTable& ErrorDocument::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<ErrorDocument>("CreateSalesOrder.TeskErrorDoc")
          .method("sizeTeskErrorStructure", &ErrorDocument::sizeTeskErrorStructure)
          .method("getTeskErrorStructureAt", &ErrorDocument::getTeskErrorStructureAt);
  return table;
}

void ErrorDocument::add(int32_t objectId, const std::string& field, const std::string& description) {
  errors_.push_back(platform::makeObject<ErrorStructure>(objectId, field, description));
}

ObjectPtr ErrorDocument::getTeskErrorStructureAt(int32_t index) const {
  if (index < 0 || index >= sizeTeskErrorStructure())
    platform::raiseVb(platform::vb::SubscriptOutOfRange, "CreateSalesOrder.TeskErrorDoc");
  return errors_[static_cast<size_t>(index)];
}

CreatedOrder::CreatedOrder(const std::string&)
    : orders_(platform::makeObject<RecordSet>("CreateSalesOrder.recordSetSalesOrders", "SalesOrders")),
      lines_(platform::makeObject<RecordSet>("CreateSalesOrder.recordSetSalesOrderLines", "SalesOrderLines")) {}

const platform::DispatchTable& CreatedOrder::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<CreatedOrder>("CreateSalesOrder.SalesOrdersResult")
          .method("getRecordSetSalesOrders", &CreatedOrder::getRecordSetSalesOrders)
          .method("getTeskErrorDoc", &CreatedOrder::getTeskErrorDoc)
          .method("hasRecordSetSalesOrderLines", &CreatedOrder::hasRecordSetSalesOrderLines)
          .method("getRecordSetSalesOrderLines", &CreatedOrder::getRecordSetSalesOrderLines);
  return table;
}

const platform::DispatchTable& SalesOrdersManager::dispatch() const {
  static const platform::DispatchTable table =
      members<SalesOrdersManager>("CreateSalesOrder.SalesOrdersManager").method("Create", &SalesOrdersManager::Create);
  return table;
}

std::shared_ptr<CreatedOrder> SalesOrdersManager::Create(Variant& salesOrders, Variant& orderLines) {
  requireInitialized("Create");
  auto orders = salesOrders.as<RecordSet>();
  auto lines = objectIn<RecordSet>(orderLines);
  auto result = platform::makeObject<CreatedOrder>(release());
  ErpSession db;
  db.begin();
  for (int32_t k = 0; k < orders->size(); ++k) {
    auto header = std::dynamic_pointer_cast<Record>(orders->at(k));
    if (!header) platform::raiseVb(platform::vb::TypeMismatch, progId(), "A sales order is no SalesOrders record");
    OrderCreation(db, *this, *result, *result->getTeskErrorDoc())
        .create(*header, k, lines ? lines->items() : std::vector<ObjectPtr>{});
  }
  db.commit();
  return result;
}

std::vector<std::pair<std::string, platform::Factory>> createSalesOrderClasses(const std::string& release,
                                                                               const std::string& prefix) {
  const ReleaseFields& f = fieldsOf(release);
  auto record = [release](Kind kind) -> platform::Factory { return [release, kind] { return newRecord(release, kind); }; };
  auto set = [](const std::string& name, const std::string& element) -> platform::Factory {
    return [name, element] { return platform::makeObject<RecordSet>("CreateSalesOrder." + name, element); };
  };
  const std::string manager = prefix + "SalesOrdersManager";
  return {{manager, [release, manager] { return platform::makeObject<SalesOrdersManager>(ComponentName{release, manager}); }},
          {prefix + "SalesOrders", record(Kind::Header)},
          {prefix + "SalesOrderLines", record(Kind::Line)},
          {prefix + "recordSetSalesOrders", set("recordSetSalesOrders", "SalesOrders")},
          {prefix + "recordSetSalesOrderLines", set("recordSetSalesOrderLines", "SalesOrderLines")},
          {prefix + "HeaderText", set("HeaderText", "TextValue")},
          {prefix + "FooterText", set("FooterText", "TextValue")},
          {prefix + "OrderLineText", set("OrderLineText", "TextValue")},
          {prefix + "TextValue", record(Kind::TextValue)},
          {prefix + "ProductVariants", set("ProductVariants", "ProductVariantLines")},
          {prefix + "ProductVariantLines", record(Kind::Variant)},
          {prefix + f.amountDiscount, record(Kind::AmountDiscount)},
          {prefix + f.percentDiscount, record(Kind::PercentDiscount)}};
}

}  // namespace erp
