#include "backend/order.h"

#include "common/error_handling.h"

namespace merxalink {

Order::Order() : BackendAction({"Order", "OrderStatus", "UpdateOrderStatus.OrderStatusManager"}) {}

const platform::DispatchTable& Order::dispatch() const {
  static const platform::DispatchTable table = platform::Members<Order>("Merxalink.Order")
                                                   .method("InitializeAction", &BackendAction::InitializeAction)
                                                   .method("CloseAction", &Order::CloseAction)
                                                   .method("UpdateOrderStatus", &Order::UpdateOrderStatus)
                                                   .method("CreateBackendSalesOrder", &Order::createBackendSalesOrderCall)
                                                   .method("InitializeOrder", &Order::InitializeOrder)
                                                   .method("AddProductVariants", &Order::AddProductVariants);
  return table;
}

void Order::UpdateOrderStatus(const std::string& iSalesOrderID, int32_t iLineID, int32_t iBillingStepNumber,
                              int32_t iUseFreight, Variant& oSucces, Variant& oReasonCode) {
  oSucces = Variant(int32_t{0});
  oReasonCode = Variant(int32_t{0});
  merxa::guarded(
      "OrderStatus.UpdateOrderStatus",
      [&] {
        platform::Args inputs{Variant(iSalesOrderID), Variant(iLineID), Variant(iBillingStepNumber),
                              Variant(iUseFreight)};
        ObjectPtr answer = requireComponent()->invoke("UpdateOrderStatus", platform::CallKind::Call, inputs).toObject();
        oSucces = Variant(answer->call("GetSuccess").toLong());
        oReasonCode = Variant(answer->call("GetReasonCode").toLong());
      },
      [&] {
        return "SalesOrder: " + iSalesOrderID + ", Line: " + std::to_string(iLineID) +
               ", Billing Step Number: " + std::to_string(iBillingStepNumber) +
               ", Use Freight: " + std::to_string(iUseFreight);
      });
}

}  // namespace merxalink
