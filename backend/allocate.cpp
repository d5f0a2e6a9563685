#include "backend/allocate.h"

#include "common/error_handling.h"

namespace merxalink {

Allocate::Allocate() : BackendAction({"Allocate", "Allocate", "InventoryAllocate.AllocateManager"}) {}

const platform::DispatchTable& Allocate::dispatch() const {
  static const platform::DispatchTable table = platform::Members<Allocate>("Merxalink.Allocate")
                                                   .method("InitializeAction", &BackendAction::InitializeAction)
                                                   .method("CloseAction", &Allocate::CloseAction)
                                                   .method("Allocate", &Allocate::AllocateLine);
  return table;
}

void Allocate::AllocateLine(const std::string& iSalesOrderID, int32_t iLineID, Variant& oErrorNumber) {
  oErrorNumber = Variant(int32_t{0});
  merxa::guarded(
      "Allocate.Allocate",
      [&] {
        platform::Args inputs{Variant(iSalesOrderID), Variant(iLineID)};
        ObjectPtr answer = requireComponent()->invoke("Allocate", platform::CallKind::Call, inputs).toObject();
        oErrorNumber = Variant(answer->call("GetErrorNumber").toLong());
      },
      [&] { return "SalesOrder:" + iSalesOrderID + " ,Line: " + std::to_string(iLineID); });
}

}  // namespace merxalink
