// Freight by zone through Merxa.FreightCost, on the demonstration zones.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/sales_fixture.h"
#include "tests/support/sales_rows.h"

namespace {

using platform::ObjectPtr;
using platform::Variant;
using testsupport::runOnSales;

class FreightCost : public testsupport::SalesTest {
 protected:
  double cost(Variant product, const char* carrier, int zone, double number) {
    return freight->call("GetFreightCost", {product, Variant(carrier), Variant(zone), Variant(number)}).toDouble();
  }
  int zoneOf(const char* country, const char* zip, bool& found) {
    found = freight->call("InitZone", {Variant(country), Variant(zip)}).toBool();
    return freight->call("ZoneId").toLong();
  }
  int32_t errorOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const platform::ComError& e) {
      return e.number;
    }
    return 0;
  }
  ObjectPtr freight = platform::createObject("Merxa.FreightCost");
};

TEST_F(FreightCost, CostIsDeliveryPlusItemsPlusTheAdditionalCostOnce) {
  runOnSales("UPDATE FREIGHTPRODUCT SET ADDITIONALCOST = 3 WHERE PRODUCTID = 4711");
  EXPECT_DOUBLE_EQ(cost(Variant(4711), "ROAD", 1, 4), 23);       // 10 + 4 * 2.5 + 3
  EXPECT_DOUBLE_EQ(cost(Variant("4711"), "AIR", 6, 1), 105);     // 90 + 12 + 3
  EXPECT_DOUBLE_EQ(cost(Variant(4711), "NOPE", 1, 0), 0);         // no items: no price read
  EXPECT_EQ(errorOf([&] { cost(Variant(4711), "NOPE", 1, 1); }), static_cast<int32_t>(0x80040400));
  EXPECT_EQ(errorOf([&] { cost(Variant(502), "ROAD", 1, 1); }), static_cast<int32_t>(0x80040400));  // no group

  runOnSales("UPDATE FREIGHTPRODUCT SET ADDITIONALCOST = 2.5 WHERE PRODUCTID = 4711");
  freight->call("InitFreightProduct", {Variant(4711)});
  EXPECT_EQ(freight->call("AdditionalCost").toLong(), 2);  // half to even
  runOnSales("UPDATE FREIGHTPRODUCT SET ADDITIONALCOST = 3.5 WHERE PRODUCTID = 4711");
  freight->call("InitFreightProduct", {Variant(4711)});
  EXPECT_EQ(freight->call("AdditionalCost").toLong(), 4);

  runOnSales("UPDATE FREIGHTGROUP SET SHIPFROMZONE = 0 WHERE FREIGHTGROUPID = 1");
  EXPECT_DOUBLE_EQ(cost(Variant(4711), "ROAD", 1, 4), 0);
  EXPECT_EQ(freight->call("GetFromZone", {Variant(4713)}).toLong(), 2);
}

TEST_F(FreightCost, ZonesByCountryAndPostalCodeComparedAsText) {
  bool found = false;
  EXPECT_EQ(zoneOf("NL", "1012 AB", found), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(freight->call("ZoneDescription").toString(), "Netherlands west");
  EXPECT_EQ(zoneOf("NL", "7511 JE", found), 2);
  EXPECT_EQ(zoneOf("DE", "80331", found), 4);
  EXPECT_EQ(zoneOf("DE", "10115", found), 3);
  EXPECT_EQ(zoneOf("DE", "100000", found), 3);  // as text, "100000" comes before "49999"
  EXPECT_EQ(zoneOf("FR", "75001", found), 3);   // no zone: the last one stays, the answer is False
  EXPECT_FALSE(found);
  EXPECT_EQ(freight->call("ZoneDescription").toString(), "");
  EXPECT_EQ(freight->call("GetZoneDescription", {Variant(5)}).toString(), "United Kingdom");
  EXPECT_EQ(freight->call("GetZoneDescription", {Variant(77)}).toString(), "");
  EXPECT_TRUE(freight->call("MultipleShipFromZonesByFreightGroupPresent").toBool());
}

TEST_F(FreightCost, QuotesInValuesAreOrdinaryValues) {
  runOnSales("INSERT INTO COUNTRIESBYZONE (COUNTRY, ZONEID, MAXZIPCODE) VALUES ('X''', 5, 'Z''9')");
  runOnSales("INSERT INTO FREIGHTPRICE (FREIGHTGROUPID, CARRIER, SHIPFROMZONEID, SHIPTOZONEID, DELIVERYFREIGHTCOST, "
             "ITEMFREIGHTCOST) VALUES (1, 'O''NEIL', 1, 5, 7, 1)");
  bool found = false;
  EXPECT_EQ(zoneOf("X'", "Z'1", found), 5);
  EXPECT_TRUE(found);
  EXPECT_FALSE(freight->call("InitZone", {Variant("NL' OR '1'='1"), Variant("1")}).toBool());
  EXPECT_DOUBLE_EQ(cost(Variant(4711), "O'NEIL", 5, 2), 9);
  // A product id that is no number matches no group, on every database alike.
  EXPECT_EQ(errorOf([&] { cost(Variant("4711' OR '1'='1"), "ROAD", 1, 1); }), static_cast<int32_t>(0x80040400));
}

}  // namespace
