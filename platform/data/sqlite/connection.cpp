#include "platform/data/sqlite/connection.h"

#include "platform/data/dialect.h"
#include "platform/data/insert_values.h"
#include "platform/data/sqlite/error.h"
#include "platform/data/sqlite/procedure.h"
#include "platform/data/sqlite/provider.h"
#include "platform/data/sqlite/statement.h"
#include "platform/data/sqlite/types.h"
#include "platform/data/types.h"

namespace platform::data::sqlite {

namespace {

const DialectOptions kDialect{/*limitForTop=*/true, /*stripOwnerPrefix=*/true, /*stripNationalPrefix=*/true,
                              /*ifNullForIsNull=*/true, /*numberedPlaceholders=*/false};

// GETDATE(): the local date and time, as the sales SQL uses it for time stamps.
void getDate(sqlite3_context* context, int, sqlite3_value**) {
  const std::string now = Date::now().iso();
  sqlite3_result_text(context, now.c_str(), static_cast<int>(now.size()), SQLITE_TRANSIENT);
}

// Whether a statement may change a table's columns or keys (its first word, blanks skipped).
bool changesSchema(std::string_view sql) {
  size_t i = 0;
  while (i < sql.size() && (sql[i] == ' ' || sql[i] == '\t' || sql[i] == '\r' || sql[i] == '\n')) ++i;
  for (std::string_view word : {"CREATE", "ALTER", "DROP"})
    if (sql.size() - i >= word.size() && equalsNoCase(sql.substr(i, word.size()), word)) return true;
  return false;
}

std::string text(sqlite3_stmt* stmt, int i) {
  const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
  return t ? std::string(t) : std::string();
}

}  // namespace

SqliteConnection::SqliteConnection(sqlite3* db, std::string catalog) : db_(db), catalog_(std::move(catalog)) {
  sqlite3_create_function(db_, "GETDATE", 0, SQLITE_UTF8, nullptr, getDate, nullptr, nullptr);
}

SqliteConnection::~SqliteConnection() {
  cache_.clear();
  sqlite3_close_v2(db_);
}

std::string SqliteConnection::name() const { return kProviderName; }

std::unique_ptr<ProviderStatement> SqliteConnection::prepare(std::string_view sql) {
  ProcedureDefinition procedure;
  if (parseCreateProcedure(sql, procedure)) {
    auto store = std::make_unique<SqliteStatement>(db_, storeProcedureSql());
    store->bind(1, Variant(procedure.name));
    store->bind(2, Variant(procedure.body));
    store->bind(3, Variant(procedure.parameterCount));
    return store;
  }
  if (changesSchema(sql)) {
    facts_.clear();
    cache_.clear();
  }
  std::string translated = translateSql(sql, kDialect);
  LiftedInsert lifted;
  if (!liftInsertValues(translated, LiftOptions{}, lifted))
    return std::make_unique<SqliteStatement>(db_, std::move(translated), &facts_, &cache_);
  auto statement = std::make_unique<SqliteStatement>(db_, std::move(lifted.sql), &facts_, &cache_);
  for (size_t i = 0; i < lifted.values.size(); ++i) statement->bind(static_cast<int>(i + 1), lifted.values[i]);
  return statement;
}

std::unique_ptr<ProviderStatement> SqliteConnection::prepareProcedure(std::string_view name, int parameterCount) {
  std::string body;
  if (findProcedure(name, body)) return prepare(body);
  int declared = 0;
  if (!loadProcedure(db_, procedureKey(name), body, declared))
    throw ProviderException(makeError(SQLITE_ERROR, "Could not find stored procedure '" + std::string(name) + "'."));
  // A parameter left unbound would silently be Null and change what the body finds.
  if (parameterCount != declared)
    throw ProviderException(makeError(SQLITE_ERROR, "Procedure or function '" + std::string(name) + "' expects " +
                                                        std::to_string(declared) + " parameters, " +
                                                        std::to_string(parameterCount) + " were supplied."));
  return prepare(body);
}

void SqliteConnection::run(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) throwError(db_, rc);
}

void SqliteConnection::begin() { run("BEGIN IMMEDIATE"); }

void SqliteConnection::commit() { run("COMMIT"); }

void SqliteConnection::rollback() {
  // Some failures (a full disk, say) end the transaction by themselves.
  if (!sqlite3_get_autocommit(db_)) run("ROLLBACK");
}

std::vector<ColumnInfo> SqliteConnection::tableColumns(const std::string& table) {
  SqliteStatement stmt(db_, "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?)");
  stmt.bind(1, Variant(table));
  std::vector<ColumnInfo> out;
  while (stmt.step()) {
    ColumnInfo c;
    c.name = stmt.value(0).toString();
    describeDeclaredType(stmt.value(1).toString(), c);
    if (c.type == 0) c.type = adVarWChar;
    c.nullable = stmt.value(2).toLong() == 0;
    const Variant dflt = stmt.value(3);
    c.hasDefault = !dflt.isNull();
    if (c.hasDefault) c.defaultValue = dflt.toString();
    c.key = stmt.value(4).toLong() != 0;
    c.baseTable = table;
    c.baseColumn = c.name;
    out.push_back(std::move(c));
  }
  return out;
}

std::vector<std::string> SqliteConnection::tableNames() {
  sqlite3_stmt* stmt = nullptr;
  const char* sql =
      "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
      "AND name <> '_PROCEDURES' ORDER BY name COLLATE NOCASE";
  int rc = sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr);
  if (rc != SQLITE_OK) throwError(db_, rc);
  std::vector<std::string> names;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) names.push_back(text(stmt, 0));
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) throwError(db_, rc);
  return names;
}

bool SqliteConnection::reusable() { return sqlite3_get_autocommit(db_) != 0; }

Variant SqliteConnection::lastInsertKey() {
  const sqlite3_int64 id = sqlite3_last_insert_rowid(db_);
  if (id >= INT32_MIN && id <= INT32_MAX) return Variant(static_cast<int>(id));
  return Variant(static_cast<double>(id));
}

std::string SqliteConnection::originalValueCondition(const ColumnInfo& column, const std::string& quotedColumn) {
  // Compare in the form the value was read in: money rounded to four places, dates as
  // date-times whatever text they were stored as, flags as true or false.
  switch (column.type) {
    case adCurrency: return "round(" + quotedColumn + ", 4) = round(?, 4)";
    case adDBTimeStamp: return "datetime(" + quotedColumn + ") = datetime(?)";
    case adBoolean: return "(" + quotedColumn + " <> 0) = (? <> 0)";
    default: return quotedColumn + " = ?";
  }
}

}  // namespace platform::data::sqlite
