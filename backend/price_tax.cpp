#include "backend/price_tax.h"

#include "common/error_handling.h"
#include "platform/error.h"

namespace merxalink {

PriceTax::PriceTax() : BackendAction({"PriceTax", "PriceTax", "GetPriceAndTax.PriceTaxManager"}) {}

const platform::DispatchTable& PriceTax::dispatch() const {
  static const platform::DispatchTable table = platform::Members<PriceTax>("Merxalink.PriceTax")
                                                   .method("InitializeAction", &PriceTax::InitializeAction)
                                                   .method("CloseAction", &PriceTax::CloseAction)
                                                   .method("GetPriceAndOrTax", &PriceTax::GetPriceAndOrTax);
  return table;
}

void PriceTax::InitializeAction(const std::string& iTovoType, const std::string& iComponentID, Variant& oErrorCode) {
  oErrorCode = Variant::integer(0);
  if (const int32_t number = initializeComponent(iTovoType, iComponentID)) oErrorCode = Variant(number);
}

void PriceTax::GetPriceAndOrTax(int32_t iOption, const std::string& iCustomer, const std::string& iPartNumber,
                                const std::string& iCurrency, const std::string& iDate, int32_t iLineQuantity,
                                int32_t iOrderQuantity, const std::string& iUnit, const std::string& iBillingAddress,
                                const std::string& iShippingAddress, const std::string& iCountry, double iLineAmount,
                                double iDiscountPerc, Variant& oUnitPrice, Variant& oDiscountPerc,
                                Variant& oDiscountAmount, Variant& oTaxAmount, Variant& oTaxPerc, Variant& oTaxCode,
                                Variant& oTaxType, Variant& oTaxCodeDescription, Variant& oCalculateTax,
                                Variant& oErrorCode) {
  for (Variant* zero : {&oUnitPrice, &oDiscountPerc, &oDiscountAmount, &oTaxAmount, &oTaxPerc, &oTaxType, &oCalculateTax})
    *zero = Variant::integer(0);
  for (Variant* blank : {&oTaxCode, &oTaxCodeDescription, &oErrorCode}) *blank = Variant(std::string());

  merxa::guarded("PriceTax.GetPriceAndOrTax", [&] {
    platform::Args inputs{Variant(iOption),       Variant(iCustomer),        Variant(iPartNumber), Variant(iCurrency),
                          Variant(iDate),         Variant(iLineQuantity),    Variant(iOrderQuantity), Variant(iUnit),
                          Variant(iBillingAddress), Variant(iShippingAddress), Variant(iCountry), Variant(iLineAmount),
                          Variant(iDiscountPerc)};
    ObjectPtr answer =
        requireComponent()->invoke("GetPriceAndOrTax", platform::CallKind::Call, inputs).toObject();
    oErrorCode = answer->call("GetErrorCode");
    // A code of blanks is no error; Null is (it is not the empty text).
    if (oErrorCode.isNull() || !platform::trimBlanks(oErrorCode.toString()).empty()) return;
    if (iOption == 1) {
      oUnitPrice = Variant(answer->call("getUnitPrice").toDouble());
      oDiscountPerc = Variant(answer->call("getDiscountPercentage").toDouble());
      const double totalDiscount = answer->call("getTotDiscountAmount").toDouble();
      if (iLineQuantity == 0) platform::raiseVb(platform::vb::DivisionByZero, "Merxalink");
      oDiscountAmount = Variant(totalDiscount / iLineQuantity);
    } else if (iOption == 2) {
      oTaxAmount = Variant(answer->call("getTaxAmount").toDouble());
      oTaxPerc = Variant(answer->call("getTaxPercentage").toDouble());
      oTaxCode = answer->call("getTaxCode");
      oTaxType = answer->call("getTaxType");
      oTaxCodeDescription = answer->call("getTaxCodeDescription");
      oCalculateTax = Variant::integer(answer->call("getCalculateTax").toInteger());
    }
  });
}

}  // namespace merxalink
