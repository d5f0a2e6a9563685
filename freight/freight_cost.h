// FreightCost ("Merxa.FreightCost"): the freight charge of an order line from the zone model.
// Every product belongs to a freight group (FREIGHTPRODUCT), every group ships from one zone
// (FREIGHTGROUP), a destination lies in the zone of its country whose MAXZIPCODE is the
// smallest not below its postal code, compared as text (COUNTRIESBYZONE), and FREIGHTPRICE
// holds per group, carrier and pair of zones a fixed cost and a cost per item.
//
// A page calls InitZone with the delivery country and postal code, then GetFreightCost per
// line with the zone found. The object keeps the zone and the last product's freight facts
// between calls; nothing here writes the tables. Every value reaches SQL as a literal: a
// product id that is no whole number matches no row.
#pragma once

#include <cstdint>
#include <string>

#include "platform/object.h"

namespace merxa {

using platform::Variant;

class FreightCost : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // DELIVERYFREIGHTCOST + iNumber * ITEMFREIGHTCOST + the product's additional cost (once);
  // 0 when the product's group or ship-from zone is 0 or iNumber is 0. No price row: 0x80040400.
  double GetFreightCost(Variant& iProduct, Variant& iCarrier, Variant& iSTZOne, Variant& iNumber);
  int16_t GetFromZone(Variant& iProductID);
  bool InitZone(std::string& iCountryCode, std::string& iZipCode);
  int16_t ZoneId() const { return zoneId_; }
  std::string ZoneDescription() const { return zoneDescription_; }
  // Loads the product's group, ship-from zone and additional cost (rounded half to even to a
  // whole number); no group: 0x80040400.
  bool InitFreightProduct(Variant& iProduct);
  std::string GetZoneDescription(int16_t& iZoneId);
  bool MultipleShipFromZonesByFreightGroupPresent();
  Variant FreightGroupID() const { return Variant::integer(freightGroupId_); }
  Variant ShipFromZoneID() const { return Variant::integer(shipFromZoneId_); }
  Variant AdditionalCost() const { return Variant::integer(additionalCost_); }

 private:
  int16_t zoneId_ = 0;
  std::string zoneDescription_;
  int16_t freightGroupId_ = 0;
  int16_t shipFromZoneId_ = 0;
  int16_t additionalCost_ = 0;
};

// The error of a missing freight group or price.
constexpr int32_t kFreightNotDefined = static_cast<int32_t>(0x80040400);

}  // namespace merxa
