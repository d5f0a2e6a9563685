#include "freight/freight_cost.h"

#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/lib_sales.h"

namespace merxa {

namespace {

// PRODUCTID is an integer column: a whole number is its literal; anything else matches no row,
// the same way on every database, rather than being pasted into the statement.
std::string productLiteral(const Variant& product) {
  try {
    const Variant number = product.isNumber() ? product : Variant(product.toString());
    const double value = number.toDouble();
    if (value == static_cast<double>(static_cast<int32_t>(value))) return SqlLiteralLong(static_cast<int32_t>(value));
  } catch (const platform::ComError&) {
  }
  return "NULL";
}

RecordsetPtr rowsOf(const std::string& sql) { return Sls_GetDisconnectedRecordset(sql, Sls_ConnectionString()); }

}  // namespace

const platform::DispatchTable& FreightCost::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<FreightCost>("Merxa.FreightCost")
          .method("GetFreightCost", &FreightCost::GetFreightCost)
          .method("GetFromZone", &FreightCost::GetFromZone)
          .method("InitZone", &FreightCost::InitZone)
          .property("ZoneId", &FreightCost::ZoneId)
          .property("ZoneDescription", &FreightCost::ZoneDescription)
          .method("InitFreightProduct", &FreightCost::InitFreightProduct)
          .method("GetZoneDescription", &FreightCost::GetZoneDescription)
          .method("MultipleShipFromZonesByFreightGroupPresent", &FreightCost::MultipleShipFromZonesByFreightGroupPresent)
          .property("FreightGroupID", &FreightCost::FreightGroupID)
          .property("ShipFromZoneID", &FreightCost::ShipFromZoneID)
          .property("AdditionalCost", &FreightCost::AdditionalCost);
  return table;
}

bool FreightCost::InitFreightProduct(Variant& iProduct) {
  return guarded("Merxa.FreightCost.InitFreightProduct", [&] {
    auto rs = rowsOf(
        "SELECT dbo.FREIGHTGROUP.SHIPFROMZONE, dbo.FREIGHTPRODUCT.FREIGHTGROUPID, dbo.FREIGHTPRODUCT.ADDITIONALCOST "
        "FROM dbo.FREIGHTGROUP INNER JOIN dbo.FREIGHTPRODUCT ON "
        "dbo.FREIGHTGROUP.FREIGHTGROUPID = dbo.FREIGHTPRODUCT.FREIGHTGROUPID "
        "WHERE dbo.FREIGHTPRODUCT.PRODUCTID = " + productLiteral(iProduct) +
        " AND dbo.FREIGHTGROUP.FREIGHTGROUPID = dbo.FREIGHTPRODUCT.FREIGHTGROUPID");
    if (rs->empty())
      platform::raiseError(kFreightNotDefined, "Merxa.FreightCost.InitFreightProduct",
                           "No Freight Group defined for :" + (iProduct.isNull() ? std::string() : iProduct.toString()));
    freightGroupId_ = rs->value("FREIGHTGROUPID").toInteger();
    shipFromZoneId_ = rs->value("SHIPFROMZONE").toInteger();
    additionalCost_ = rs->value("ADDITIONALCOST").toInteger();
    return freightGroupId_ != 0 && shipFromZoneId_ != 0;
  });
}

double FreightCost::GetFreightCost(Variant& iProduct, Variant& iCarrier, Variant& iSTZOne, Variant& iNumber) {
  return guarded("Merxa.FreightCost.GetFreightCost", [&]() -> double {
    if (!InitFreightProduct(iProduct)) return 0;
    const double number = iNumber.toDouble();
    if (number == 0) return 0;
    auto rs = rowsOf("SELECT DELIVERYFREIGHTCOST, ITEMFREIGHTCOST From FREIGHTPRICE WHERE (FREIGHTGROUPID = " +
                     SqlLiteralLong(freightGroupId_) + " AND CARRIER = " + SqlLiteralText(iCarrier.toString()) +
                     " AND SHIPFROMZONEID = " + SqlLiteralLong(shipFromZoneId_) +
                     " AND SHIPTOZONEID = " + SqlLiteralLong(iSTZOne.toInteger()) + ")");
    if (rs->empty())
      platform::raiseError(kFreightNotDefined, "Merxa.FreightCost.GetFreightCost", "No Freight Cost record defined.");
    return rs->value("DELIVERYFREIGHTCOST").toDouble() + number * rs->value("ITEMFREIGHTCOST").toDouble() +
           additionalCost_;
  });
}

int16_t FreightCost::GetFromZone(Variant& iProductID) {
  return guarded("Merxa.FreightCost.GetFromZone", [&] {
    auto rs = rowsOf("SELECT dbo.FREIGHTGROUP.SHIPFROMZONE FROM dbo.FREIGHTPRODUCT INNER JOIN "
                     "dbo.FREIGHTGROUP ON dbo.FREIGHTPRODUCT.FREIGHTGROUPID = dbo.FREIGHTGROUP.FREIGHTGROUPID "
                     "WHERE PRODUCTID = " + productLiteral(iProductID));
    // No group: reading the empty result fails, as the caller is told.
    return rs->value("SHIPFROMZONE").toInteger();
  });
}

bool FreightCost::InitZone(std::string& iCountryCode, std::string& iZipCode) {
  return guarded("Merxa.FreightCost.InitZone", [&] {
    auto rs = rowsOf("SELECT TOP 1 dbo.ZONES.ZONEID, dbo.ZONES.ZONEDESCRIPTION, dbo.COUNTRIESBYZONE.MAXZIPCODE "
                     "FROM dbo.COUNTRIESBYZONE INNER JOIN dbo.ZONES ON dbo.COUNTRIESBYZONE.ZoneId = dbo.ZONES.ZoneId "
                     "WHERE (dbo.COUNTRIESBYZONE.COUNTRY = " + SqlLiteralText(iCountryCode) +
                     ") AND (dbo.COUNTRIESBYZONE.MAXZIPCODE >= " + SqlLiteralText(iZipCode) + ") ORDER BY MAXZIPCODE");
    if (!rs->empty()) {
      zoneId_ = rs->value("ZONEID").toInteger();
      zoneDescription_ = rs->value("ZONEDESCRIPTION").toString();
    } else {
      LogError("Merxa.FreightCost.InitZone: Zone is not defined for country " + iCountryCode + " and zip code " +
               iZipCode + " !");
      zoneDescription_.clear();
    }
    return !zoneDescription_.empty() && zoneId_ != 0;
  });
}

std::string FreightCost::GetZoneDescription(int16_t& iZoneId) {
  return guarded("Merxa.FreightCost.GetZoneDescription", [&] {
    auto rs = rowsOf("SELECT TOP 1 dbo.ZONES.ZONEDESCRIPTION FROM dbo.ZONES WHERE dbo.ZONES.ZONEID = " +
                     SqlLiteralLong(iZoneId));
    if (!rs->empty()) return rs->value("ZONEDESCRIPTION").toString();
    LogError("Merxa.FreightCost.GetZoneDescription: Zone not found for id '" + std::to_string(iZoneId) + "'");
    return std::string();
  });
}

bool FreightCost::MultipleShipFromZonesByFreightGroupPresent() {
  return guarded("Merxa.FreightCost.MultipleShipFromZonesByFreightGroupPresent", [&] {
    return rowsOf("SELECT count(dbo.FREIGHTGROUP.SHIPFROMZONE) FROM dbo.FREIGHTGROUP GROUP BY dbo.FREIGHTGROUP.SHIPFROMZONE")
               ->RecordCount() >= 2;
  });
}

}  // namespace merxa
