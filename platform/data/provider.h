// The provider interface: what a database engine must offer the data layer. Providers
// exchange only Variants and ColumnInfo; SQL arrives in the original's SQL Server dialect and
// each provider translates what its engine needs (dialect.h holds the shared rewrites).
//
// Ownership: the pool owns ProviderConnections; a Connection borrows one between Open and
// Close. A ProviderStatement belongs to the connection that prepared it and must not outlive
// it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/value.h"

namespace platform::data {

struct ColumnInfo {
  std::string name;         // as the business code and XML expect it (upper case for PostgreSQL)
  int32_t type = 0;         // DataType code
  int64_t definedSize = -1; // characters for text, bytes for fixed types, -1 unknown
  uint8_t precision = 0;
  uint8_t scale = 0;
  bool nullable = true;
  std::string baseTable;    // table the column comes from, empty for computed columns
  std::string baseColumn;
  bool key = false;         // part of the base table's primary key
  bool hasDefault = false;  // the table declares a default (schema rowsets only)
  std::string defaultValue; // the default's SQL text, when there is one
};

// A provider failure: ComError is thrown with number kProviderError and this as the
// connection's Errors entry.
struct ProviderError {
  std::string description;
  int32_t number = 0;       // the number reported in Errors (kProviderError)
  std::string source;       // provider name
  std::string sqlState;     // 5-character state
  int32_t nativeError = 0;  // engine's own code
};

// What providers throw; the Connection records the error in Errors and raises it as a
// ComError.
class ProviderException : public std::runtime_error {
 public:
  explicit ProviderException(ProviderError e) : std::runtime_error(e.description), error(std::move(e)) {}
  ProviderError error;
};

// The parsed connection string: keys are upper-cased ("PROVIDER", "DATA SOURCE", ...).
using ConnectionProperties = std::map<std::string, std::string>;
ConnectionProperties parseConnectionString(std::string_view text);

// `connectionString` with the property that lets an embedded database's file be created when
// it is missing. Without it, opening a missing file fails, so that a call against a broken
// installation never leaves an empty database behind; only the code that sets a database up
// creates one.
std::string creatingDatabase(const std::string& connectionString);

// Rows a statement has fetched and keeps in its engine's own form, turned into Variants one
// row at a time when the row is first read: a recordset that is only passed on, or of which a
// caller reads a few fields, never pays for building every value. Used by one thread at a
// time, as the recordsets over it are.
class HeldRows {
 public:
  virtual ~HeldRows() = default;
  virtual size_t size() const = 0;
  // Appends the values of row `row` (0-based) to `values`, as ProviderStatement::value gives
  // them.
  virtual void appendRow(size_t row, std::vector<Variant>& values) const = 0;
};

// A prepared statement. columnCount() and column() are valid right after prepare (the type
// of a computed column may be settled by the first row that has a value); a statement without
// columns runs to completion on its first step().
class ProviderStatement {
 public:
  virtual ~ProviderStatement() = default;
  // Binds the i-th "?" placeholder (1-based).
  virtual void bind(int index, const Variant& value) = 0;
  // Runs the statement or fetches the next row; true while a row is available.
  virtual bool step() = 0;
  virtual int columnCount() const = 0;
  virtual const ColumnInfo& column(int i) const = 0;
  virtual Variant value(int i) const = 0;  // Null for SQL NULL, converted by the column type
  // The current row and those after it, at most `limit` (0 for all), handed over as the
  // engine holds them; the statement is then past them. Null from providers that cannot keep
  // rows apart from the statement (the caller then reads them one by one).
  virtual std::shared_ptr<const HeldRows> holdRows([[maybe_unused]] size_t limit) { return nullptr; }
  virtual int64_t rowsAffected() const = 0;
};

class ProviderConnection {
 public:
  virtual ~ProviderConnection() = default;
  virtual std::string name() const = 0;  // "SQLite", "PostgreSQL"
  virtual std::unique_ptr<ProviderStatement> prepare(std::string_view sql) = 0;
  // Stored-procedure call, e.g. "GetPrice" with its parameters in order.
  virtual std::unique_ptr<ProviderStatement> prepareProcedure(std::string_view name, int parameterCount) = 0;
  virtual void begin() = 0;
  // Begins a transaction whose caller gives it up at its first failed statement, so that a
  // failed statement need not be undoable on its own. Engines that pay for undoing single
  // statements (a savepoint around each) skip that cost; the others simply begin.
  virtual void beginAllOrNothing() { begin(); }
  virtual void commit() = 0;
  virtual void rollback() = 0;
  // Columns of a table in ordinal order, with key flags; empty when there is no such table.
  virtual std::vector<ColumnInfo> tableColumns(const std::string& table) = 0;
  // Names of the tables and views, sorted.
  virtual std::vector<std::string> tableNames() = 0;
  // The database's name as schema rowsets report it (TABLE_CATALOG).
  virtual std::string catalog() const { return {}; }
  // Whether a pooled connection can be handed out again.
  virtual bool reusable() { return true; }
  // The key the database gave the row the last INSERT added (an auto-numbered key), or Null
  // when the engine cannot say.
  virtual Variant lastInsertKey() { return Variant::null(); }

  // Nested transaction levels. The defaults send the standard SAVEPOINT statements;
  // rollbackToSavepoint undoes the level's work and ends the level.
  virtual void savepoint(const std::string& name);
  virtual void releaseSavepoint(const std::string& name);
  virtual void rollbackToSavepoint(const std::string& name);

  // The WHERE condition that finds a row whose column still holds a value read earlier, with
  // one "?" for that value (never Null). The default is `column = ?`; engines that store a
  // type loosely compare in the stored form, so a value read and written back matches.
  virtual std::string originalValueCondition(const ColumnInfo& column, const std::string& quotedColumn);
};

class Provider {
 public:
  virtual ~Provider() = default;
  virtual std::unique_ptr<ProviderConnection> open(const ConnectionProperties& props) = 0;
};

// Providers by name ("SQLite", "PostgreSQL"); letter case ignored; null when unknown. Safe
// from any thread.
void registerProvider(const std::string& name, std::shared_ptr<Provider> provider);
std::shared_ptr<Provider> findProvider(const std::string& name);

}  // namespace platform::data
