#include "erp/order_status.h"

#include "enterprise/sql_encoder.h"
#include "erp/erp_values.h"

namespace erp {

using enterprise::sqlLong;
using enterprise::sqlText;

namespace {

std::shared_ptr<OrderStatusAnswer> refused(int32_t reason) { return platform::makeObject<OrderStatusAnswer>(0, reason); }

}  // namespace

const platform::DispatchTable& OrderStatusAnswer::dispatch() const {
  static const platform::DispatchTable table = platform::Members<OrderStatusAnswer>("UpdateOrderStatus.OrderStatus")
                                                   .method("GetSuccess", &OrderStatusAnswer::GetSuccess)
                                                   .method("GetReasonCode", &OrderStatusAnswer::GetReasonCode);
  return table;
}

const platform::DispatchTable& OrderStatusManager::dispatch() const {
  static const platform::DispatchTable table = members<OrderStatusManager>("UpdateOrderStatus.OrderStatusManager")
                                                   .method("UpdateOrderStatus", &OrderStatusManager::UpdateOrderStatus);
  return table;
}

std::shared_ptr<OrderStatusAnswer> OrderStatusManager::UpdateOrderStatus(Variant& salesOrder, Variant& lineId,
                                                                         Variant& billingStep, Variant& useFreight) {
  requireInitialized("UpdateOrderStatus");
  const std::string order = sqlText(trimmedText(salesOrder));
  const std::string line = " WHERE SALESORDER = " + order + " AND POSITIONNUMBER = " + sqlLong(lineId.toLong());
  const int32_t step = billingStep.toLong();
  const bool freight = useFreight.toLong() != 0;
  ErpSession db;
  if (db.query("SELECT BILLINGSTEP FROM SALESORDERLINE" + line)->empty()) return refused(kStatusUnknownLine);
  if (db.query("SELECT STEPNUMBER FROM BILLINGSTEP WHERE STEPNUMBER = " + sqlLong(step))->empty())
    return refused(kStatusUnknownStep);
  db.begin();
  // Compared in the statement, so that of two updates at once only one moves the line.
  if (db.execute("UPDATE SALESORDERLINE SET BILLINGSTEP = " + sqlLong(step) + line +
                 " AND BILLINGSTEP < " + sqlLong(step)) == 0)
    return refused(kStatusStepPassed);
  if (freight) db.execute("UPDATE SALESORDER SET FREIGHTBILLED = 1 WHERE SALESORDER = " + order);
  db.commit();
  return platform::makeObject<OrderStatusAnswer>(1, kStatusUpdated);
}

}  // namespace erp
