// Order ("Merxa.Order"): turns a sales document, a basket or an accepted quotation, into a
// stored order.
//
// SubmitBasket writes, in one transaction on its own connection: an ADDRESSHISTORY row for
// each distinct address the order uses (a frozen copy of the partner's address), the
// ORDERHEADER row (status ToBeProcessed), one ORDERLINE row per document line (numbered 1..n,
// status NotAllocated), and then deletes the source basket or marks the source quotation as
// copied to an order. Either all of it is stored or none of it.
//
// An order of a basket keeps the basket's identifier. An order of a quotation (document entry
// "origin" = 1) gets a new identifier, which is written into the caller's document (header and
// lines) before anything is stored; the quotation's own identifier goes into
// ORDERHEADER.QUOTATIONID.
//
// After the commit, the order's ERP instance decides whether it goes to the ERP at once
// (ORDEREXPORTFILE.EXPORTMESSAGETYPE "2"); otherwise it waits in ToBeProcessed for an export.
#pragma once

#include <cstdint>
#include <string>

#include "platform/data/connection.h"
#include "platform/dictionary.h"
#include "integrity/referential_integrity.h"
#include "platform/object.h"

namespace merxa {

using platform::DictionaryPtr;
using platform::Variant;
using platform::data::ConnectionPtr;

class Order : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  // The second interface: IReferentialIntegrity.
  platform::ObjectPtr interfaceOf(std::string_view name) override {
    return referentialIntegrityOf(name, "Order");
  }

  void SubmitBasket(const Variant& iBasket);

  // The stored order as a document: "header" (its ORDERHEADER row) and "lines" (its ORDERLINE
  // rows), both disconnected. An unknown identifier fails under "Order.RestoreFromDB".
  DictionaryPtr Restore(const std::string& iOrderID);
  bool OrdersExist();
  // The address as frozen for the order, else the business partner's current one.
  platform::data::RecordsetPtr GetAddress(Variant& iAddressID, Variant& iOrderID);
  void UpdateOrderStatus(const std::string& i_sOrderID, int32_t lStatusValue);
  // The order's business partner; 0 when there is none (never raises).
  int32_t GetBPStoredInDB(Variant& i_sOrderID);
  // Sends `iOrderDict` to the ERP, or without one every pending order of instance `iKiroID`
  // (0..255). What the ERP answers is kept with the orders, not raised.
  void createSOatBackendCall(const Variant& iKiroID, const Variant& iOrderDict);

 private:
  // Each runs on the submission's connection, inside its transaction.
  void InsertAddresses(const DictionaryPtr& document, const ConnectionPtr& cn);
  void InsertOrderHeader(const DictionaryPtr& document, const ConnectionPtr& cn, const std::string& sourceId);
  void InsertOrderLines(const DictionaryPtr& document, const ConnectionPtr& cn);
  void UpdateQuotation(const std::string& quotationId, const ConnectionPtr& cn);

  // The hand-over point of immediate export, reached after the commit for an instance whose
  // orders go to the ERP as they are submitted. The order is stored by then (ToBeProcessed),
  // so an order that nothing takes here is still there for the instance's next export run.
  virtual void CreateSOatBackend(int32_t iKiroID, const DictionaryPtr& iOrderDict);

  DictionaryPtr RestoreFromDB(const std::string& orderId, const ConnectionPtr& cn);
};

}  // namespace merxa
