#include "enterprise/business_partner.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using enterprise::BusinessPartner;
using platform::ComError;
using platform::Variant;

class BusinessPartnerTest : public testsupport::SalesTest {
 protected:
  std::shared_ptr<BusinessPartner> partner = platform::makeObject<BusinessPartner>();
};

TEST_F(BusinessPartnerTest, LoadedPartnerGivesItsAddressesCurrencyAndCarrierUntilReleased) {
  // Late bound, as the basket calls it: the address getters without their optional argument.
  platform::ObjectPtr bp = platform::createObject("CorvoCommon.BusinessPartner");
  bp->call("GetBusinessPartner", {Variant(testsupport::demoPartnerId())});
  EXPECT_EQ(bp->call("GetPostalAddressID").toLong(), 101);
  EXPECT_EQ(bp->call("GetShippingAddressID").toLong(), 102);
  EXPECT_EQ(bp->call("GetCustomerCurrency").toString(), "EUR");
  EXPECT_EQ(bp->call("GetCustomerCarrier").toString(), "ROAD");
  bp->call("Release");
  try {
    bp->call("GetCustomerCurrency");
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, enterprise::kBusinessPartnerNotFound);
  }
}

TEST_F(BusinessPartnerTest, LookupsByIdentifierNeedNoLoadedPartner) {
  EXPECT_EQ(partner->GetPostalAddressID(Variant(1003)).toLong(), 301);
  EXPECT_EQ(partner->GetShippingAddressID(Variant(1003)).toLong(), 302);
  EXPECT_EQ(partner->GetDiscountPercentage(1003), 2.5);
  EXPECT_EQ(partner->GetPricingMethod(1001), 1);
  EXPECT_EQ(partner->GetPricingMethod(1002), 2);
  EXPECT_EQ(partner->GetCurrency(1002), "GBP");
}

TEST_F(BusinessPartnerTest, AnUnknownPartnerOrAddressIsNamedInTheError) {
  for (auto call : std::vector<std::function<void()>>{[&] { partner->GetBusinessPartner(987654); },
                                                      [&] { partner->GetCurrency(987654); },
                                                      [&] { partner->GetAddress(987654); }}) {
    try {
      call();
      ADD_FAILURE();
    } catch (const ComError& e) {
      EXPECT_EQ(e.number, enterprise::kBusinessPartnerNotFound);
      EXPECT_NE(e.description.find("987654"), std::string::npos) << e.description;
    }
  }
}

TEST_F(BusinessPartnerTest, AddressIsOneDetachedRowWithTheCountryName) {
  auto rs = partner->GetAddress(302);
  EXPECT_TRUE(rs->ActiveConnection().isNothing());
  ASSERT_EQ(rs->RecordCount(), 1);
  const char* names[] = {"COUNTRYCODE",   "NAME1",   "NAME2", "STREET1", "STREET2",     "CITY1",           "CITY2",
                         "STATEPROVINCE", "ZIPCODE", "PHONE", "FAX",     "COUNTRYNAME", "SHORTDESCRIPTION"};
  ASSERT_EQ(rs->columnCount(), 13);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(rs->field(i)->Name(), names[i]);
  EXPECT_EQ(rs->value("COUNTRYNAME").toString(), "United States");
  EXPECT_EQ(rs->value("SHORTDESCRIPTION").toString(), "O'Hare dock");
  EXPECT_TRUE(rs->value("PHONE").isNull());

  EXPECT_EQ(partner->GetKiroAddressCodeFromAddressID(101), "AC0101");
  EXPECT_EQ(partner->GetKiroAddressCodeFromAddressID(302), "");     // no ERP code
  EXPECT_EQ(partner->GetKiroAddressCodeFromAddressID(987654), "");  // no address
}

TEST_F(BusinessPartnerTest, CarrierLookupIsEmptyForAnUnknownCode) {
  auto air = partner->GetTransportCarrier(Variant("AIR"));
  ASSERT_FALSE(air->empty());
  EXPECT_EQ(air->value("CARRIERNAME").toString(), "Skyline Air Cargo");
  EXPECT_TRUE(partner->GetTransportCarrier(Variant("NONE"))->empty());
  EXPECT_TRUE(partner->GetTransportCarrier(Variant("x' OR '1'='1"))->empty());
  EXPECT_TRUE(partner->GetTransportCarrier(Variant::null())->empty());
}

}  // namespace
