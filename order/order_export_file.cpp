#include "order/order_export_file.h"

#include "common/error_handling.h"
#include "common/lib_sales.h"

namespace merxa {

const platform::DispatchTable& OrderExportFile::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<OrderExportFile>("Merxa.OrderExportFile").method("GetAllInstances", &OrderExportFile::GetAllInstances);
  return table;
}

platform::data::RecordsetPtr OrderExportFile::GetAllInstances() {
  return guarded("Merxa.OrderExportFile.GetAllInstances", [&] {
    return Sls_GetDisconnectedRecordset("SELECT * FROM ORDEREXPORTFILE", Sls_ConnectionString());
  });
}

}  // namespace merxa
