// Allocation of an order line's stock ("InventoryAllocate.AllocateManager").
//
// Allocate(salesOrder, position) takes what the line still lacks (ordered minus allocated
// quantity) from the free stock of the line's warehouse, in one transaction: either the whole
// remainder is taken and the line counts as allocated, or nothing changes. The answer's
// GetErrorNumber says which (see the constants below); a line allocated before has nothing
// left to take and answers 0. Two allocations of one line at once take its stock once.
#pragma once

#include <cstdint>

#include "erp/erp_database.h"

namespace erp {

constexpr int32_t kAllocated = 0;
constexpr int32_t kUnknownOrderLine = 1;  // no such order or position
constexpr int32_t kShortOfStock = 2;      // the warehouse has less free stock than the line needs

class AllocateAnswer : public platform::Object {
 public:
  explicit AllocateAnswer(int32_t errorNumber) : errorNumber_(errorNumber) {}
  const platform::DispatchTable& dispatch() const override;
  int32_t GetErrorNumber() const { return errorNumber_; }

 private:
  int32_t errorNumber_;
};

class AllocateManager : public Manager {
 public:
  using Manager::Manager;
  const platform::DispatchTable& dispatch() const override;

  std::shared_ptr<AllocateAnswer> Allocate(Variant& salesOrder, Variant& lineId);
};

}  // namespace erp
