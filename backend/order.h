// Merxalink.Order: the order-status action (advance the billing status of one ERP order line)
// on the frame of action_frame.h, logged under the name "OrderStatus"; and the creation of
// the sales orders of a sales document in the ERP (sales_order_creation.cpp) with the filling
// of the ERP's input records (sales_order_mapping.cpp).
//
// CreateBackendSalesOrder never raises: every failure ends in the log and, where the order is
// known, in ORDERHEADER.ERROR. Each order is claimed before it is sent (ORDERSTATUS
// ToBeProcessed -> SendingToBackend), so two exports or an export and a submission that run at
// once never both send it; the claim ends as Processed, or back at ToBeProcessed when the ERP
// reported an error for the order or the order could not be sent. A stored order that has an
// ERP number already sends only its unconfirmed lines, under that number.
#pragma once

#include <cstdint>
#include <string>

#include "backend/action_frame.h"
#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "platform/dictionary.h"

namespace merxalink {

using platform::data::RecordsetPtr;

class Order : public BackendAction {
 public:
  Order();
  ~Order() override;
  const platform::DispatchTable& dispatch() const override;

  // oSucces and oReasonCode are 0 from the start of the call; the ERP's answer is reported in
  // them, not raised. Failures of the call raise, logged as "OrderStatus.UpdateOrderStatus"
  // with all four inputs.
  void UpdateOrderStatus(const std::string& iSalesOrderID, int32_t iLineID, int32_t iBillingStepNumber,
                         int32_t iUseFreight, Variant& oSucces, Variant& oReasonCode);

  // The ERP number of the last order that got one, or "". `iOrder` holds "origin" (0 basket,
  // 1 quotation, 2 stored orders), "header" and, for origins 0 and 1, "lines".
  std::string CreateBackendSalesOrder(const platform::DictionaryPtr& iOrder, bool& iErrorOccured);
  std::string createBackendSalesOrderCall(const Variant& iOrder, Variant& iErrorOccured);
  // Creates the release's manager and input sets and initialises the manager; logs failures.
  Variant InitializeOrder(const std::string& iComponentID);
  // The variants of a configured line, from the configurator, set on the current line record.
  void AddProductVariants(const std::string& iConfigid, const std::string& iOrderid, int16_t iLineID);

  // The records of the order being sent, for the mapping tests.
  const ObjectPtr& salesOrderRecord() const { return salesOrder_; }
  const ObjectPtr& salesOrdersSet() const { return salesOrders_; }
  const ObjectPtr& orderLinesSet() const { return orderLines_; }
  const std::string& logReference() const { return logReference_; }

  // Fills the ERP's input records of the header's current row and `lines` (origin 0, 1, 2).
  // The instance settings come from `tovoType`, `alignment` and `mask` as the export reads them.
  void BuildInputValuesforQ50c(const RecordsetPtr& lines, int32_t origin);
  void useInstance(const std::string& tovoType, const std::string& alignment, const std::string& mask) {
    tovoType_ = tovoType;
    itemAlignment_ = alignment;
    itemMask_ = mask;
  }
  void useHeader(const RecordsetPtr& header) { header_ = header; }

 private:
  // The release's class `name` of the sales order component.
  ObjectPtr createClass(const std::string& name) const;
  void InitializeRecordSets();
  void releaseMembers();
  RecordsetPtr ReadUnsentOrderLines(const std::string& orderId);

  // Mapping helpers.
  Variant GetTextinKiroFormat(const std::string& text, int32_t kind);
  Variant getDateinKiroFormat(const std::string& dateText);
  void FillAddressDetails(const std::string& kind, int32_t addressId, bool lineLevel);
  int32_t determineAddressInfo(const Variant& partner, const Variant& address, const std::string& kind,
                               std::string& code);
  void AddFreightLine(double freight, const RecordsetPtr& lines);
  std::string itemCodeOf(const std::string& partNumber) const;
  void setLineAddress(const platform::data::Recordset& lines, const std::string& deliveryCode,
                      const std::string& invoiceCode);

  std::string tovoType_, itemAlignment_, itemMask_, webOrderId_, logReference_;
  RecordsetPtr header_;
  ObjectPtr manager_, salesOrder_, salesOrders_, orderLines_, orderLine_, created_;
  ObjectPtr variants_;  // the ProductVariants of the current line
};

}  // namespace merxalink
