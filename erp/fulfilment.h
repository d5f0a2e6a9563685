// Fulfilment: what the ERP's warehouse and accounts do with an order once it is created, as
// the stand-in's operator does it by hand. Shipping records a shipment of order lines (the
// shipping notice reads it); invoicing bills every shipment not billed yet (the invoice reads
// it). Both check the whole request before they write, and write in one transaction: a
// refused request records nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/object.h"
#include "platform/value.h"

namespace erp {

// Refusals of the operator's requests (an unknown order or position, a quantity the order does
// not leave to ship, nothing left to ship or to bill).
constexpr int32_t kFulfilmentRefused = static_cast<int32_t>(0x80041010);

struct ShipmentLine {
  int32_t position = 0;  // the ERP's position number (10, 20, ...)
  double quantity = 0;
};

// Ships `lines` of `order` on `date`, or, with no lines, whatever of every line is still
// unshipped. A position may be named more than once; the quantities add up. Returns the
// shipment number.
std::string shipOrder(const std::string& order, const std::vector<ShipmentLine>& lines, platform::Date date);

// Invoices every shipment of `order` that no invoice covers yet, one invoice per shipment,
// dated `date`. Line amounts and discounts are the order line's in proportion to the quantity
// delivered; tax is the line's tax code's percentage (none for a code the ERP does not know).
// Returns the invoice numbers in order.
std::vector<std::string> invoiceOrder(const std::string& order, platform::Date date);

}  // namespace erp

namespace erp {

// The operator's desk ("ErpOperator.Fulfilment"), so that programs reach the two operations
// late-bound like every other component of the ERP:
//   shipment = desk.Ship(order, Array(position, quantity, ...), date)   ' an empty array: all
//   invoices = desk.Invoice(order, date)                                ' an array of numbers
using platform::Variant;

class FulfilmentDesk : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  std::string Ship(const std::string& order, const Variant& lines, platform::Date date);
  Variant Invoice(const std::string& order, platform::Date date);
};

}  // namespace erp
