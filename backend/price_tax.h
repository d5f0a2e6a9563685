// Merxalink.PriceTax: price and discount (option 1) or tax (option 2) of one order line,
// asked of the ERP's price-and-tax component on the frame of action_frame.h.
//
// Every output is set to its initial value first: the amounts, percentages, tax type and
// calculate-tax flag to 0 (16-bit), tax code, its description and the error code to "". A
// non-blank error code from the ERP is no failure: the caller gets it and the initial values.
// The discount amount is the ERP's total discount of the line per unit (divided by the line
// quantity). Failures raise, logged as "PriceTax.GetPriceAndOrTax"; outputs set before the
// failure keep their values.
#pragma once

#include "backend/action_frame.h"

namespace merxalink {

class PriceTax : public BackendAction {
 public:
  PriceTax();
  const platform::DispatchTable& dispatch() const override;

  // oErrorCode receives 0 as a 16-bit integer, or the failure's number as a 32-bit one.
  void InitializeAction(const std::string& iTovoType, const std::string& iComponentID, Variant& oErrorCode);

  void GetPriceAndOrTax(int32_t iOption, const std::string& iCustomer, const std::string& iPartNumber,
                        const std::string& iCurrency, const std::string& iDate, int32_t iLineQuantity,
                        int32_t iOrderQuantity, const std::string& iUnit, const std::string& iBillingAddress,
                        const std::string& iShippingAddress, const std::string& iCountry, double iLineAmount,
                        double iDiscountPerc, Variant& oUnitPrice, Variant& oDiscountPerc, Variant& oDiscountAmount,
                        Variant& oTaxAmount, Variant& oTaxPerc, Variant& oTaxCode, Variant& oTaxType,
                        Variant& oTaxCodeDescription, Variant& oCalculateTax, Variant& oErrorCode);
};

}  // namespace merxalink
