// Catalogue ("CorvoCatalog.Product"): the shop's products, kept in the master-data table
// PRODUCT of the sales database. A product identifier is the SKU of basket and order lines.
#pragma once

#include <cstdint>

#include "platform/dictionary.h"
#include "platform/object.h"

namespace enterprise {

// An unknown product (the sales tier's own number for a product it cannot get).
constexpr int32_t kProductNotFound = static_cast<int32_t>(0x8004014F);

class Product : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // The properties of one product, keyed by name: PRODUCTID, PARTNUMBER, DESCRIPTION and
  // UNITCODE; CONFIGURABLE and DISABLED as Booleans; PRODUCTEXPIRYDATE, the last day the
  // product is for sale, as a Date, or Null when its sale does not end. A new dictionary per
  // call, the caller's to keep; kProductNotFound for an unknown product.
  platform::DictionaryPtr GetProductProperties(int32_t productId);
};

}  // namespace enterprise
