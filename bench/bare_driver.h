// The bare drivers (sqlite3, libpq) on the handle of a session of the provider's own pool, so
// with exactly the provider's connection settings: the plainest way to run the statements a
// benchmark compares our classes with. Each statement is prepared, run and its rows read
// column by column, as a program without our data layer would.
#pragma once

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <stdexcept>
#include <string>

#include "platform/data/postgres/connection.h"
#include "platform/data/sqlite/connection.h"

namespace bench {

class BareDriver {
 public:
  explicit BareDriver(platform::data::ProviderConnection& session) {
    if (auto* embedded = dynamic_cast<platform::data::sqlite::SqliteConnection*>(&session)) db_ = embedded->handle();
    else if (auto* server = dynamic_cast<platform::data::postgres::PgConnection*>(&session)) conn_ = server->handle();
    else throw std::runtime_error("no bare driver for provider " + session.name());
  }

  // Begins a transaction as the provider does.
  void begin() { run(db_ ? "BEGIN IMMEDIATE" : "BEGIN"); }

  void run(const std::string& sql) {
    if (db_) runOn(db_, sql);
    else runOn(conn_, sql);
  }

 private:
  static void runOn(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) benchmark::DoNotOptimize(sqlite3_column_text(stmt, i));
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
  }

  static void runOn(PGconn* conn, const std::string& sql) {
    PGresult* r = PQexec(conn, sql.c_str());
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      const std::string message = PQerrorMessage(conn);
      PQclear(r);
      throw std::runtime_error(message);
    }
    for (int row = 0; row < PQntuples(r); ++row)
      for (int i = 0; i < PQnfields(r); ++i) benchmark::DoNotOptimize(PQgetvalue(r, row, i));
    PQclear(r);
  }

  sqlite3* db_ = nullptr;
  PGconn* conn_ = nullptr;
};

}  // namespace bench
