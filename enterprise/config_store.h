// The configuration files of an installation, as the configuration component reads them.
//
// Installation information: $CORVANE_HOME/installations.xml ($CORVANE_HOME defaults to
// $HOME/.corvane) lists the installations of every product, in the order they were made:
//
//   <installations>
//     <installation name="default" product="Merxa" configdir="/srv/merxa/config"/>
//   </installations>
//
// A configuration file holds named sections of keyed values, either at the top level or
// inside an application, which also names the application's database:
//
//   <configuration>                                   (MerxaConfiguration.xml)
//     <application name="Merxa">
//       <connectionstring>Provider=SQLite;Data Source=/srv/merxa/sales.db</connectionstring>
//       <section name="GENERAL_PARAMETERS">
//         <value key="EnableFreight" type="boolean">True</value>
//       </section>
//     </application>
//   </configuration>
//
//   <siteconfiguration>                               (siteconfiguration.xml)
//     <section name="GLOBAL"><value key="SECUREHOSTNAME">shop.example.com</value></section>
//   </siteconfiguration>
//
// The root element's name is not checked. A value's text is returned exactly as written.
// The optional `type` attribute says what the text must read as: string (the default),
// long (32-bit), integer (16-bit), double, boolean (True/False in any case, or a number) or
// date; a text that does not read so is reported when the value is asked for. Section
// names and keys are matched exactly, letter case and blanks included.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace enterprise {

// Errors of the configuration store.
constexpr int32_t kValueNotFound = static_cast<int32_t>(0x8004000F);
constexpr int32_t kStoreNotLoaded = static_cast<int32_t>(0x80040013);  // also: file not readable as XML
constexpr int32_t kValueTypeMismatch = static_cast<int32_t>(0x80040014);

constexpr const char* kConfigurationSource = "Corvane.Configuration";
constexpr const char* kMerxaProduct = "Merxa";
constexpr const char* kMerxaConfigFile = "MerxaConfiguration.xml";
constexpr const char* kSiteConfigFile = "siteconfiguration.xml";

// $CORVANE_HOME, else $HOME/.corvane.
std::string corvaneHome();

// Callers write paths with "\" separators; here they are "/".
std::string nativePath(std::string_view path);

struct Installation {
  std::string name;
  std::string product;
  std::string configDir;
};

// The installations of `product` (letter case ignored) in file order. The file missing gives
// run-time error 53, unreadable 70, not well-formed kStoreNotLoaded.
std::vector<Installation> readInstallations(std::string_view product);

// The configuration directory of the product's last installation; kValueNotFound when the
// product has none.
std::string lastConfigDir(std::string_view product = kMerxaProduct);

struct ConfigValue {
  std::string key;
  std::string type;  // as written, empty for string
  std::string text;
};

struct ConfigSection {
  std::string name;
  std::string application;  // empty for a top-level section
  std::vector<ConfigValue> values;
};

struct ConfigApplication {
  std::string name;
  bool hasConnectionString = false;
  std::string connectionString;
};

// One parsed configuration file; immutable once loaded.
class ConfigDocument {
 public:
  // Reads and parses a file (path with "\" or "/"). Missing: 53; permission denied: 70;
  // a directory or another read failure: 75; not well-formed: kStoreNotLoaded. The thread
  // keeps what it parsed and parses again only when the file has changed since.
  static std::shared_ptr<const ConfigDocument> load(std::string_view path);

  const std::string& path() const { return path_; }
  const ConfigApplication* application(std::string_view name) const;  // null when absent

  // The value of `key` in `section`; with `application` set only that application's sections
  // are searched. Raises kValueNotFound when absent and kValueTypeMismatch when the text does
  // not read as its declared type.
  const std::string& value(std::string_view section, std::string_view key, std::string_view application = {}) const;

  // The application's connection string; kValueNotFound when it has none.
  const std::string& connectionString(std::string_view application) const;

 private:
  static std::shared_ptr<const ConfigDocument> parse(const std::string& path);

  std::string path_;
  std::vector<ConfigSection> sections_;
  std::vector<ConfigApplication> applications_;
};

using ConfigDocumentPtr = std::shared_ptr<const ConfigDocument>;

}  // namespace enterprise
