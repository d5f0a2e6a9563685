// A session on a SQLite database file.
//
// Opened with a busy timeout and in WAL mode, so several threads and processes can read and
// write one file: a writer waits for another instead of failing at once. Transactions start
// with BEGIN IMMEDIATE, which takes the write lock up front; a transaction that first reads
// and then writes can then never deadlock against another one doing the same.
//
// The business SQL's dialect is translated on prepare (TOP, the dbo. owner, N'' texts,
// ISNULL), and GETDATE() is provided as a function. CREATE PROCEDURE stores a procedure in the
// database (procedure.h). The values of a one-row INSERT are bound as parameters
// (insert_values.h), so that its compiled form is kept for the next one (statement_cache.h).
#pragma once

#include <sqlite3.h>

#include <string>

#include "platform/data/provider.h"
#include "platform/data/sqlite/statement.h"

namespace platform::data::sqlite {

class SqliteConnection : public ProviderConnection {
 public:
  // Takes ownership of an open handle; `catalog` is the database's name for schema rowsets.
  SqliteConnection(sqlite3* db, std::string catalog);
  ~SqliteConnection() override;
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  std::string name() const override;
  std::unique_ptr<ProviderStatement> prepare(std::string_view sql) override;
  std::unique_ptr<ProviderStatement> prepareProcedure(std::string_view name, int parameterCount) override;
  void begin() override;
  void commit() override;
  void rollback() override;
  std::vector<ColumnInfo> tableColumns(const std::string& table) override;
  std::vector<std::string> tableNames() override;
  std::string catalog() const override { return catalog_; }
  bool reusable() override;
  Variant lastInsertKey() override;
  std::string originalValueCondition(const ColumnInfo& column, const std::string& quotedColumn) override;

  // The engine's own handle, with the settings this provider gave it, for benchmarks that
  // measure the bare engine on the same connection.
  sqlite3* handle() const { return db_; }

 private:
  void run(const char* sql);

  sqlite3* db_;
  std::string catalog_;
  ColumnFacts facts_;      // forgotten whenever this connection changes a schema
  StatementCache cache_;   // likewise
};

}  // namespace platform::data::sqlite
