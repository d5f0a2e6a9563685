#include "integrity/referential_integrity.h"

#include <cmath>

#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"

namespace merxa {

namespace {

// One place of a class's tables that refers to master data: rows of `table` whose `column`
// holds the key value of `entity`'s `keyField`.
struct Reference {
  const char* className;
  const char* entity;
  const char* table;
  const char* column;
  bool numeric;  // an integer column; otherwise text
  const char* keyField = nullptr;  // null: the entity's own key field
};

const char* keyFieldOf(const std::string& entity) {
  static const std::pair<const char*, const char*> keys[] = {
      {"PRODUCT", "PRODUCTID"},        {"BUSINESSPARTNER", "BUSINESSPARTNERID"}, {"CUSTOMER", "BUSINESSPARTNERID"},
      {"TRANSPORTCARRIER", "CARRIERCODE"}, {"CURRENCY", "CURRENCYCODE"},       {"UNIT", "UNITCODE"},
      {"USER", "USERID"},              {"ADDRESS", "ADDRESSID"},               {"KIROINSTANCE", "KIROID"},
      {"COUNTRY", "COUNTRYCODE"}};
  for (const auto& [name, key] : keys)
    if (entity == name) return key;
  return nullptr;
}

// In the order each class asks them.
const Reference kReferences[] = {
    {"WebOrder", "KIROINSTANCE", "ORDERHEADER", "KIROID", true},
    {"OrderExportFile", "KIROINSTANCE", "ORDEREXPORTFILE", "KIROID", true},
    {"Manager", "CUSTOMER", "CUSTOMERSETTING", "BUSINESSPARTNERID", true},
    {"Order", "PRODUCT", "ORDERLINE", "PRODUCTID", true},
    {"Order", "PRODUCT", "BASKETLINE", "SKU", true},
    {"Order", "PRODUCT", "QUOTATIONLINE", "SKU", true},
    {"Order", "BUSINESSPARTNER", "ORDERHEADER", "BUSINESSPARTNERID", true},
    {"Order", "BUSINESSPARTNER", "BASKETHEADER", "BUSINESSPARTNERID", true},
    {"Order", "TRANSPORTCARRIER", "ORDERHEADER", "CARRIERCODE", false},
    {"Order", "TRANSPORTCARRIER", "BASKETHEADER", "CARRIERCODE", false},
    {"Order", "CURRENCY", "ORDERHEADER", "CURRENCYCODE", false},
    {"Order", "CURRENCY", "BASKETHEADER", "CURRENCYCODE", false},
    {"Order", "UNIT", "ORDERLINE", "UNITCODE", false},
    {"Order", "UNIT", "BASKETLINE", "PRODUCTUNITCODE", false},
    {"Order", "USER", "ORDERHEADER", "USERID", false},
    {"Order", "USER", "BASKETHEADER", "USERID", false},
    {"Order", "ADDRESS", "ORDERLINE", "ADDRESSID", true},
    {"Order", "ADDRESS", "ORDERHEADER", "SHIPPINGADDRESSID", true},
    {"Order", "ADDRESS", "ORDERHEADER", "BILLINGADDRESSID", true},
    {"Quotation", "TRANSPORTCARRIER", "QUOTATIONHEADER", "CARRIERCODE", false},
    {"Quotation", "ADDRESS", "QUOTATIONHEADER", "BILLINGADDRESSID", true},
    {"Quotation", "ADDRESS", "QUOTATIONHEADER", "SHIPPINGADDRESSID", true},
    {"Quotation", "CURRENCY", "QUOTATIONHEADER", "CURRENCYCODE", false},
    {"Quotation", "CUSTOMER", "QUOTATIONHEADER", "BUSINESSPARTNERID", true},
    {"Quotation", "KIROINSTANCE", "QUOTATIONHEADER", "KIROID", true},
    {"Quotation", "PRODUCT", "QUOTATIONLINE", "SKU", true},
    {"Quotation", "UNIT", "QUOTATIONLINE", "PRODUCTUNITCODE", false},
    {"Basket", "TRANSPORTCARRIER", "BASKETHEADER", "CARRIERCODE", false},
    {"Basket", "ADDRESS", "BASKETHEADER", "BILLINGADDRESSID", true},
    {"Basket", "ADDRESS", "BASKETHEADER", "SHIPPINGADDRESSID", true},
    {"Basket", "ADDRESS", "BASKETLINE", "ADDRESSID", true},
    {"Basket", "CURRENCY", "BASKETHEADER", "CURRENCYCODE", false},
    {"Basket", "CUSTOMER", "BASKETHEADER", "BUSINESSPARTNERID", true},
    {"Basket", "KIROINSTANCE", "BASKETHEADER", "KIROID", true},
    {"Basket", "PRODUCT", "BASKETLINE", "SKU", true},
    {"Basket", "UNIT", "BASKETLINE", "PRODUCTUNITCODE", false},
    {"Pricing", "PRODUCT", "PRODUCTPRICE", "PRODUCTID", true},
    {"Pricing", "PRODUCT", "CUSTOMERPRICE", "PRODUCTID", true},
    {"Pricing", "PRODUCT", "FREIGHTPRODUCT", "PRODUCTID", true},
    {"Pricing", "BUSINESSPARTNER", "CUSTOMERPRICE", "BUSINESSPARTNERID", true},
    {"Pricing", "CUSTOMER", "CUSTOMERPRICE", "BUSINESSPARTNERID", true},
    {"Pricing", "CURRENCY", "PRODUCTPRICE", "CURRENCYCODE", false},
    {"Pricing", "CURRENCY", "CUSTOMERPRICE", "CURRENCYCODE", false},
    {"Pricing", "TRANSPORTCARRIER", "FREIGHTPRICE", "CARRIER", false},
    {"Pricing", "COUNTRY", "COUNTRIESBYZONE", "COUNTRY", false},
};

// What Pricing deletes before the record goes; FREIGHTPRODUCT rows stay, as maintained apart.
const Reference kDeletes[] = {
    {"Manager", "CUSTOMER", "CUSTOMERSETTING", "BUSINESSPARTNERID", true},
    {"Pricing", "PRODUCT", "PRODUCTPRICE", "PRODUCTID", true},
    {"Pricing", "PRODUCT", "CUSTOMERPRICE", "PRODUCTID", true},
    {"Pricing", "BUSINESSPARTNER", "CUSTOMERPRICE", "BUSINESSPARTNERID", true},
    {"Pricing", "CUSTOMER", "CUSTOMERPRICE", "BUSINESSPARTNERID", true, "CUSTOMERID"},
    {"Pricing", "CURRENCY", "PRODUCTPRICE", "CURRENCYCODE", false},
    {"Pricing", "CURRENCY", "CUSTOMERPRICE", "CURRENCYCODE", false},
};

// The literal of a key value for a column of that kind; "NULL" (which equals nothing) for a
// value an integer column cannot hold.
std::string literalFor(const Variant& value, bool numeric) {
  if (!numeric) return SqlLiteralText(value.isNull() ? std::string() : value.toString());
  try {
    const double number = value.isNumber() ? value.toDouble() : Variant(platform::trimBlanks(value.toString())).toDouble();
    if (std::floor(number) == number && std::fabs(number) <= 2147483647.0) return SqlLiteralLong(static_cast<int32_t>(number));
  } catch (const platform::ComError&) {
  }
  return "NULL";
}

// The values of the key fields that are the reference's key field.
std::vector<Variant> keyValuesFor(const Reference& r, const std::string& entity, const Variant& fields,
                                  const Variant& values) {
  std::vector<Variant> out;
  const char* key = r.keyField ? r.keyField : keyFieldOf(entity);
  if (!key) return out;
  const platform::SafeArray& names = fields.array();
  for (int32_t i = names.lowerBound; i <= names.upperBound(); ++i)
    if (platform::upperCase(names.at(i).toString()) == key) out.push_back(values.array().at(i));
  return out;
}

std::string whereOf(const Reference& r, const Variant& value) {
  return std::string(" FROM ") + r.table + " WHERE " + r.column + " = " + literalFor(value, r.numeric);
}

// The sales parameter rules of Order: the home organisation and the freight unit are in use.
bool isConfiguredValue(const std::string& className, const std::string& entity, const Variant& value) {
  if (className != "Order") return false;
  std::string parameter;
  if (entity == "BUSINESSPARTNER") parameter = "HomeOrganisation";
  else if (entity == "UNIT") parameter = "Freight Unit-code";
  else return false;
  const std::string configured = Sls_GetParameterValue(parameter);
  const std::string given = value.isNull() ? std::string() : platform::trimBlanks(value.toString());
  if (entity == "UNIT") return !configured.empty() && platform::upperCase(configured) == platform::upperCase(given);
  return !configured.empty() && literalFor(Variant(configured), true) == literalFor(value, true) &&
         literalFor(value, true) != "NULL";
}

std::string sourceOf(const std::string& className, const char* operation) {
  std::string source = className + ".IReferentialIntegrity_" + operation;
  if (className == "Quotation" || className == "Basket") source += " failed";
  if (className == "Pricing" && std::string(operation) == "BeforeDelete") source = "Pricing.BeforeDelete";
  return source;
}

}  // namespace

const platform::DispatchTable& ReferentialIntegrity::dispatch() const {
  static const platform::DispatchTable table = platform::Members<ReferentialIntegrity>("IReferentialIntegrity")
                                                   .method("Exists", &ReferentialIntegrity::Exists)
                                                   .method("BeforeDelete", &ReferentialIntegrity::BeforeDelete)
                                                   .method("References", &ReferentialIntegrity::References);
  return table;
}

bool ReferentialIntegrity::Exists(std::string& entity, Variant& keyFields, Variant& keyValues) {
  return guarded(sourceOf(className_, "Exists"), [&] {
    const std::string kind = platform::upperCase(entity);
    for (const Reference& r : kReferences) {
      if (className_ != r.className || kind != r.entity) continue;
      for (const Variant& value : keyValuesFor(r, kind, keyFields, keyValues))
        if (Sls_RecordExists(std::string("SELECT TOP 1 ") + r.column + whereOf(r, value), Sls_ConnectionString()))
          return true;
    }
    for (const Variant& value : keyValuesFor({className_.c_str(), "", "", "", false}, kind, keyFields, keyValues))
      if (isConfiguredValue(className_, kind, value)) return true;
    return false;
  });
}

bool ReferentialIntegrity::BeforeDelete(std::string& entity, Variant& keyFields, Variant& keyValues) {
  return guarded(sourceOf(className_, "BeforeDelete"), [&] {
    const std::string kind = platform::upperCase(entity);
    std::vector<std::string> statements;
    bool known = false;  // the class deletes rows for this entity
    for (const Reference& r : kDeletes) {
      if (className_ != r.className || kind != r.entity) continue;
      known = true;
      for (const Variant& value : keyValuesFor(r, kind, keyFields, keyValues))
        statements.push_back(std::string("DELETE") + whereOf(r, value));
    }
    if (statements.empty()) return known;
    ScopedConnection cn;
    // All of a record's dependent rows go, or none.
    ScopedTransaction transaction(cn.get());
    for (const std::string& sql : statements) cn->executeNoRecords(sql);
    transaction.commit();
    return true;
  });
}

Variant ReferentialIntegrity::References(std::string& entity, Variant& keyFields, Variant& keyValues) {
  return guarded(className_ + ".References", [&] {
    const std::string kind = platform::upperCase(entity);
    platform::SafeArray out;
    for (const Reference& r : kReferences) {
      if (className_ != r.className || kind != r.entity) continue;
      for (const Variant& value : keyValuesFor(r, kind, keyFields, keyValues)) {
        auto rs = Sls_GetDisconnectedRecordset("SELECT COUNT(*) AS N" + whereOf(r, value), Sls_ConnectionString());
        const int32_t n = rs->value("N").toLong();
        if (n > 0) out.items.emplace_back(std::string(r.table) + "." + r.column + "=" + std::to_string(n));
      }
    }
    return Variant(std::move(out));
  });
}

platform::ObjectPtr referentialIntegrityOf(std::string_view name, const char* className) {
  if (platform::upperCase(name) != "IREFERENTIALINTEGRITY") return nullptr;
  return platform::makeObject<ReferentialIntegrity>(className);
}

const platform::DispatchTable& WebOrder::dispatch() const {
  static const platform::DispatchTable table = platform::Members<WebOrder>("Merxa.WebOrder");
  return table;
}

}  // namespace merxa
