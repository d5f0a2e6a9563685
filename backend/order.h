// Merxalink.Order: the order-status action (advance the billing status of one ERP order line)
// on the frame of action_frame.h, logged under the name "OrderStatus".
#pragma once

#include "backend/action_frame.h"

namespace merxalink {

class Order : public BackendAction {
 public:
  Order();
  const platform::DispatchTable& dispatch() const override;

  // oSucces and oReasonCode are 0 from the start of the call; the ERP's answer is reported in
  // them, not raised. Failures of the call raise, logged as "OrderStatus.UpdateOrderStatus"
  // with all four inputs.
  void UpdateOrderStatus(const std::string& iSalesOrderID, int32_t iLineID, int32_t iBillingStepNumber,
                         int32_t iUseFreight, Variant& oSucces, Variant& oReasonCode);
};

}  // namespace merxalink
