// Configuration component ("Corvane.Configuration"): installation information and the
// configuration store of an installation. File layouts: config_store.h.
//
// The object keeps the file most recently loaded (LoadConfigFile, OpenApplication or
// LoadSiteConfig) as its current store, which GetValue and GetConnectionString read; the
// site configuration, once loaded, is also kept for GetSiteValue. A failed load leaves no
// current store. Before any load, reads fail with 0x80040013 "Configuration store not loaded".
#pragma once

#include <string>

#include "enterprise/config_store.h"
#include "platform/dictionary.h"
#include "platform/object.h"

namespace enterprise {

// One item of GetWebInfo.
class InstallationRecord : public platform::Object {
 public:
  explicit InstallationRecord(Installation i) : i_(std::move(i)) {}
  const platform::DispatchTable& dispatch() const override;
  std::string Name() const { return i_.name; }
  std::string Product() const { return i_.product; }
  std::string ConfigDir() const { return i_.configDir; }

 private:
  Installation i_;
};

class Configuration : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // Installations of `product`, keyed by installation name, in file order; an installation
  // named twice keeps its first place and its last record.
  platform::DictionaryPtr GetWebInfo(const std::string& product);
  void LoadConfigFile(const std::string& path);
  // Loads the last Merxa installation's MerxaConfiguration.xml and limits reads to the
  // sections of `application` (0x8004000F when the file has no such application). Only
  // reading (mode 0) exists.
  void OpenApplication(const std::string& application, const platform::Variant& mode);
  void LoadSiteConfig();
  std::string GetValue(const std::string& section, const std::string& key);
  std::string GetSiteValue(const std::string& section, const std::string& key);
  std::string GetConnectionString(const std::string& application);

 private:
  const ConfigDocument& current() const;

  ConfigDocumentPtr current_;
  std::string application_;  // limits the current store's sections when set
  ConfigDocumentPtr site_;
};

}  // namespace enterprise
