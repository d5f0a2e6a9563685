#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/commands.h"
#include "host/serve/service_config.h"
#include "platform/data/connection.h"
#include "platform/object.h"
#include "schema/schema.h"

namespace host {

namespace fs = std::filesystem;

namespace {

bool hasFlag(const Arguments& args, const std::string& flag) {
  for (const auto& a : args)
    if (a == flag) return true;
  return false;
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The value after `flag`, or empty.
std::string flagValue(const Arguments& args, const std::string& flag) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == flag) return args[i + 1];
  return {};
}

// The DROP TABLEs for those of `tables` a database already holds; without --force, holding
// any is an error.
void dropExisting(const std::string& connectionString, const std::vector<std::string>& tables, bool force,
                  std::vector<std::string>& statements) {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(connectionString);
  for (auto t = tables.rbegin(); t != tables.rend(); ++t) {
    if (cn->provider().tableColumns(*t).empty()) continue;
    if (!force) throw std::runtime_error("the database already holds " + *t + "; use --force to replace the tables");
    statements.push_back("DROP TABLE " + *t);
  }
  cn->Close();
}

// A database server's connection string, with the provider named; the tables it already
// holds, the sales tier's and the ERP's, are dropped only with --force.
std::string serverConnection(const std::string& given, bool force, std::vector<std::string>& statements,
                             std::vector<std::string>& erpStatements) {
  std::string connectionString = given;
  if (platform::data::parseConnectionString(given).count("PROVIDER") == 0)
    connectionString = "Provider=PostgreSQL;" + given;
  dropExisting(connectionString, schema::tableNames(), force, statements);
  dropExisting(schema::erpConnectionString(connectionString), schema::erpTableNames(), force, erpStatements);
  return connectionString;
}

// Runs the statements of a schema, then of its demonstration data, in one transaction.
void createTables(const std::string& connectionString, const std::vector<std::string>& drops,
                  const std::string& tablesSql, const std::string& dataSql) {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(platform::data::creatingDatabase(connectionString));
  cn->BeginTrans();
  for (const std::string& statement : drops) cn->executeNoRecords(statement);
  for (const std::string& statement : schema::statements(tablesSql)) cn->executeNoRecords(statement);
  for (const std::string& statement : schema::statements(dataSql)) cn->executeNoRecords(statement);
  cn->CommitTrans();
  cn->Close();
}

}  // namespace

std::string corvaneHome(const Arguments& args) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "--home") return fs::absolute(args[i + 1]).string();
  if (const char* env = std::getenv("CORVANE_HOME"); env && *env) return fs::absolute(env).string();
  const char* home = std::getenv("HOME");
  return std::string(home ? home : ".") + "/.corvane";
}

int runSetup(const Arguments& args) {
  const fs::path home = corvaneHome(args);
  const fs::path dir = home / "merxa";
  const fs::path configDir = dir / "config";
  const fs::path database = dir / "sales.db";
  const bool force = hasFlag(args, "--force");
  const std::string server = flagValue(args, "--postgres");
  if (server.empty() && fs::exists(database) && !force) {
    std::fprintf(stderr, "merxa setup: %s already exists; use --force to replace it\n", database.c_str());
    return 1;
  }
  try {
    std::vector<std::string> drops, erpDrops;
    const std::string connectionString = server.empty() ? "Provider=SQLite;Data Source=" + database.string()
                                                        : serverConnection(server, force, drops, erpDrops);
    const std::string erpConnection = schema::erpConnectionString(connectionString);
    fs::create_directories(configDir);
    if (server.empty())
      for (const char* suffix : {"", "-wal", "-shm"})
        for (const fs::path& file : {database, dir / "erp.db"}) fs::remove(file.string() + suffix);

    const auto provider = platform::data::parseConnectionString(connectionString)["PROVIDER"];
    std::vector<std::string> salesSql = schema::erpDatabaseStatements(connectionString);
    salesSql.insert(salesSql.begin(), drops.begin(), drops.end());
    createTables(connectionString, salesSql, schema::salesSchemaSql(provider), schema::demoDataSql());
    createTables(erpConnection, erpDrops, schema::erpSchemaSql(provider), schema::erpDemoDataSql());
    std::string where = database.string(), erpWhere = (dir / "erp.db").string();
    if (!server.empty()) {
      erpWhere = "PostgreSQL schema " + platform::data::parseConnectionString(erpConnection)["SCHEMA"];
      auto cn = platform::makeObject<platform::data::Connection>();
      cn->open(connectionString);
      where = "PostgreSQL database " + cn->provider().catalog();
      cn->Close();
    }

    writeFile(configDir / "MerxaConfiguration.xml", schema::merxaConfigurationXml(connectionString));
    writeFile(configDir / "siteconfiguration.xml", schema::siteConfigurationXml());
    writeFile(home / "installations.xml", schema::installationsXml({{"default", configDir.string()}}));
    // The service's tokens and allow-lists are kept over a new set-up: the shop's pages hold
    // the tokens, and an operator may have widened the lists.
    const std::string service = serve::serviceConfigPath(home.string());
    if (!fs::exists(service)) serve::writePrivateFile(service, serve::defaultServiceConfigJson());
    std::printf("sales database: %s\nERP database:   %s\nconfiguration:  %s\nservice tokens: %s\ninstallation home: %s\n",
                where.c_str(), erpWhere.c_str(), configDir.c_str(), service.c_str(), home.c_str());
    return 0;
  } catch (const platform::ComError& e) {
    std::fprintf(stderr, "merxa setup: 0x%s %s\n", platform::hexNumber(e.number).c_str(), e.description.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "merxa setup: %s\n", e.what());
  }
  return 1;
}

}  // namespace host
