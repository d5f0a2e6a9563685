// Billing status of order lines ("UpdateOrderStatus.OrderStatusManager").
//
// UpdateOrderStatus(salesOrder, position, billingStep, useFreight) moves the line on to the
// billing step given, which must be one of BILLINGSTEP and lie beyond the step the line has
// passed; a use-freight flag other than 0 marks the order's freight as billed. The answer's
// GetSuccess is 1 when the line moved and 0 when not, GetReasonCode says why not.
#pragma once

#include <cstdint>

#include "erp/erp_database.h"

namespace erp {

constexpr int32_t kStatusUpdated = 0;
constexpr int32_t kStatusUnknownLine = 1;   // no such order or position
constexpr int32_t kStatusUnknownStep = 2;   // no such billing step
constexpr int32_t kStatusStepPassed = 3;    // the line has reached this step or a later one

class OrderStatusAnswer : public platform::Object {
 public:
  OrderStatusAnswer(int32_t success, int32_t reasonCode) : success_(success), reasonCode_(reasonCode) {}
  const platform::DispatchTable& dispatch() const override;
  int32_t GetSuccess() const { return success_; }
  int32_t GetReasonCode() const { return reasonCode_; }

 private:
  int32_t success_;
  int32_t reasonCode_;
};

class OrderStatusManager : public Manager {
 public:
  using Manager::Manager;
  const platform::DispatchTable& dispatch() const override;

  std::shared_ptr<OrderStatusAnswer> UpdateOrderStatus(Variant& salesOrder, Variant& lineId, Variant& billingStep,
                                                       Variant& useFreight);
};

}  // namespace erp
