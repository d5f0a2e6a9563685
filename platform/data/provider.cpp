#include "platform/data/provider.h"

#include <mutex>

namespace platform::data {

namespace {

struct ProviderRegistry {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<Provider>> byName;  // upper-cased name
};

ProviderRegistry& registry() {
  static ProviderRegistry r;
  return r;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

void runControl(ProviderConnection& cn, const std::string& sql) {
  auto stmt = cn.prepare(sql);
  stmt->step();
}

}  // namespace

void registerProvider(const std::string& name, std::shared_ptr<Provider> provider) {
  ProviderRegistry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.byName[upperCase(name)] = std::move(provider);
}

std::shared_ptr<Provider> findProvider(const std::string& name) {
  ProviderRegistry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byName.find(upperCase(trimmed(name)));
  return it == r.byName.end() ? nullptr : it->second;
}

// "Key=Value;Key2=Value2". Values may be quoted with ' or " (a doubled quote inside stands
// for one), so a path may hold a semicolon; blanks around keys and values do not count.
std::string creatingDatabase(const std::string& connectionString) {
  return connectionString + ";Create Database=True";
}

ConnectionProperties parseConnectionString(std::string_view text) {
  ConnectionProperties props;
  size_t i = 0;
  while (i < text.size()) {
    const size_t eq = text.find('=', i);
    if (eq == std::string_view::npos) break;
    const std::string key = upperCase(trimmed(text.substr(i, eq - i)));
    i = eq + 1;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::string value;
    if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
      const char quote = text[i++];
      while (i < text.size()) {
        if (text[i] == quote) {
          if (i + 1 < text.size() && text[i + 1] == quote) {
            value += quote;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += text[i++];
      }
      const size_t semi = text.find(';', i);
      i = semi == std::string_view::npos ? text.size() : semi + 1;
    } else {
      const size_t semi = text.find(';', i);
      const size_t end = semi == std::string_view::npos ? text.size() : semi;
      value = std::string(trimmed(text.substr(i, end - i)));
      i = semi == std::string_view::npos ? text.size() : semi + 1;
    }
    if (!key.empty()) props[key] = value;
  }
  return props;
}

void ProviderConnection::savepoint(const std::string& name) { runControl(*this, "SAVEPOINT " + name); }

void ProviderConnection::releaseSavepoint(const std::string& name) { runControl(*this, "RELEASE SAVEPOINT " + name); }

void ProviderConnection::rollbackToSavepoint(const std::string& name) {
  runControl(*this, "ROLLBACK TO SAVEPOINT " + name);
  runControl(*this, "RELEASE SAVEPOINT " + name);  // the savepoint outlives ROLLBACK TO
}

std::string ProviderConnection::originalValueCondition(const ColumnInfo&, const std::string& quotedColumn) {
  return quotedColumn + " = ?";
}

}  // namespace platform::data
