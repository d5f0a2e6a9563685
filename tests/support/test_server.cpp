#include "tests/support/test_server.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/provider.h"
#include "schema/schema.h"

namespace testsupport {

namespace {

void runOnce(const std::string& connectionString, const std::vector<std::string>& sql) {
  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(connectionString);
  try {
    for (const std::string& statement : sql) cn->executeNoRecords(statement);
  } catch (...) {
    cn->Close();
    throw;
  }
  cn->Close();
}

std::string makeServerConnectionString() {
  const char* named = std::getenv("MERXA_TEST_CONNECTION");
  if (!named || !*named) return {};
  static const std::string server = named;
  if (!namesPostgres(server)) return server;

  static const std::string schema = "merxa_test_" + std::to_string(getpid());
  runOnce(server, {"DROP SCHEMA IF EXISTS " + schema + " CASCADE", "CREATE SCHEMA " + schema});
  // Registered after the first connection, so this runs before the connection pool is torn
  // down at exit.
  std::atexit([] {
    try {
      std::vector<std::string> drops = ::schema::erpDatabaseStatements(server + ";Schema=" + schema, true);
      drops.push_back("DROP SCHEMA IF EXISTS " + schema + " CASCADE");
      runOnce(server, drops);
    } catch (...) {
      // The server may be gone already; the schema is then left behind, not harmful.
    }
  });
  return server + ";Schema=" + schema;
}

}  // namespace

std::string serverConnectionString() {
  static const std::string connectionString = makeServerConnectionString();
  return connectionString;
}

bool namesPostgres(const std::string& connectionString) {
  const auto props = platform::data::parseConnectionString(connectionString);
  const auto provider = props.find("PROVIDER");
  return provider != props.end() && platform::equalsNoCase(provider->second, "PostgreSQL");
}

}  // namespace testsupport
