#include "enterprise/configuration.h"

namespace enterprise {

using platform::Variant;

const platform::DispatchTable& InstallationRecord::dispatch() const {
  static const platform::DispatchTable table = platform::Members<InstallationRecord>("Corvane.InstallationRecord")
                                                   .property("Name", &InstallationRecord::Name)
                                                   .property("Product", &InstallationRecord::Product)
                                                   .property("ConfigDir", &InstallationRecord::ConfigDir);
  return table;
}

const platform::DispatchTable& Configuration::dispatch() const {
  static const platform::DispatchTable table = platform::Members<Configuration>(kConfigurationSource)
                                                   .method("GetWebInfo", &Configuration::GetWebInfo)
                                                   .method("LoadConfigFile", &Configuration::LoadConfigFile)
                                                   .method("OpenApplication", &Configuration::OpenApplication, 1)
                                                   .method("LoadSiteConfig", &Configuration::LoadSiteConfig)
                                                   .method("GetValue", &Configuration::GetValue)
                                                   .method("GetSiteValue", &Configuration::GetSiteValue)
                                                   .method("GetConnectionString", &Configuration::GetConnectionString);
  return table;
}

platform::DictionaryPtr Configuration::GetWebInfo(const std::string& product) {
  auto info = platform::makeObject<platform::Dictionary>();
  for (Installation& i : readInstallations(product)) {
    const std::string name = i.name;
    info->SetItem(Variant(name), Variant(platform::makeObject<InstallationRecord>(std::move(i))));
  }
  return info;
}

void Configuration::LoadConfigFile(const std::string& path) {
  current_.reset();
  application_.clear();
  current_ = ConfigDocument::load(path);
}

void Configuration::OpenApplication(const std::string& application, const Variant& /*mode*/) {
  current_.reset();
  application_.clear();
  ConfigDocumentPtr doc = ConfigDocument::load(lastConfigDir() + "/" + kMerxaConfigFile);
  if (!doc->application(application))
    platform::raiseError(kValueNotFound, kConfigurationSource,
                         "No application '" + application + "' in " + doc->path());
  current_ = std::move(doc);
  application_ = application;
}

void Configuration::LoadSiteConfig() {
  current_.reset();
  application_.clear();
  site_ = ConfigDocument::load(lastConfigDir() + "/" + kSiteConfigFile);
  current_ = site_;
}

const ConfigDocument& Configuration::current() const {
  if (!current_) platform::raiseError(kStoreNotLoaded, kConfigurationSource, "Configuration store not loaded");
  return *current_;
}

std::string Configuration::GetValue(const std::string& section, const std::string& key) {
  return current().value(section, key, application_);
}

std::string Configuration::GetSiteValue(const std::string& section, const std::string& key) {
  if (!site_) platform::raiseError(kStoreNotLoaded, kConfigurationSource, "Site configuration not loaded");
  return site_->value(section, key);
}

std::string Configuration::GetConnectionString(const std::string& application) {
  return current().connectionString(application);
}

}  // namespace enterprise
