#include "common/site_user_product.h"

#include "common/error_handling.h"
#include "common/lib_sales.h"
#include "platform/dictionary.h"

namespace merxa {

namespace {

constexpr const char* kSiteConfigFile = "\\siteconfiguration.xml";

// What the first Sls_CreateUserObject of a thread reads. An empty configDir means the
// thread has not been initialised yet.
struct SiteCache {
  std::string scriptUser;  // with the directory root appended when there is one
  std::string scriptCode;
  std::string configDir;
  std::string siteAddress;  // empty unless the first call asked for it
};

thread_local SiteCache siteCache;

std::string configValue(const ObjectPtr& config, const char* section, const char* key) {
  return config->call("GetValue", {Variant(section), Variant(key)}).toString();
}

// The configuration directory of the last installation whose name is not blank.
std::string installationConfigDir(const ObjectPtr& config) {
  auto installations = config->call("GetWebInfo", {Variant("Merxa")}).as<platform::Dictionary>();
  std::string dir;
  for (const auto& [name, record] : installations->entries())
    if (!platform::trimBlanks(name.toString()).empty()) dir = record.toObject()->call("ConfigDir").toString();
  return dir;
}

// Fills the thread's cache from the site configuration. The cache is written only once
// everything has been read: a thread whose first attempt failed half-way would otherwise
// count as initialised and sign in with an empty account for the rest of its life.
void initialiseSiteCache(bool wantSiteAddress, std::string& helpEmail) {
  SiteCache fresh;
  std::string help;
  {
    ObjectPtr config = Sls_GetComponent("Corvane.Configuration");
    fresh.configDir = installationConfigDir(config);
    config->call("LoadConfigFile", {Variant(fresh.configDir + kSiteConfigFile)});
    fresh.scriptUser = configValue(config, "MEMBERSHIP", "MemScriptUser");
    fresh.scriptCode = configValue(config, "MEMBERSHIP", "MemScriptCode");
    const std::string directoryRoot = configValue(config, "MEMBERSHIP", "LDAPRoot");
    help = configValue(config, "COMMONPARAMETERS", "HELPEMAIL");
    // Below a directory root the script account is named by its distinguished name.
    if (!platform::trimBlanks(directoryRoot).empty()) fresh.scriptUser += "," + directoryRoot;
  }
  if (wantSiteAddress) fresh.siteAddress = Sls_getSiteName();
  siteCache = std::move(fresh);
  helpEmail = std::move(help);
}

}  // namespace

ObjectPtr Sls_CreateUserObject(const std::string& userID, std::string* siteAddress, std::string& helpEmail) {
  return guarded(
      "Lib_Sales.Sls_CreateUserObject()",
      [&] {
        if (!Sls_HasValue(Variant(siteCache.configDir))) initialiseSiteCache(siteAddress != nullptr, helpEmail);
        ObjectPtr members = Sls_GetComponent("CorvoMembership.Members");
        members->call("Initialize", {Variant(siteCache.configDir + kSiteConfigFile)});
        members->call("Authenticate", {Variant(siteCache.scriptUser), Variant(siteCache.scriptCode)});
        ObjectPtr user = members->call("GetUser", {Variant(userID)}).toObject();
        if (siteAddress) *siteAddress = siteCache.siteAddress;
        return user;
      },
      [&] { return "User details couldn't be obtained from CorvoMembership for: " + userID; });
}

std::string Sls_getSiteName() {
  return guarded(
      "Lib_Sales.Sls_getSiteName()",
      [&] {
        ObjectPtr config = Sls_GetComponent("Corvane.Configuration");
        config->call("LoadSiteConfig");
        const bool secure = platform::upperCase(configValue(config, "COMMONPARAMETERS", "SSLMODE")) != "NONE";
        const std::string host = configValue(config, "GLOBAL", secure ? "SECUREHOSTNAME" : "NONSECUREHOSTNAME");
        return std::string(secure ? "HTTPS://" : "HTTP://") + host + "/" +
               configValue(config, "GLOBAL", "APPLICATIONDIRECTORY");
      },
      [] { return std::string("Retrieval of Host & Sitename failed"); });
}

Variant GetProductProperty(int32_t productID, const std::string& propertyName) {
  return guarded("Merxa.Utility.GetProductProperty", [&] {
    ObjectPtr product = Sls_GetComponent("CorvoCatalog.Product");
    auto properties = product->call("GetProductProperties", {Variant(productID)}).as<platform::Dictionary>();
    return properties->Item(Variant(propertyName));
  });
}

Variant GetMinProductProperty(const Variant& productIDs, const std::string& propertyName) {
  return guarded("Merxa.Utility", [&] {
    // Products without a value are passed over wherever they stand, also first: the least
    // known value is wanted, and a Null first would otherwise hide every value after it.
    Variant least = Variant::null();
    const platform::SafeArray& ids = productIDs.array();
    for (int32_t i = ids.lowerBound; i <= ids.upperBound(); ++i) {
      const Variant value = GetProductProperty(ids.at(i).toLong(), propertyName);
      if (value.isNull()) continue;
      if (least.isNull() || platform::compareValues(least, value) > 0) least = value;
    }
    return least;
  });
}

bool ValidProduct(int32_t productID, std::string& errorKey) {
  return guarded("Merxa.Utility.ValidProduct", [&] {
    errorKey.clear();
    const Variant disabled = GetProductProperty(productID, "DISABLED");
    if (!disabled.isNull() && disabled.toBool()) {
      errorKey = "MerxaError_ProductDisabled";
      return false;
    }
    const Variant expiry = GetProductProperty(productID, "PRODUCTEXPIRYDATE");
    if (!expiry.isEmpty() && !expiry.isNull() &&
        platform::compareValues(Variant(platform::Date::today()), expiry) > 0) {
      errorKey = "MerxaError_ProductExpired";
      return false;
    }
    return true;
  });
}

}  // namespace merxa
