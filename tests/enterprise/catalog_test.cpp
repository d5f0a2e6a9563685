#include "enterprise/catalog.h"

#include <gtest/gtest.h>

#include "enterprise/sales_database.h"
#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::ComError;
using platform::Date;
using platform::Variant;

class CatalogTest : public testsupport::SalesTest {
 protected:
  std::shared_ptr<enterprise::Product> catalog = platform::makeObject<enterprise::Product>();
};

TEST_F(CatalogTest, APropertyCollectionHoldsTheProductsValuesByName) {
  // Late bound, as the sales tier reads it.
  auto properties = platform::createObject("CorvoCatalog.Product")
                        ->call("GetProductProperties", {Variant(502)})
                        .as<platform::Dictionary>();
  EXPECT_EQ(properties->Item(Variant("PRODUCTID")).toLong(), 502);
  EXPECT_EQ(properties->Item(Variant("PARTNUMBER")).toString(), "CONV-BELT");
  EXPECT_EQ(properties->Item(Variant("DESCRIPTION")).toString(), "Conveyor belt, built to order");
  EXPECT_EQ(properties->Item(Variant("UNITCODE")).toString(), "EA");
  EXPECT_EQ(properties->Item(Variant("CONFIGURABLE")).type(), platform::VarType::Boolean);
  EXPECT_TRUE(properties->Item(Variant("CONFIGURABLE")).toBool());
  EXPECT_FALSE(properties->Item(Variant("DISABLED")).toBool());
  EXPECT_TRUE(properties->Item(Variant("PRODUCTEXPIRYDATE")).isNull());

  const Variant expiry = catalog->GetProductProperties(4800)->Item(Variant("PRODUCTEXPIRYDATE"));
  EXPECT_EQ(expiry.toDate().serial, Date::fromParts(2020, 6, 30).serial);
  EXPECT_TRUE(catalog->GetProductProperties(4801)->Item(Variant("DISABLED")).toBool());
}

TEST_F(CatalogTest, AnUnsetFlagIsOffAndAnUnknownProductIsNamed) {
  enterprise::SalesSession().execute("UPDATE PRODUCT SET DISABLED = NULL, CONFIGURABLE = NULL WHERE PRODUCTID = 502");
  auto properties = catalog->GetProductProperties(502);
  EXPECT_EQ(properties->Item(Variant("DISABLED")).type(), platform::VarType::Boolean);
  EXPECT_FALSE(properties->Item(Variant("DISABLED")).toBool());
  EXPECT_FALSE(properties->Item(Variant("CONFIGURABLE")).toBool());

  try {
    catalog->GetProductProperties(999);
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, enterprise::kProductNotFound);
    EXPECT_NE(e.description.find("999"), std::string::npos) << e.description;
  }
}

}  // namespace
