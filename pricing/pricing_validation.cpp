// The checks a price record passes before AddPricing or UpdatePricing writes it, in their
// order; the first that fails is raised.
//
// "Missing" is Null or Empty. The discounts and the expiry date may be Null (no discount of
// that kind, an open end) but not Empty, so a caller cannot forget them unnoticed. Amounts and
// dates are compared as numbers and dates, also when a page hands them over as text: "5" is
// less than "10" here, as the price list means it.
#include "common/error_handling.h"
#include "common/merxa_error.h"
#include "pricing/price_commands.h"
#include "pricing/pricing.h"

namespace merxa {

namespace {

bool missing(const Variant& v) { return v.isNull() || v.isEmpty(); }

void failWhen(bool failed, MerxaError error, const char* name) {
  if (failed) raiseMerxa(error, pricing::kSource, name);
}

}  // namespace

void validatePricing(const PriceRecord& r, bool customerPricing) {
  failWhen(missing(r.productId), MissingProductID, "MissingProductID");
  failWhen(missing(r.effectiveDate), MissingEffectiveDate, "MissingEffectiveDate");
  failWhen(missing(r.currencyCode), MissingCurrencyCode, "MissingCurrencyCode");
  failWhen(missing(r.price), MissingPrice, "MissingPrice");
  failWhen(r.discountAmount.isEmpty() || r.discountPercent.isEmpty(), MissingDiscount, "MissingDiscount");
  failWhen(r.expiryDate.isEmpty(), MissingExpiryDate, "MissingExpiryDate");
  failWhen(customerPricing && missing(r.businessPartnerId), MissingBusinessPartnerID, "MissingBusinessPartnerID");
  failWhen(!platform::isDate(r.effectiveDate), InvalidEffectiveDate, "InvalidEffectiveDate");
  failWhen(!r.expiryDate.isNull() && !platform::isDate(r.expiryDate), InvalidExpiryDate, "InvalidExpiryDate");

  failWhen(!platform::isNumeric(r.price) || r.price.toDouble() < 0, InvalidPrice, "InvalidPrice");
  const double price = r.price.toDouble();
  const bool hasPercent = !r.discountPercent.isNull();
  const bool hasAmount = !r.discountAmount.isNull();
  failWhen(hasPercent && (!platform::isNumeric(r.discountPercent) || r.discountPercent.toDouble() > 100 ||
                          (price == 0 && r.discountPercent.toDouble() > 0)),
           InvalidDiscountPercent, "InvalidDiscountPercent");
  failWhen(hasAmount && (!platform::isNumeric(r.discountAmount) || r.discountAmount.toDouble() > price),
           InvalidDiscountAmount, "InvalidDiscountAmount");
  failWhen(hasPercent && hasAmount && r.discountPercent.toDouble() != 0 && r.discountAmount.toDouble() != 0,
           NonExclusiveDiscount, "NonExclusiveDiscount");
  failWhen(!r.expiryDate.isNull() && r.effectiveDate.toDate().serial >= r.expiryDate.toDate().serial,
           ExpiryDateRange, "ExpiryDateRange");
}

void validatePricingKey(const PriceRecord& r, bool customerPricing) {
  failWhen(missing(r.productId), MissingProductID, "MissingProductID");
  failWhen(missing(r.effectiveDate), MissingEffectiveDate, "MissingEffectiveDate");
  failWhen(missing(r.currencyCode), MissingCurrencyCode, "MissingCurrencyCode");
  failWhen(customerPricing && missing(r.businessPartnerId), MissingBusinessPartnerID, "MissingBusinessPartnerID");
}

}  // namespace merxa
