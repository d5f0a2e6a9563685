#include "platform/data/sqlite/provider.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/data/sqlite/connection.h"
#include "platform/data/sqlite/error.h"
#include "platform/data/sqlite/procedure.h"
#include "platform/value.h"

namespace platform::data::sqlite {

namespace {

constexpr int kDefaultBusyTimeoutMs = 30000;

struct Procedures {
  std::mutex mutex;
  std::map<std::string, std::string> bodies;  // normalised name -> SQL
};

Procedures& procedures() {
  static Procedures p;
  return p;
}

std::string property(const ConnectionProperties& props, const char* key) {
  auto it = props.find(key);
  return it == props.end() ? std::string() : it->second;
}

// The file's name without folder and extension.
std::string catalogOf(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

const bool registered = [] {
  registerProvider(kProviderName, std::make_shared<SqliteProvider>());
  return true;
}();

}  // namespace

std::unique_ptr<ProviderConnection> SqliteProvider::open(const ConnectionProperties& props) {
  const std::string path = property(props, "DATA SOURCE");
  if (path.empty()) throw ProviderException(makeError(SQLITE_CANTOPEN, "The connection string names no Data Source."));
  const bool create = path == ":memory:" || equalsNoCase(property(props, "CREATE DATABASE"), "True");
  sqlite3* db = nullptr;
  // A connection is used by one thread at a time (the pool hands each out to one caller), so
  // the engine need not lock it on every call.
  int rc = sqlite3_open_v2(path.c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0), nullptr);
  if (rc != SQLITE_OK) {
    ProviderError e = makeError(rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    e.description += " (" + path + ")";
    sqlite3_close(db);
    throw ProviderException(std::move(e));
  }
  auto session = std::make_unique<SqliteConnection>(db, catalogOf(path));
  sqlite3_extended_result_codes(db, 1);
  const std::string timeout = property(props, "BUSY TIMEOUT");
  sqlite3_busy_timeout(db, timeout.empty() ? kDefaultBusyTimeoutMs : std::atoi(timeout.c_str()));
  if (path != ":memory:") {
    // Readers never block the writer in WAL mode. The journal mode sticks to the file; this
    // also proves the file is a database.
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK && (rc & 0xFF) != SQLITE_BUSY && (rc & 0xFF) != SQLITE_LOCKED) throwError(db, rc);
  }
  return session;
}

void registerProcedure(const std::string& name, const std::string& sql) {
  Procedures& p = procedures();
  std::lock_guard<std::mutex> lock(p.mutex);
  p.bodies[procedureKey(name)] = sql;
}

void unregisterProcedure(const std::string& name) {
  Procedures& p = procedures();
  std::lock_guard<std::mutex> lock(p.mutex);
  p.bodies.erase(procedureKey(name));
}

bool findProcedure(std::string_view name, std::string& sql) {
  Procedures& p = procedures();
  std::lock_guard<std::mutex> lock(p.mutex);
  auto it = p.bodies.find(procedureKey(name));
  if (it == p.bodies.end()) return false;
  sql = it->second;
  return true;
}

}  // namespace platform::data::sqlite
