// Price and tax of one order line ("GetPriceAndTax.PriceTaxManager").
//
// GetPriceAndOrTax(option, customer, item, currency, date, lineQuantity, orderQuantity, unit,
// billingAddress, shippingAddress, country, lineAmount, discountPercentage) answers:
//   option 1  the unit price and the line's discount: the customer's agreed price of the item
//             (CUSTOMERITEMPRICE) valid on the date, else the price of the customer's price
//             list; the discount percentage goes with an agreed price, else it is the
//             customer's standard one; the total discount is unit price x line quantity x
//             percentage / 100, rounded to cents.
//   option 2  the tax of the line amount: the tax code of the item's tax class in the country
//             the goods go to (the country given, else that of the shipping address code, else
//             the customer's), its percentage, type and description, and whether the customer
//             is taxed at all (calculate-tax 0: amount 0).
// The currency defaults to the customer's and the date to today. Item codes of release 5.0c
// may carry blank project segments before or after the item; they are ignored.
//
// What the ERP cannot answer comes back as an error code in the answer, never as a raised
// error: see the constants below. A blank code means the values are valid.
#pragma once

#include <string>

#include "erp/erp_database.h"

namespace erp {

constexpr const char* kUnknownCustomer = "UNKNOWN-CUSTOMER";
constexpr const char* kUnknownItem = "UNKNOWN-ITEM";
constexpr const char* kNoPrice = "NO-PRICE";
constexpr const char* kNoTaxCode = "NO-TAXCODE";
constexpr const char* kBadDate = "BAD-DATE";
constexpr const char* kBadOption = "BAD-OPTION";

class PriceTaxAnswer : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  std::string GetErrorCode() const { return errorCode; }
  double getUnitPrice() const { return unitPrice; }
  double getDiscountPercentage() const { return discountPercentage; }
  double getTotDiscountAmount() const { return totalDiscountAmount; }
  double getTaxAmount() const { return taxAmount; }
  double getTaxPercentage() const { return taxPercentage; }
  std::string getTaxCode() const { return taxCode; }
  int16_t getTaxType() const { return taxType; }
  std::string getTaxCodeDescription() const { return taxCodeDescription; }
  int16_t getCalculateTax() const { return calculateTax; }

  std::string errorCode;
  double unitPrice = 0, discountPercentage = 0, totalDiscountAmount = 0, taxAmount = 0, taxPercentage = 0;
  std::string taxCode, taxCodeDescription;
  int16_t taxType = 0, calculateTax = 0;
};

class PriceTaxManager : public Manager {
 public:
  using Manager::Manager;
  const platform::DispatchTable& dispatch() const override;

  // Every argument by reference, as the callers pass them; none is changed.
  std::shared_ptr<PriceTaxAnswer> GetPriceAndOrTax(Variant& option, Variant& customer, Variant& partNumber,
                                                   Variant& currency, Variant& date, Variant& lineQuantity,
                                                   Variant& orderQuantity, Variant& unit, Variant& billingAddress,
                                                   Variant& shippingAddress, Variant& country, Variant& lineAmount,
                                                   Variant& discountPercentage);
};

}  // namespace erp
