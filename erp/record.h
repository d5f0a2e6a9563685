// Records of the ERP's input and result objects: a value per field, filled through setters
// named "set" + field and read back through "get" + field, with "has" + field telling whether
// a value was set. Which fields a record has depends on its kind (a sales order of release
// 5.0c, an order line of release 4.0c, ...): a setter of another release's name is as unknown
// to it as to the real component (438).
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "erp/erp_database.h"

namespace erp {

struct RecordKind {
  std::string typeName;             // "CreateSalesOrder.SalesOrders", for messages
  std::vector<std::string> fields;  // "SoldToBusinessPartner", ...
  // Members beyond the fields' own, added to the kind's table (null: none).
  void (*addMembers)(platform::DispatchTable& table) = nullptr;
};

class Record : public platform::Object {
 public:
  explicit Record(const RecordKind& kind) : kind_(&kind) {}
  const platform::DispatchTable& dispatch() const override;

  void set(const std::string& field, const Variant& value) { values_[field] = value; }
  bool has(const std::string& field) const { return values_.count(field) != 0; }
  // The value set, or Empty.
  Variant get(const std::string& field) const;
  // The value as trimmed text ("" when unset or Null).
  std::string text(const std::string& field) const;
  // The first of `fields` that has a value, or "" when none has.
  std::string firstSet(std::initializer_list<const char*> fields) const;

 private:
  const RecordKind* kind_;
  std::map<std::string, Variant> values_;
};

}  // namespace erp
