#include "enterprise/catalog.h"

#include "enterprise/sales_database.h"
#include "enterprise/sql_encoder.h"

namespace enterprise {

using platform::Variant;

namespace {

constexpr const char* kSource = "CorvoCatalog.Product";

// A flag the catalogue leaves unset is off.
Variant flag(const Variant& stored) { return Variant(!stored.isNull() && stored.toBool()); }

}  // namespace

const platform::DispatchTable& Product::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<Product>(kSource).method("GetProductProperties", &Product::GetProductProperties);
  return table;
}

platform::DictionaryPtr Product::GetProductProperties(int32_t productId) {
  auto rs = SalesSession().query(
      "SELECT PRODUCTID, PARTNUMBER, DESCRIPTION, UNITCODE, CONFIGURABLE, DISABLED, PRODUCTEXPIRYDATE "
      "FROM PRODUCT WHERE PRODUCTID = " +
      sqlLong(productId));
  if (rs->empty()) platform::raiseError(kProductNotFound, kSource, "Product " + std::to_string(productId) + " does not exist");
  auto properties = platform::makeObject<platform::Dictionary>();
  for (const char* name : {"PRODUCTID", "PARTNUMBER", "DESCRIPTION", "UNITCODE"})
    properties->Add(Variant(name), rs->value(name));
  for (const char* name : {"CONFIGURABLE", "DISABLED"}) properties->Add(Variant(name), flag(rs->value(name)));
  properties->Add(Variant("PRODUCTEXPIRYDATE"), rs->value("PRODUCTEXPIRYDATE"));
  return properties;
}

}  // namespace enterprise
