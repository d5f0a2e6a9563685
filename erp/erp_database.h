// The ERP stand-in's database and what every business component of it shares: the managers'
// Initialize/Close life cycle and the ERP's own error numbers.
//
// The database lives beside the sales database (schema::erpConnectionString): every process
// of an installation that opens an ERP component sees the same customers, stock and orders.
#pragma once

#include <cstdint>
#include <string>

#include "enterprise/sales_database.h"
#include "platform/object.h"

namespace erp {

using platform::Variant;

// Errors the components raise (FACILITY_ITF, the ERP's own range).
constexpr int32_t kNotInitialized = static_cast<int32_t>(0x80041001);   // a call before Initialize, or after Close
constexpr int32_t kUnknownComponent = static_cast<int32_t>(0x80041002);  // Initialize with an identifier the ERP does not know

// The ERP's connection string for the installation the sales tier uses.
const std::string& erpConnectionString();

// One operation's connection to the ERP's database.
class ErpSession : public enterprise::SalesSession {
 public:
  ErpSession() : SalesSession(erpConnectionString()) {}
};

// The release a component was created under ("tv4" for the "Q40c..." ProgIDs, "tv5" for
// "Q50c...") and its ProgID, the source of the errors it raises.
struct ComponentName {
  std::string release;
  std::string progId;
};

// A business component manager: Initialize with a component identifier the ERP knows must come
// first; Close ends the use, after which the manager answers nothing but Initialize again.
class Manager : public platform::Object {
 public:
  explicit Manager(ComponentName name) : name_(std::move(name)) {}

  void Initialize(const std::string& componentId);
  void Close();

  const std::string& release() const { return name_.release; }
  const std::string& progId() const { return name_.progId; }
  const std::string& componentId() const { return componentId_; }

 protected:
  // Fails with kNotInitialized unless Initialize succeeded and Close has not been called since.
  void requireInitialized(const char* operation) const;
  // The members every manager has, for the tables of the managers.
  template <class M>
  static platform::Members<M> members(const char* typeName) {
    return std::move(platform::Members<M>(typeName).method("Initialize", &Manager::Initialize).method("Close", &Manager::Close));
  }

 private:
  ComponentName name_;
  std::string componentId_;
  bool open_ = false;
};

}  // namespace erp
