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

// The parsed connection string: keys are upper-cased ("PROVIDER", "DATA SOURCE", ...).
using ConnectionProperties = std::map<std::string, std::string>;
ConnectionProperties parseConnectionString(std::string_view text);

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
  virtual void commit() = 0;
  virtual void rollback() = 0;
  // Columns of a table in ordinal order, with key flags; empty when there is no such table.
  virtual std::vector<ColumnInfo> tableColumns(const std::string& table) = 0;
  // Whether a pooled connection can be handed out again.
  virtual bool reusable() { return true; }
};

class Provider {
 public:
  virtual ~Provider() = default;
  virtual std::unique_ptr<ProviderConnection> open(const ConnectionProperties& props) = 0;
};

// Providers by name ("SQLite", "PostgreSQL"); letter case ignored.
void registerProvider(const std::string& name, std::shared_ptr<Provider> provider);
std::shared_ptr<Provider> findProvider(const std::string& name);

}  // namespace platform::data
