#include "schema/schema.h"

#include <algorithm>
#include <stdexcept>

#include "schema/embedded_files.h"

namespace schema {

namespace {

std::string_view embedded(std::string_view name) {
  for (int i = 0; i < detail::kEmbeddedFileCount; ++i)
    if (detail::kEmbeddedFiles[i].name == name) return detail::kEmbeddedFiles[i].text;
  throw std::logic_error("schema file not embedded: " + std::string(name));
}

std::string lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// The folder holding a provider's CREATE TABLE statements.
std::string dialectFolder(std::string_view provider) {
  const std::string p = lower(provider);
  if (p == "sqlite") return "sqlite/";
  if (p == "postgresql" || p == "postgres") return "postgres/";
  throw std::invalid_argument("no database schema for provider '" + std::string(provider) + "'");
}

std::string trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1));
}

std::string xmlEscape(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Every .sql file under `folder`, in name order.
std::string scriptsIn(const std::string& folder, std::string_view provider) {
  std::string sql;
  for (int i = 0; i < detail::kEmbeddedFileCount; ++i) {
    const detail::EmbeddedFile& f = detail::kEmbeddedFiles[i];
    if (f.name.substr(0, folder.size()) == folder && f.name.ends_with(".sql")) {
      sql += f.text;
      sql += "\n";
    }
  }
  if (sql.empty()) throw std::invalid_argument("no database schema for provider '" + std::string(provider) + "' yet");
  return sql;
}

std::vector<std::string> tableList(std::string_view file) {
  std::vector<std::string> names;
  std::string_view text = embedded(file);
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    const std::string line = trim(text.substr(0, end));
    if (!line.empty() && line[0] != '#') names.push_back(line);
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return names;
}

}  // namespace

std::string salesSchemaSql(std::string_view provider) { return scriptsIn(dialectFolder(provider), provider); }

std::string demoDataSql() {
  return std::string(embedded("demo_data.sql")) + "\n" + std::string(embedded("demo_captions.sql"));
}

std::vector<std::string> tableNames() { return tableList("tables.txt"); }

std::string erpSchemaSql(std::string_view provider) { return scriptsIn("erp/" + dialectFolder(provider), provider); }

std::string erpDemoDataSql() { return std::string(embedded("erp/demo_data.sql")); }

std::vector<std::string> erpTableNames() { return tableList("erp/tables.txt"); }

std::vector<std::string> statements(std::string_view script) {
  std::vector<std::string> out;
  std::string current;
  char quote = 0;  // the quote character while inside a quoted text or name
  for (size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    const char next = i + 1 < script.size() ? script[i + 1] : '\0';
    if (quote) {
      current += c;
      if (c == quote) quote = 0;  // a doubled quote closes and reopens at once
    } else if (c == '\'' || c == '"') {
      quote = c;
      current += c;
    } else if (c == '-' && next == '-') {
      i = std::min(script.find('\n', i), script.size());
      current += '\n';
    } else if (c == '/' && next == '*') {
      const size_t end = script.find("*/", i + 2);
      i = end == std::string_view::npos ? script.size() : end + 1;
      current += ' ';
    } else if (c == ';') {
      if (std::string s = trim(current); !s.empty()) out.push_back(std::move(s));
      current.clear();
    } else {
      current += c;
    }
  }
  if (std::string s = trim(current); !s.empty()) out.push_back(std::move(s));
  return out;
}

std::string merxaConfigurationXml(const std::string& connectionString) {
  std::string xml(embedded("templates/MerxaConfiguration.xml"));
  const std::string placeholder = "@CONNECTION_STRING@";
  xml.replace(xml.find(placeholder), placeholder.size(), xmlEscape(connectionString));
  return xml;
}

std::string siteConfigurationXml() { return std::string(embedded("templates/siteconfiguration.xml")); }

std::string installationsXml(const std::vector<std::pair<std::string, std::string>>& nameAndConfigDir) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<installations>\n";
  for (const auto& [name, configDir] : nameAndConfigDir)
    xml += "  <installation name=\"" + xmlEscape(name) + "\" product=\"Merxa\" configdir=\"" + xmlEscape(configDir) +
           "\"/>\n";
  xml += "</installations>\n";
  return xml;
}

}  // namespace schema
