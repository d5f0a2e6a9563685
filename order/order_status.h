// The status values of stored orders and their lines, as ORDERHEADER.ORDERSTATUS and
// ORDERLINE.LINESTATUS hold them. A submitted order starts as ToBeProcessed with every line
// NotAllocated; the hand-over to the ERP and the payment steps move them on.
#pragma once

#include <cstdint>

namespace merxa {

enum OrderStatus : int32_t {
  ToBeProcessed = 0,
  Processed = 1,
  TovoToBeAcknowledged = 2,
  TovoAcknowledged = 3,
  CCPaymentToBeFulfilled = 4,
  Paid = 5,
  Acknowledged = 6,
  OrderAuthorizationIssue = 7,
  OrderBillingIssue = 8,
  // Held while one caller sends the order to the ERP; back to ToBeProcessed or on to
  // Processed when it is done.
  SendingToBackend = 9,
};

enum OrderLineStatus : int32_t {
  NotAllocated = 0,
  Allocated = 1,
  CCBilled = 2,
  BackendBilled = 3,
  LineBillingIssue = 4,
};

}  // namespace merxa
