// Merxa.Order, the reading and status side: a stored order as a document, its addresses as
// frozen, its status and business partner, and the hand-over of orders to the ERP.
#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "order/order.h"
#include "order/order_status.h"
#include "platform/data/recordset.h"
#include "platform/registry.h"

namespace merxa {

using platform::data::Recordset;
using platform::data::RecordsetPtr;
namespace ado = platform::data;

namespace {

// The rows of `sql` on `cn`, in a client-side recordset detached from it.
RecordsetPtr detachedRows(const std::string& sql, const ConnectionPtr& cn) {
  auto rs = platform::makeObject<Recordset>();
  rs->SetCursorLocation(ado::adUseClient);
  rs->Open(Variant(sql), Variant(cn), Variant(static_cast<int>(ado::adOpenStatic)),
           Variant(static_cast<int>(ado::adLockBatchOptimistic)), Variant(-1));
  rs->detach();
  return rs;
}

// The rows of `sql` on a connection of their own.
RecordsetPtr ExecuteSQL(const std::string& sql) {
  return guarded("Merxa.Order.ExecuteSQL", [&] {
    ScopedConnection cn;
    return detachedRows(sql, cn.get())->Clone(Variant(static_cast<int>(ado::adLockUnspecified)));
  });
}

}  // namespace

DictionaryPtr Order::Restore(const std::string& iOrderID) {
  return guarded("Order.Restore", [&] {
    ScopedConnection cn;
    return RestoreFromDB(iOrderID, cn.get());
  });
}

DictionaryPtr Order::RestoreFromDB(const std::string& orderId, const ConnectionPtr& cn) {
  bool missing = false;
  return guarded(
      "Order.RestoreFromDB",
      [&] {
        const std::string id = SqlLiteralText(orderId);
        RecordsetPtr header = detachedRows("SELECT * FROM ORDERHEADER WHERE ORDERID = " + id, cn);
        if (header->empty()) {
          missing = true;
          raiseMerxa(OrderNotFound, "Order.RestoreFromDB", "Order not found");
        }
        RecordsetPtr lines = detachedRows("SELECT * FROM ORDERLINE WHERE ORDERID = " + id, cn);
        auto document = platform::makeObject<platform::Dictionary>();
        document->Add(Variant("header"), Variant(header));
        document->Add(Variant("lines"), Variant(lines));
        return document;
      },
      [&] { return missing ? Variant("Order " + orderId + " not found") : Variant::missing(); });
}

bool Order::OrdersExist() {
  return guarded("Order.OrdersExist", [&] { return !ExecuteSQL("SELECT ORDERID FROM ORDERHEADER")->EOF_(); });
}

RecordsetPtr Order::GetAddress(Variant& iAddressID, Variant& iOrderID) {
  return guarded("Order.GetAddress", [&] {
    RecordsetPtr address = ExecuteSQL(
        "SELECT NAME1, NAME2, STREET1, STREET2, CITY1, CITY2, STATEPROVINCE, ZIPCODE, PHONE, FAX, COUNTRYCODE, "
        "COUNTRYNAME, SHORTDESCRIPTION FROM ADDRESSHISTORY WHERE ADDRESSID = " +
        SqlLiteralLong(iAddressID.toLong()) + " And ORDERID = " + SqlLiteralText(iOrderID.toString()));
    if (address->empty())
      address = Sls_GetComponent("CorvoCommon.BusinessPartner")->call("GetAddress", {iAddressID}).as<Recordset>();
    return address;
  });
}

void Order::UpdateOrderStatus(const std::string& i_sOrderID, int32_t lStatusValue) {
  guarded("Order.UpdateOrderStatus", [&] {
    ScopedConnection cn;
    cn->executeNoRecords("UPDATE ORDERHEADER SET ORDERSTATUS = " + std::to_string(lStatusValue) +
                         " WHERE ORDERID = " + SqlLiteralValue(Variant(i_sOrderID)));
  });
}

int32_t Order::GetBPStoredInDB(Variant& i_sOrderID) {
  try {
    RecordsetPtr rs = Sls_GetDisconnectedRecordset(
        "SELECT BUSINESSPARTNERID FROM ORDERHEADER WHERE ORDERID = " + SqlLiteralValue(i_sOrderID),
        Sls_ConnectionString());
    int32_t partner = 0;
    if (!rs->EOF_()) partner = Variant(rs->value("BUSINESSPARTNERID").toString()).toLong();
    Sls_CloseRecordSet(rs);
    return partner;
  } catch (...) {
    return 0;
  }
}

void Order::createSOatBackendCall(const Variant& iKiroID, const Variant& iOrderDict) {
  const bool noDocument = iOrderDict.isMissing() || iOrderDict.isEmpty() || iOrderDict.isNothing();
  CreateSOatBackend(iKiroID.isMissing() || iKiroID.isEmpty() ? 0 : iKiroID.toLong(),
                    noDocument ? DictionaryPtr() : iOrderDict.as<platform::Dictionary>());
}

void Order::CreateSOatBackend(int32_t iKiroID, const DictionaryPtr& iOrderDict) {
  DictionaryPtr document = iOrderDict;
  if (!document) {
    const uint8_t instance = Variant(iKiroID).toByte();  // 6 (Overflow) outside 0..255
    RecordsetPtr pending =
        Sls_GetDisconnectedRecordset("SELECT * FROM ORDERHEADER  WHERE  KIROID = " + SqlLiteralFlag(instance) +
                                         " AND ORDERSTATUS = " + SqlLiteralLong(ToBeProcessed) + " ORDER BY ORDERID",
                                     Sls_ConnectionString());
    if (pending->RecordCount() == 0) return;
    document = platform::makeObject<platform::Dictionary>();
    document->Add(Variant("header"), Variant(pending));
    document->Add(Variant("origin"), Variant::integer(2));
  }
  ObjectPtr backend = platform::createObject("Merxalink.Order");
  Variant errorOccured(false);
  platform::Args args{Variant(document), errorOccured};
  backend->invoke("CreateBackendSalesOrder", platform::CallKind::Method, args);
}

}  // namespace merxa
