// Product configurator ("CorvoConfigurator.Configurator"): the configurations of configurable
// products, kept in PRODUCTCONFIGURATION (one row per configuration) and
// PRODUCTCONFIGURATIONOPTION (its chosen options by SEQUENCENUMBER).
//
// The configurator itself only hands out its configuration service, which does the work.
// Configuration identifiers are texts; surrounding blanks are ignored. An unknown identifier
// fails with kConfigurationNotFound.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/object.h"

namespace enterprise {

constexpr int32_t kConfigurationNotFound = static_cast<int32_t>(0x80040201);

class ConfigurationService : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // A new configuration (32 hexadecimal digits) with the source's options, state and price,
  // made for `product` (the SKU as text), `language` and `countryCode`.
  std::string CopyConfiguration(const std::string& configId, const platform::Variant& product,
                                const platform::Variant& language, const platform::Variant& countryCode);
  bool IsComplete(const std::string& configId);
  // 0 when the configuration carries a price, 1 when it has none (the line keeps its own).
  int16_t GetPriceStatus(const std::string& configId);
  platform::Variant GetPrice(const std::string& configId);  // Currency, or Null
  std::string GetPriceCurrency(const std::string& configId);
  // The configuration described for one order line: the configuration's description, then
  // per option "VOP" followed by eight fields separated by ",": configuration, order, line,
  // product, feature code, sequence number, feature description, option value. A "," inside
  // a field is written as ";" so that the fields stay apart.
  std::string GetVariantDescription(const std::string& configId, const platform::Variant& orderId,
                                    const platform::Variant& lineNr);
};

class Configurator : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;
  std::shared_ptr<ConfigurationService> GetConfigurationService();
};

}  // namespace enterprise
