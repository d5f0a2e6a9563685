#include "enterprise/business_partner.h"

#include "enterprise/sales_database.h"
#include "enterprise/sql_encoder.h"

namespace enterprise {

using platform::Variant;

namespace {

constexpr const char* kSource = "CorvoCommon.BusinessPartner";

BusinessPartner::Partner readPartner(int32_t id) {
  auto rs = SalesSession().query(
      "SELECT POSTALADDRESSID, SHIPPINGADDRESSID, CURRENCYCODE, CARRIERCODE, DISCOUNTPERCENTAGE, PRICINGMETHOD "
      "FROM BUSINESSPARTNER WHERE BUSINESSPARTNERID = " +
      sqlLong(id));
  if (rs->empty())
    platform::raiseError(kBusinessPartnerNotFound, kSource,
                         "Business partner " + std::to_string(id) + " does not exist");
  return {id,
          rs->value("POSTALADDRESSID"),
          rs->value("SHIPPINGADDRESSID"),
          rs->value("CURRENCYCODE"),
          rs->value("CARRIERCODE"),
          rs->value("DISCOUNTPERCENTAGE"),
          rs->value("PRICINGMETHOD")};
}

std::string textOrEmpty(const Variant& v) { return v.isNull() ? std::string() : v.toString(); }

}  // namespace

const platform::DispatchTable& BusinessPartner::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<BusinessPartner>(kSource)
          .method("GetBusinessPartner", &BusinessPartner::GetBusinessPartner)
          .method("GetPostalAddressID", &BusinessPartner::GetPostalAddressID, 1)
          .method("GetShippingAddressID", &BusinessPartner::GetShippingAddressID, 1)
          .method("GetCustomerCurrency", &BusinessPartner::GetCustomerCurrency)
          .method("GetCustomerCarrier", &BusinessPartner::GetCustomerCarrier)
          .method("Release", &BusinessPartner::Release)
          .method("GetAddress", &BusinessPartner::GetAddress)
          .method("GetKiroAddressCodeFromAddressID", &BusinessPartner::GetKiroAddressCodeFromAddressID)
          .method("GetTransportCarrier", &BusinessPartner::GetTransportCarrier)
          .method("GetDiscountPercentage", &BusinessPartner::GetDiscountPercentage)
          .method("GetPricingMethod", &BusinessPartner::GetPricingMethod)
          .method("GetCurrency", &BusinessPartner::GetCurrency);
  return table;
}

const BusinessPartner::Partner& BusinessPartner::loaded() const {
  if (!partner_)
    platform::raiseError(kBusinessPartnerNotFound, kSource,
                         "No business partner loaded; call GetBusinessPartner first");
  return *partner_;
}

BusinessPartner::Partner BusinessPartner::partnerFor(const Variant& businessPartnerId) const {
  if (businessPartnerId.isMissing()) return loaded();
  return readPartner(businessPartnerId.toLong());
}

void BusinessPartner::GetBusinessPartner(int32_t businessPartnerId) { partner_ = readPartner(businessPartnerId); }

Variant BusinessPartner::GetPostalAddressID(const Variant& businessPartnerId) {
  return partnerFor(businessPartnerId).postalAddressId;
}

Variant BusinessPartner::GetShippingAddressID(const Variant& businessPartnerId) {
  return partnerFor(businessPartnerId).shippingAddressId;
}

Variant BusinessPartner::GetCustomerCurrency() { return loaded().currencyCode; }

Variant BusinessPartner::GetCustomerCarrier() { return loaded().carrierCode; }

void BusinessPartner::Release() { partner_.reset(); }

platform::data::RecordsetPtr BusinessPartner::GetAddress(int32_t addressId) {
  auto rs = SalesSession().query(
      "SELECT A.COUNTRYCODE, A.NAME1, A.NAME2, A.STREET1, A.STREET2, A.CITY1, A.CITY2, A.STATEPROVINCE, "
      "A.ZIPCODE, A.PHONE, A.FAX, C.COUNTRYNAME, A.SHORTDESCRIPTION "
      "FROM ADDRESS A LEFT JOIN COUNTRY C ON C.COUNTRYCODE = A.COUNTRYCODE WHERE A.ADDRESSID = " +
      sqlLong(addressId));
  if (rs->empty())
    platform::raiseError(kBusinessPartnerNotFound, kSource, "Address " + std::to_string(addressId) + " does not exist");
  return rs;
}

std::string BusinessPartner::GetKiroAddressCodeFromAddressID(int32_t addressId) {
  auto rs = SalesSession().query("SELECT KIROADDRESSCODE FROM ADDRESS WHERE ADDRESSID = " + sqlLong(addressId));
  return rs->empty() ? std::string() : textOrEmpty(rs->value("KIROADDRESSCODE"));
}

platform::data::RecordsetPtr BusinessPartner::GetTransportCarrier(const Variant& carrierCode) {
  return SalesSession().query("SELECT CARRIERCODE, CARRIERNAME FROM TRANSPORTCARRIER WHERE CARRIERCODE = " +
                              sqlLiteralOf(carrierCode.isNull() ? carrierCode : Variant(carrierCode.toString())));
}

double BusinessPartner::GetDiscountPercentage(int32_t businessPartnerId) {
  const Variant v = readPartner(businessPartnerId).discountPercentage;
  return v.isNull() ? 0.0 : v.toDouble();
}

int16_t BusinessPartner::GetPricingMethod(int32_t businessPartnerId) {
  const Variant v = readPartner(businessPartnerId).pricingMethod;
  return v.isNull() ? int16_t{1} : v.toInteger();
}

std::string BusinessPartner::GetCurrency(int32_t businessPartnerId) {
  return textOrEmpty(readPartner(businessPartnerId).currencyCode);
}

}  // namespace enterprise
