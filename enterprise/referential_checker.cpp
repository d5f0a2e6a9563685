#include "enterprise/referential_checker.h"

#include <cmath>

#include "enterprise/sales_database.h"
#include "enterprise/sql_encoder.h"

namespace enterprise {

using platform::Variant;

namespace {

constexpr const char* kSource = "Corvane.ReferentialChecker";

// A field that refers to a master record: the master table, whose key column has the field's
// name.
struct Reference {
  const char* field;
  const char* table;
  bool numeric;  // a whole-number key, else a text key
};

constexpr Reference kReferences[] = {
    {"PRODUCTID", "PRODUCT", true},
    {"BUSINESSPARTNERID", "BUSINESSPARTNER", true},
    {"CURRENCYCODE", "CURRENCY", false},
};

const Reference* referenceOf(const std::string& field) {
  for (const Reference& r : kReferences)
    if (platform::equalsNoCase(field, r.field)) return &r;
  return nullptr;
}

// The literal of a whole-number key, or empty when the value cannot be one.
std::string wholeNumberLiteral(const Variant& value) {
  if (!platform::isNumeric(value) || value.isEmpty()) return {};
  const double d = value.toDouble();
  if (d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0) return {};
  return sqlLong(static_cast<int32_t>(d));
}

bool exists(SalesSession& db, const Reference& ref, const Variant& value) {
  std::string key;
  if (ref.numeric) {
    key = wholeNumberLiteral(value);
    if (key.empty()) return false;
  } else {
    key = sqlText(value.toString());
  }
  return !db.query(std::string("SELECT ") + ref.field + " FROM " + ref.table + " WHERE " + ref.field + " = " + key)
              ->empty();
}

}  // namespace

const platform::DispatchTable& ReferentialChecker::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<ReferentialChecker>(kSource).method("CheckInsert", &ReferentialChecker::CheckInsert);
  return table;
}

bool ReferentialChecker::CheckInsert(const std::string& tableName, const Variant& fieldNames,
                                     const Variant& fieldValues) {
  const auto& names = fieldNames.array().items;
  const auto& values = fieldValues.array().items;
  if (names.size() != values.size())
    platform::raiseVb(platform::vb::InvalidProcedureCall, kSource,
                      "The check for " + tableName + " got " + std::to_string(names.size()) + " field names and " +
                          std::to_string(values.size()) + " values");
  SalesSession db;
  for (size_t i = 0; i < names.size(); ++i) {
    const Reference* ref = referenceOf(names[i].toString());
    if (!ref || values[i].isNull()) continue;
    if (!exists(db, *ref, values[i])) return false;
  }
  return true;
}

}  // namespace enterprise
