// Pricing ("Merxa.Pricing"): the shop's two web price lists, PRODUCTPRICE (a price per
// product, currency and start of validity) and CUSTOMERPRICE (the same for one business
// partner).
//
// An object is one price record. Its eight properties are plain Variants, taken and given back
// as they are: the lookups fill them (GetWebPrice, GetCustomerPrice, GetProductPrice), the
// maintenance operations read them (AddPricing, UpdatePricing, DeletePricing), whose argument
// iCustomerPricing chooses the list: True the customer prices, False the list prices.
//
// A price row is valid on a date d when EFFECTIVEDATE <= d and (EXPIRYDATE is null or
// EXPIRYDATE > d). Adding and updating keep the periods of one product and currency (and
// partner) from overlapping.
//
// The object keeps the currency component of its first GetWebPrice for its whole life; every
// operation opens its own connection and closes it before it returns.
#pragma once

#include <string>

#include "integrity/referential_integrity.h"
#include "platform/object.h"

namespace merxa {

using platform::Date;
using platform::Variant;

// The eight properties of a price record.
struct PriceRecord {
  Variant productId;
  Variant businessPartnerId;
  Variant currencyCode;
  Variant effectiveDate;
  Variant expiryDate;  // Null: open end
  Variant price;
  Variant discountPercent;
  Variant discountAmount;
};

class Pricing : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  // The second interface: IReferentialIntegrity.
  platform::ObjectPtr interfaceOf(std::string_view name) override {
    return referentialIntegrityOf(name, "Pricing");
  }

  Variant ProductID() const { return record_.productId; }
  void SetProductID(const Variant& v) { record_.productId = v; }
  Variant BusinessPartnerID() const { return record_.businessPartnerId; }
  void SetBusinessPartnerID(const Variant& v) { record_.businessPartnerId = v; }
  Variant CurrencyCode() const { return record_.currencyCode; }
  void SetCurrencyCode(const Variant& v) { record_.currencyCode = v; }
  Variant EffectiveDate() const { return record_.effectiveDate; }
  void SetEffectiveDate(const Variant& v) { record_.effectiveDate = v; }
  Variant ExpiryDate() const { return record_.expiryDate; }
  void SetExpiryDate(const Variant& v) { record_.expiryDate = v; }
  Variant Price() const { return record_.price; }
  void SetPrice(const Variant& v) { record_.price = v; }
  Variant DiscountPercent() const { return record_.discountPercent; }
  void SetDiscountPercent(const Variant& v) { record_.discountPercent = v; }
  Variant DiscountAmount() const { return record_.discountAmount; }
  void SetDiscountAmount(const Variant& v) { record_.discountAmount = v; }

  // The price of a product for a customer on a date, expressed in iCurrencyCode (converted
  // through the home currency when the price found is in another). True: the properties hold
  // it. False: no price is valid then, and the properties are as they were. iCurrencyCode goes
  // on to the currency component by reference, so what the component makes of it is what the
  // caller gets back and what CurrencyCode holds.
  bool GetWebPrice(int32_t iProductID, int32_t iBusinessPartnerID, Date iOrderDate, std::string& iCurrencyCode);
  // The customer price or list price row with exactly this key into the properties; no such
  // row fails with CustomerPriceNotFound or ProductPriceNotFound.
  bool GetCustomerPrice(int32_t iProductID, int32_t iBusinessPartnerID, Date iEffectiveDate,
                        const std::string& iCurrencyCode);
  bool GetProductPrice(int32_t iProductID, Date iEffectiveDate, const std::string& iCurrencyCode);

  // Writes the properties as a new row, an update of the row with their key, or deletes that
  // row. True when the statement ran, also when an update or delete found no row; every
  // failure (a validation error, EffectiveDateRange, ReferentialInsert, a database error) is
  // raised.
  bool AddPricing(bool iCustomerPricing);
  bool UpdatePricing(bool iCustomerPricing);
  bool DeletePricing(bool iCustomerPricing);

  // Whether `sql` returns a row. Not a member of the late-bound interface: the class's
  // referential-integrity hooks ask it whether master data is still used by a price.
  bool CheckExistenceUsingSQL(std::string& sql);

 private:
  PriceRecord record_;
  platform::ObjectPtr currency_;  // "CorvoCommon.Currency", made by the first GetWebPrice
};

// Raises the first failure of the validation of a price record that is to be written, as the
// MerxaError of that step (MissingProductID ... ExpiryDateRange).
void validatePricing(const PriceRecord& record, bool customerPricing);
// The checks before a delete: the key is there (MissingProductID, MissingEffectiveDate,
// MissingCurrencyCode, and for a customer price MissingBusinessPartnerID).
void validatePricingKey(const PriceRecord& record, bool customerPricing);

}  // namespace merxa
