// Showing a sales order ("ShowSalesOrder"): the acknowledgement of the order as it was
// created, its shipping notice (one line per shipped order line) and its invoice (one line per
// invoiced order line), read from the orders, shipments and invoices the ERP holds.
//
// SalesOrderManager.showsalesorderacknowledgment / showsalesorderadvancedshipmentnotice /
// showsalesorderinvoice (order number) answer a result whose getTeskErrorDocAt(0) is the error
// document and whose getACKSLSRecordSetAt(0) (ASN..., INV...) holds the order:
// getOSalesOrderAt(0) gives the sales order, whose fields read through "has" + field and
// "get" + field (OrderNumber, ReferenceA, ShipToAddressName1, ...), whose lines through
// sizeSOLineDetails and getSOLineDetailsAt, and whose texts (getOrderText, getLineText) are
// sets of text values (sizeTextValue, getTextValueAt, GetText). Only values the ERP holds are
// present. An order the ERP does not know, or a notice or invoice of an order not shipped or
// invoiced yet, answers an error document with one structure (numberOfRow 1) and no order.
// Dates come as "YYYY-MM-DD" texts, quantities and amounts as numbers.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "erp/erp_database.h"
#include "platform/registry.h"

namespace erp {

class SalesOrderManager : public Manager {
 public:
  using Manager::Manager;
  const platform::DispatchTable& dispatch() const override;

  platform::ObjectPtr showsalesorderacknowledgment(Variant& orderNumber);
  platform::ObjectPtr showsalesorderadvancedshipmentnotice(Variant& orderNumber);
  platform::ObjectPtr showsalesorderinvoice(Variant& orderNumber);
};

// The classes of the component under one release's prefix ("Q50cMXLStdslsShowSalesOrder."),
// as (ProgID, factory) pairs, for the library's class list.
std::vector<std::pair<std::string, platform::Factory>> showSalesOrderClasses(const std::string& release,
                                                                             const std::string& prefix);

}  // namespace erp
