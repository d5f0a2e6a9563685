// One libpq session on the sales database, behind the data layer's ProviderConnection.
//
// The session is set up once (ISO dates, UTF-8, the schema named by the connection string)
// and then lives in the pool, so everything learnt about tables is kept with it: which table
// and column a result column comes from, whether it is part of the key, whether it may be
// null. A connection is used by one thread at a time, as every pooled connection is.
//
// Statement-level atomicity: the server aborts a whole transaction at the first failing
// statement, where the original's server undid only that statement. Inside a transaction
// every statement therefore runs under a savepoint of its own, so a caller that handles a
// failure can go on and commit the rest, on either database.
#pragma once

#include <libpq-fe.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/data/provider.h"

namespace platform::data::postgres {

struct ResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using ResultPtr = std::unique_ptr<PGresult, ResultDeleter>;

// Parameter values in the server's text form; nothing stands for SQL NULL.
using ParameterTexts = std::vector<std::optional<std::string>>;

class PgConnection final : public ProviderConnection {
 public:
  // Connects with the properties of a connection string (HOST, PORT, DATABASE, USER ID,
  // PASSWORD, SCHEMA, CONNECT TIMEOUT); raises a ProviderException when the server cannot be
  // reached or refuses the login.
  static std::unique_ptr<PgConnection> connect(const ConnectionProperties& props);
  ~PgConnection() override;
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  std::string name() const override;
  std::unique_ptr<ProviderStatement> prepare(std::string_view sql) override;
  std::unique_ptr<ProviderStatement> prepareProcedure(std::string_view name, int parameterCount) override;
  void begin() override;
  void beginAllOrNothing() override;
  void commit() override;
  void rollback() override;
  std::vector<ColumnInfo> tableColumns(const std::string& table) override;
  std::vector<std::string> tableNames() override;
  std::string catalog() const override;
  bool reusable() override;
  Variant lastInsertKey() override;
  void savepoint(const std::string& name) override;
  void releaseSavepoint(const std::string& name) override;
  void rollbackToSavepoint(const std::string& name) override;
  std::string originalValueCondition(const ColumnInfo& column, const std::string& quotedColumn) override;

  // Runs one statement (already in the server's dialect) with its parameters; raises a
  // ProviderException on failure. Statements without parameters may hold several commands.
  ResultPtr run(const std::string& sql, const ParameterTexts& parameters);
  // The result columns of a statement without running it.
  ResultPtr describe(const std::string& sql, int parameterCount);
  // Names, types and base columns of a result's columns.
  std::vector<ColumnInfo> resultColumns(const PGresult* result);

  // The client library's own handle, with the session settings this provider gave it, for
  // benchmarks that measure the bare client on the same connection.
  PGconn* handle() const { return conn_; }

 private:
  explicit PgConnection(PGconn* conn) : conn_(conn) {}

  // A control or catalog statement, run as it is; raises on failure.
  ResultPtr command(const std::string& sql, const ParameterTexts& parameters = {});
  ResultPtr send(const std::string& sql, const ParameterTexts& parameters);
  // Runs `attempt` (which returns its last result) under the statement savepoint when a
  // transaction is open; raises the failure after undoing the statement.
  template <class Attempt>
  ResultPtr guarded(Attempt attempt);
  // The same for one command in a transaction, sent with its savepoint and release in one
  // pipeline; null when the pipeline could not be used (the caller then takes the long way).
  ResultPtr pipelined(const std::string& sql, const ParameterTexts& parameters);
  [[noreturn]] void fail(const PGresult* result);

  struct TableColumns {
    std::string table;                   // upper case
    std::map<int, ColumnInfo> byNumber;  // by attribute number
  };
  // The columns of a table by its OID, loaded on first use and kept for the session.
  const TableColumns& table(Oid oid);
  // Loads the columns of the tables a catalog condition selects ($1 is the parameter).
  std::vector<std::pair<Oid, TableColumns>> loadTables(const std::string& condition, const std::string& parameter);

  PGconn* conn_;
  std::unordered_map<Oid, TableColumns> tables_;
  std::string lastInsertTable_;  // the table the last INSERT named, as written
  bool statementSavepoints_ = true;  // each statement of a transaction undoable on its own
};

}  // namespace platform::data::postgres
