#include "erp/allocate.h"

#include "enterprise/sql_encoder.h"
#include "erp/erp_values.h"

namespace erp {

using enterprise::sqlDouble;
using enterprise::sqlLong;
using enterprise::sqlText;

const platform::DispatchTable& AllocateAnswer::dispatch() const {
  static const platform::DispatchTable table = platform::Members<AllocateAnswer>("InventoryAllocate.Allocation")
                                                   .method("GetErrorNumber", &AllocateAnswer::GetErrorNumber);
  return table;
}

const platform::DispatchTable& AllocateManager::dispatch() const {
  static const platform::DispatchTable table =
      members<AllocateManager>("InventoryAllocate.AllocateManager").method("Allocate", &AllocateManager::Allocate);
  return table;
}

std::shared_ptr<AllocateAnswer> AllocateManager::Allocate(Variant& salesOrder, Variant& lineId) {
  requireInitialized("Allocate");
  const std::string line =
      " WHERE SALESORDER = " + sqlText(trimmedText(salesOrder)) + " AND POSITIONNUMBER = " + sqlLong(lineId.toLong());
  ErpSession db;
  db.begin();
  auto row = db.query("SELECT L.ITEMCODE, L.ORDEREDQUANTITY, L.ALLOCATEDQUANTITY, L.WAREHOUSE, I.WAREHOUSE AS "
                      "ITEMWAREHOUSE FROM SALESORDERLINE L LEFT JOIN ITEM I ON I.ITEMCODE = L.ITEMCODE" +
                      std::string(" WHERE L.SALESORDER = ") + sqlText(trimmedText(salesOrder)) +
                      " AND L.POSITIONNUMBER = " + sqlLong(lineId.toLong()));
  if (row->empty()) return platform::makeObject<AllocateAnswer>(kUnknownOrderLine);
  const double allocatedBefore = row->value("ALLOCATEDQUANTITY").toDouble();
  const double needed = row->value("ORDEREDQUANTITY").toDouble() - allocatedBefore;
  if (needed <= 0) return platform::makeObject<AllocateAnswer>(kAllocated);
  std::string warehouse = textOf(row->value("WAREHOUSE"));
  if (warehouse.empty()) warehouse = textOf(row->value("ITEMWAREHOUSE"));

  // The line first: of two allocations at once only the one that still finds the quantity it
  // read goes on, so the stock is taken once.
  if (db.execute("UPDATE SALESORDERLINE SET ALLOCATEDQUANTITY = ORDEREDQUANTITY, WAREHOUSE = " + sqlText(warehouse) +
                 line + " AND ALLOCATEDQUANTITY = " + sqlDouble(allocatedBefore)) == 0)
    return platform::makeObject<AllocateAnswer>(kAllocated);
  if (db.execute("UPDATE STOCK SET QUANTITY = QUANTITY - " + sqlDouble(needed) + " WHERE ITEMCODE = " +
                 sqlText(textOf(row->value("ITEMCODE"))) + " AND WAREHOUSE = " + sqlText(warehouse) +
                 " AND QUANTITY >= " + sqlDouble(needed)) == 0)
    return platform::makeObject<AllocateAnswer>(kShortOfStock);  // the session rolls the line back
  db.commit();
  return platform::makeObject<AllocateAnswer>(kAllocated);
}

}  // namespace erp
