#include <filesystem>

#include "platform/data/provider.h"
#include "platform/value.h"
#include "schema/schema.h"

namespace schema {

namespace {

using platform::data::ConnectionProperties;

bool isPostgres(const ConnectionProperties& props) {
  const auto p = props.find("PROVIDER");
  return p != props.end() && (platform::equalsNoCase(p->second, "PostgreSQL") || platform::equalsNoCase(p->second, "Postgres"));
}

std::string erpSchemaName(const ConnectionProperties& props) {
  const auto s = props.find("SCHEMA");
  return s == props.end() || s->second.empty() ? std::string("erp") : s->second + "_erp";
}

// A value written so that the parser reads it back unchanged.
std::string asWritten(const std::string& value) {
  if (value.find_first_of(";'\"") == std::string::npos && value == platform::trimBlanks(value)) return value;
  std::string out = "\"";
  for (char c : value) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

std::string erpConnectionString(const std::string& salesConnectionString) {
  ConnectionProperties props = platform::data::parseConnectionString(salesConnectionString);
  if (isPostgres(props)) {
    props["SCHEMA"] = erpSchemaName(props);
  } else if (auto source = props.find("DATA SOURCE"); source != props.end()) {
    source->second = (std::filesystem::path(source->second).parent_path() / "erp.db").string();
  }
  std::string text;
  // The provider first, as every connection string of the installation names it.
  if (auto p = props.find("PROVIDER"); p != props.end()) text = "Provider=" + asWritten(p->second);
  for (const auto& [key, value] : props) {
    if (key == "PROVIDER") continue;
    text += (text.empty() ? "" : ";") + key + "=" + asWritten(value);
  }
  return text;
}

std::vector<std::string> erpDatabaseStatements(const std::string& salesConnectionString, bool drop) {
  const ConnectionProperties props = platform::data::parseConnectionString(salesConnectionString);
  if (!isPostgres(props)) return {};
  const std::string name = erpSchemaName(props);
  if (drop) return {"DROP SCHEMA IF EXISTS " + name + " CASCADE"};
  return {"CREATE SCHEMA IF NOT EXISTS " + name};
}

}  // namespace schema
