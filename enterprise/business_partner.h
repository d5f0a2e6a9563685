// Business partners ("CorvoCommon.BusinessPartner"): customers, their addresses and the
// transport carriers, read from the master-data tables BUSINESSPARTNER, ADDRESS, COUNTRY and
// TRANSPORTCARRIER of the sales database.
//
// GetBusinessPartner loads one partner for the calls that take no partner argument
// (GetCustomerCurrency, GetCustomerCarrier, and the address getters without an argument);
// Release forgets it. Asking without a loaded partner, or for a partner or address that does
// not exist, fails with 0x8004014E and a message naming the identifier.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/data/recordset.h"
#include "platform/object.h"

namespace enterprise {

constexpr int32_t kBusinessPartnerNotFound = static_cast<int32_t>(0x8004014E);

class BusinessPartner : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  void GetBusinessPartner(int32_t businessPartnerId);
  // The partner's address identifiers (Null when it has none); `businessPartnerId` Missing
  // means the loaded partner.
  platform::Variant GetPostalAddressID(const platform::Variant& businessPartnerId);
  platform::Variant GetShippingAddressID(const platform::Variant& businessPartnerId);
  platform::Variant GetCustomerCurrency();  // code, Null when none is set
  platform::Variant GetCustomerCarrier();
  void Release();

  // A one-row recordset: COUNTRYCODE, NAME1, NAME2, STREET1, STREET2, CITY1, CITY2,
  // STATEPROVINCE, ZIPCODE, PHONE, FAX, COUNTRYNAME, SHORTDESCRIPTION.
  platform::data::RecordsetPtr GetAddress(int32_t addressId);
  // The ERP's code of the address; "" when it has none or the address is unknown.
  std::string GetKiroAddressCodeFromAddressID(int32_t addressId);
  // CARRIERCODE and CARRIERNAME of the carrier; no rows when the code is unknown.
  platform::data::RecordsetPtr GetTransportCarrier(const platform::Variant& carrierCode);

  double GetDiscountPercentage(int32_t businessPartnerId);  // 0 when none is set
  int16_t GetPricingMethod(int32_t businessPartnerId);      // 1 web pricing (also when none is set), 2 ERP
  std::string GetCurrency(int32_t businessPartnerId);       // "" when none is set

  struct Partner {
    int32_t id = 0;
    platform::Variant postalAddressId, shippingAddressId, currencyCode, carrierCode, discountPercentage, pricingMethod;
  };

 private:
  const Partner& loaded() const;
  Partner partnerFor(const platform::Variant& businessPartnerId) const;

  std::optional<Partner> partner_;
};

}  // namespace enterprise
