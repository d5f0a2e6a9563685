// OrderExportFile ("Merxa.OrderExportFile"): the order-process settings of the ERP instances,
// one ORDEREXPORTFILE row per instance. Single settings are read by name through
// Manager.GetKiroOrderProcessParam; rows are maintained through Manager.Create/Update/Delete.
#pragma once

#include "platform/data/recordset.h"
#include "integrity/referential_integrity.h"
#include "platform/object.h"

namespace merxa {

class OrderExportFile : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  // The second interface: IReferentialIntegrity.
  platform::ObjectPtr interfaceOf(std::string_view name) override {
    return referentialIntegrityOf(name, "OrderExportFile");
  }

  // Every row with all its columns, detached from the database; no order is asked for.
  platform::data::RecordsetPtr GetAllInstances();
};

}  // namespace merxa
