#include "enterprise/catalog.h"

#include <gtest/gtest.h>

#include "enterprise/sales_database.h"
#include "tests/enterprise/error_of.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Variant;

class CatalogTest : public testsupport::SalesTest {
 protected:
  std::shared_ptr<enterprise::Product> catalog = platform::makeObject<enterprise::Product>();
};

TEST_F(CatalogTest, FlagsAreBooleansEvenWhenUnsetAndAnExpiryIsADate) {
  enterprise::SalesSession().execute("UPDATE PRODUCT SET DISABLED = NULL WHERE PRODUCTID = 502");
  auto properties = catalog->GetProductProperties(502);
  EXPECT_EQ(properties->Item(Variant("DISABLED")).type(), platform::VarType::Boolean);
  EXPECT_FALSE(properties->Item(Variant("DISABLED")).toBool());
  EXPECT_TRUE(properties->Item(Variant("CONFIGURABLE")).toBool());
  EXPECT_EQ(properties->Item(Variant("PARTNUMBER")).toString(), "CONV-BELT");
  EXPECT_TRUE(properties->Item(Variant("PRODUCTEXPIRYDATE")).isNull());
  EXPECT_EQ(catalog->GetProductProperties(4800)->Item(Variant("PRODUCTEXPIRYDATE")).toDate().serial,
            platform::Date::fromParts(2020, 6, 30).serial);

  const platform::ComError e = enterprisetest::errorOf([&] { catalog->GetProductProperties(999); });
  EXPECT_EQ(e.number, enterprise::kProductNotFound);
  EXPECT_NE(e.description.find("999"), std::string::npos) << e.description;
}

}  // namespace
