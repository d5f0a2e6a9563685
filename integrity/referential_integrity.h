// IReferentialIntegrity: the questions the enterprise services ask every business class
// before they delete master data (a product, a partner, a carrier, ...). Exists: does a row of
// the class's tables still refer to the record; BeforeDelete: delete what of the class's
// depends on it. A class offers it as its second interface (platform::queryInterface).
//
// Both take the entity ("PRODUCT", any letter case), an array of key field names and an array
// of values at the same indexes; every field that is the entity's key field takes part. A value
// is written as the literal of its column's kind: a key of a numeric column that is no whole
// number matches nothing, the same on every database.
//
// References answers, beyond what the services ask, how many rows of each table and column
// refer to the record: an array of "TABLE.COLUMN=count", for the operator's where-used list.
#pragma once

#include <string>
#include <string_view>

#include "platform/object.h"

namespace merxa {

using platform::Variant;

class ReferentialIntegrity : public platform::Object {
 public:
  // `className`: "Order", "Pricing", ... as the classes' error sources name them.
  explicit ReferentialIntegrity(std::string className) : className_(std::move(className)) {}
  const platform::DispatchTable& dispatch() const override;

  bool Exists(std::string& entity, Variant& keyFields, Variant& keyValues);
  bool BeforeDelete(std::string& entity, Variant& keyFields, Variant& keyValues);
  Variant References(std::string& entity, Variant& keyFields, Variant& keyValues);

 private:
  std::string className_;
};

// The interface for `className` when `name` is "IReferentialIntegrity", else null: what the
// business classes' interfaceOf answers.
platform::ObjectPtr referentialIntegrityOf(std::string_view name, const char* className);

// The class that offers nothing but the interface ("Merxa.WebOrder").
class WebOrder : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  platform::ObjectPtr interfaceOf(std::string_view name) override {
    return referentialIntegrityOf(name, "WebOrder");
  }
};

}  // namespace merxa
