#include "tests/support/sales_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

#include "platform/data/connection.h"
#include "platform/data/provider.h"
#include "schema/schema.h"
#include "tests/support/test_server.h"

namespace testsupport {

namespace fs = std::filesystem;

namespace {

struct Installation {
  fs::path home;
  fs::path configDir;
  std::string connectionString;
};

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

fs::path makeTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/merxa-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder from " + pattern);
  return pattern;
}

// Runs statements in one transaction on a connection of its own.
void runStatements(const std::string& connectionString, const std::vector<std::string>& sql) {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(platform::data::creatingDatabase(connectionString));
  try {
    cn->BeginTrans();
    for (const std::string& statement : sql) cn->executeNoRecords(statement);
    cn->CommitTrans();
  } catch (...) {
    cn->Close();  // rolls the transaction back
    throw;
  }
  cn->Close();
}

void createTables(const std::string& connectionString) {
  const auto props = platform::data::parseConnectionString(connectionString);
  const auto provider = props.find("PROVIDER");
  std::vector<std::string> sql;
  for (const std::string& table : schema::tableNames()) sql.push_back("DROP TABLE IF EXISTS " + table);
  for (std::string& statement :
       schema::statements(schema::salesSchemaSql(provider == props.end() ? std::string("SQLite") : provider->second)))
    sql.push_back(std::move(statement));
  runStatements(connectionString, sql);
}

// The ERP stand-in's database beside the sales database, its tables made afresh and empty.
void createErpTables(const std::string& salesConnectionString) {
  runStatements(salesConnectionString, schema::erpDatabaseStatements(salesConnectionString));
  const std::string erp = schema::erpConnectionString(salesConnectionString);
  const auto props = platform::data::parseConnectionString(erp);
  const auto provider = props.find("PROVIDER");
  std::vector<std::string> sql;
  for (const std::string& table : schema::erpTableNames()) sql.push_back("DROP TABLE IF EXISTS " + table);
  for (std::string& statement :
       schema::statements(schema::erpSchemaSql(provider == props.end() ? std::string("SQLite") : provider->second)))
    sql.push_back(std::move(statement));
  runStatements(erp, sql);
}

Installation makeInstallation() {
  Installation i;
  i.home = makeTempFolder();
  i.configDir = i.home / "merxa" / "config";
  fs::create_directories(i.configDir);
  const std::string server = serverConnectionString();
  i.connectionString =
      !server.empty() ? server : "Provider=SQLite;Data Source=" + (i.home / "merxa" / "sales.db").string();

  writeFile(i.home / "installations.xml", schema::installationsXml({{"default", i.configDir.string()}}));
  writeFile(i.configDir / "MerxaConfiguration.xml", schema::merxaConfigurationXml(i.connectionString));
  writeFile(i.configDir / "siteconfiguration.xml", schema::siteConfigurationXml());
  setenv("CORVANE_HOME", i.home.c_str(), 1);
  setenv("CORVANE_LOG", (i.home / "log" / "merxa.log").c_str(), 1);
  createTables(i.connectionString);
  createErpTables(i.connectionString);

  if (!std::getenv("MERXA_KEEP_TEST_HOME")) {
    static fs::path toRemove;
    toRemove = i.home;
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(toRemove, ec);
    });
  }
  return i;
}

const Installation& installation() {
  static const Installation i = makeInstallation();
  return i;
}

}  // namespace

void ensureEnvironment() { installation(); }

std::string connectionString() { return installation().connectionString; }

std::string corvaneHome() { return installation().home.string(); }

std::string configDir() { return installation().configDir.string(); }

void resetData() {
  static const std::vector<std::string> demoData = schema::statements(schema::demoDataSql());
  const std::vector<std::string> tables = schema::tableNames();
  std::vector<std::string> sql;
  for (auto t = tables.rbegin(); t != tables.rend(); ++t) sql.push_back("DELETE FROM " + *t);
  sql.insert(sql.end(), demoData.begin(), demoData.end());
  runStatements(connectionString(), sql);
}

std::string erpConnectionString() { return schema::erpConnectionString(connectionString()); }

void resetErpData() {
  static const std::vector<std::string> demoData = schema::statements(schema::erpDemoDataSql());
  const std::vector<std::string> tables = schema::erpTableNames();
  std::vector<std::string> sql;
  for (auto t = tables.rbegin(); t != tables.rend(); ++t) sql.push_back("DELETE FROM " + *t);
  sql.insert(sql.end(), demoData.begin(), demoData.end());
  runStatements(erpConnectionString(), sql);
}

int32_t demoPartnerId() { return 1001; }

std::string demoConfigurationId() { return "CFG0001"; }

}  // namespace testsupport
