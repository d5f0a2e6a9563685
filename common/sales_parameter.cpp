#include "common/sales_parameter.h"

#include <map>

#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "platform/dictionary.h"

namespace merxa {

namespace {

constexpr const char* kRoutine = "Merxa.SalesParameter.GetParameterValue(): ";

// Configuration store failures that get a message of their own.
constexpr int32_t kStoreNotLoaded = static_cast<int32_t>(0x80040013);
constexpr int32_t kValueNotFound = static_cast<int32_t>(0x8004000F);
constexpr int32_t kWrongType = static_cast<int32_t>(0x80040014);

const std::map<std::string, std::string>& sections() {
  static const std::map<std::string, std::string> table = {
      {"CyberSource Serverhost", "DIRECTPAYMENT_PARAMETERS"},
      {"Authorization Hard Expiration", "DIRECTPAYMENT_PARAMETERS"},
      {"Authorization Soft Expiration", "DIRECTPAYMENT_PARAMETERS"},
      {"Reallocation", "DIRECTPAYMENT_PARAMETERS"},
      {"Creditcard Ordertype for Backend", "DIRECTPAYMENT_PARAMETERS"},
      {"BackendSalesOrderType BillingStepNumber", "DIRECTPAYMENT_PARAMETERS"},
      {"InvoiceText", "DIRECTPAYMENT_PARAMETERS"},
      {"FreightPartNumber", "FREIGHT_PARAMETERS"},
      {"Freight Unit-code", "FREIGHT_PARAMETERS"},
      {"Multiple Ship-from Zones", "FREIGHT_PARAMETERS"},
      {"Ship-from Zone", "FREIGHT_PARAMETERS"},
      {"CreditCardUse", "GENERAL_PARAMETERS"},
      {"EnableFreight", "GENERAL_PARAMETERS"},
      {"TaxSource", "GENERAL_PARAMETERS"},
      {"Dax Virtual Directory", "GENERAL_PARAMETERS"},
      {"HomeOrganisation", "GENERAL_PARAMETERS"},
      {"SubmittedOrderListPage", "GENERAL_PARAMETERS"},
      {"EnableGetInventoryButton", "GENERAL_PARAMETERS"},
      {"EnableATPCheckButtons", "GENERAL_PARAMETERS"},
      {"QuotationImplemented", "GENERAL_PARAMETERS"},
      {"Expiration Period", "QUOTATION_PARAMETERS"},
      {"Send Notification", "QUOTATION_PARAMETERS"},
      {"Notification Period Before Expiry Date", "QUOTATION_PARAMETERS"},
      {"Logo", "QUOTATION_PARAMETERS"},
      {"Watermark Image", "QUOTATION_PARAMETERS"},
      {"Print Configurations", "QUOTATION_PARAMETERS"},
  };
  return table;
}

// The readable message for a failure of the configuration store.
std::string failureMessage(const ErrorRecord& err, const std::string& name, const std::string& configDir) {
  const std::string prefix = kRoutine;
  switch (err.errNumber()) {
    case kStoreNotLoaded: return prefix + "Configuration store not loaded";
    case kValueNotFound:
      return prefix + "Parameter '" + name + "' is not found " + "in configuration file ..\\config\\MerxaConfiguration.xml";
    case kWrongType:
      return prefix + "Type of parameter '" + name + "' is not valid OR " + "The datatype of the new value is not equal " +
             "to the type of the item";
    case platform::vb::PermissionDenied:
      return prefix + "Access denied for configuration file " + configDir + "\\MerxaConfiguration.xml";
    default: return prefix + "Unknown error " + err.description;
  }
}

}  // namespace

std::string salesParameterSection(const std::string& trimmedName) {
  auto it = sections().find(trimmedName);
  return it == sections().end() ? std::string() : it->second;
}

const platform::DispatchTable& SalesParameter::dispatch() const {
  static const platform::DispatchTable table =
      platform::Members<SalesParameter>("Merxa.SalesParameter")
          .method("GetParameterValue", &SalesParameter::GetParameterValue);
  return table;
}

std::string SalesParameter::GetParameterValue(std::string& iParameter) {
  const std::string name = platform::trimBlanks(iParameter);
  std::string configDir;
  try {
    platform::ObjectPtr config = Sls_GetComponent("Corvane.Configuration");
    auto installations = config->call("GetWebInfo", {Variant("Merxa")}).as<platform::Dictionary>();
    for (const auto& entry : installations->entries()) configDir = entry.second.toObject()->call("ConfigDir").toString();
    config->call("LoadConfigFile", {Variant(configDir + "\\MerxaConfiguration.xml")});
    // The section is chosen once the file is loaded, so that a file that cannot be read is
    // reported as such whatever the name. A name outside the list is a caller's mistake; it is
    // reported, not answered with "".
    const std::string section = salesParameterSection(name);
    if (section.empty()) raiseMerxa(SalesParameterNotFound, "Merxa.SalesParameter", "Parameter " + name + " not found");
    return config->call("GetValue", {Variant(section), Variant(iParameter)}).toString();
  } catch (...) {
    const ErrorRecord err = currentError();
    if (err.number == SalesParameterNotFound) RaiseError(std::string(kRoutine) + "Parameter " + name + " not found");
    RaiseError(failureMessage(err, name, configDir));
    throw;
  }
}

}  // namespace merxa
