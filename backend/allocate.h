// Merxalink.Allocate: allocates the inventory of one line of an ERP sales order, asked of the
// ERP's allocation component on the frame of action_frame.h. The ERP's error number is
// reported in oErrorNumber (0: allocated), not raised; failures of the call itself raise,
// logged as "Allocate.Allocate" with the order and line.
#pragma once

#include "backend/action_frame.h"

namespace merxalink {

class Allocate : public BackendAction {
 public:
  Allocate();
  const platform::DispatchTable& dispatch() const override;

  // oErrorNumber is 0 from the start of the call, so a failure leaves it 0.
  void AllocateLine(const std::string& iSalesOrderID, int32_t iLineID, Variant& oErrorNumber);
};

}  // namespace merxalink
