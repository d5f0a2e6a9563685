#include "pricing/pricing.h"

namespace merxa {

const platform::DispatchTable& Pricing::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<Pricing>("Merxa.Pricing")
          .property("ProductID", &Pricing::ProductID, &Pricing::SetProductID)
          .property("BusinessPartnerID", &Pricing::BusinessPartnerID, &Pricing::SetBusinessPartnerID)
          .property("CurrencyCode", &Pricing::CurrencyCode, &Pricing::SetCurrencyCode)
          .property("EffectiveDate", &Pricing::EffectiveDate, &Pricing::SetEffectiveDate)
          .property("ExpiryDate", &Pricing::ExpiryDate, &Pricing::SetExpiryDate)
          .property("Price", &Pricing::Price, &Pricing::SetPrice)
          .property("DiscountPercent", &Pricing::DiscountPercent, &Pricing::SetDiscountPercent)
          .property("DiscountAmount", &Pricing::DiscountAmount, &Pricing::SetDiscountAmount)
          .method("GetWebPrice", &Pricing::GetWebPrice)
          .method("GetCustomerPrice", &Pricing::GetCustomerPrice)
          .method("GetProductPrice", &Pricing::GetProductPrice)
          .method("AddPricing", &Pricing::AddPricing)
          .method("UpdatePricing", &Pricing::UpdatePricing)
          .method("DeletePricing", &Pricing::DeletePricing);
  return table;
}

}  // namespace merxa
