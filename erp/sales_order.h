// Sales order creation ("CreateSalesOrder"): the records a caller fills, the sets it passes,
// and the manager that validates, numbers and stores the orders.
//
// Records are filled through setters named after the release's fields (release 5.0c
// "setSoldToBusinessPartner", 4.0c "setCustomer", ...); texts are TextValue records added to a
// HeaderText, FooterText or OrderLineText; discounts and product variants are records of their
// own set on the line.
//
// SalesOrdersManager.Create(salesOrders, orderLines) takes the header record (the sales-orders
// set holds one per call, as callers send it) and its lines, and in one transaction:
//   - checks the header: the customer must be known, its ship-to and bill-to address codes must
//     be its own (release 5.0c: the ERP's code; 4.0c: the first three of the code's last four
//     characters), a known sales order number given must exist;
//   - checks every line: known item, quantity above 0, a planned delivery date that is a date,
//     a ship-to address code of the customer's;
//   - numbers a new order from the SALESORDER number range, or adds the lines to the order whose
//     number the header gives, and stores the header, its texts and the lines that passed, each
//     at the next free position (10, 20, ...) with its texts and product variants.
// Every field that fails its check becomes one error structure (objectID: the 0-based record
// index, Field, errorDescription); a line with an error is not stored. A header with an error
// stores nothing and returns no sales order. The created order returns the order number and
// the stored lines with their positions and the caller's line references.
#pragma once

#include <string>

#include "erp/erp_database.h"
#include "erp/record.h"
#include "erp/record_set.h"
#include "platform/registry.h"

namespace erp {

class ErrorStructure : public platform::Object {
 public:
  ErrorStructure(int32_t objectId, std::string field, std::string description)
      : objectId_(objectId), field_(std::move(field)), description_(std::move(description)) {}
  const platform::DispatchTable& dispatch() const override;

  int32_t objectID() const { return objectId_; }
  std::string Field() const { return field_; }
  std::string errorDescription() const { return description_; }
  // The record the error belongs to, counted from 1.
  int32_t numberOfRow() const { return objectId_ + 1; }

 private:
  int32_t objectId_;
  std::string field_;
  std::string description_;
};

class ErrorDocument : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  void add(int32_t objectId, const std::string& field, const std::string& description);
  int32_t sizeTeskErrorStructure() const { return static_cast<int32_t>(errors_.size()); }
  platform::ObjectPtr getTeskErrorStructureAt(int32_t index) const;

 private:
  std::vector<platform::ObjectPtr> errors_;
};

class CreatedOrder : public platform::Object {
 public:
  explicit CreatedOrder(const std::string& release);
  const platform::DispatchTable& dispatch() const override;

  std::shared_ptr<RecordSet> getRecordSetSalesOrders() const { return orders_; }
  std::shared_ptr<ErrorDocument> getTeskErrorDoc() const { return errors_; }
  bool hasRecordSetSalesOrderLines() const { return lines_->size() > 0; }
  std::shared_ptr<RecordSet> getRecordSetSalesOrderLines() const { return lines_; }

 private:
  std::shared_ptr<RecordSet> orders_;
  std::shared_ptr<RecordSet> lines_;
  std::shared_ptr<ErrorDocument> errors_ = platform::makeObject<ErrorDocument>();
};

class SalesOrdersManager : public Manager {
 public:
  using Manager::Manager;
  const platform::DispatchTable& dispatch() const override;

  std::shared_ptr<CreatedOrder> Create(Variant& salesOrders, Variant& orderLines);
};

// The classes of the component under one release's prefix ("Q50cMXLStdslsCreateSalesOrder."),
// as (ProgID, factory) pairs, for the library's class list.
std::vector<std::pair<std::string, platform::Factory>> createSalesOrderClasses(const std::string& release,
                                                                               const std::string& prefix);

}  // namespace erp
