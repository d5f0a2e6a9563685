#include "platform/data/postgres/connection.h"

#include <algorithm>
#include <cctype>
#include <deque>

#include "platform/data/dialect.h"
#include "platform/data/postgres/error.h"
#include "platform/data/postgres/statement.h"
#include "platform/data/postgres/types.h"
#include "platform/data/types.h"
#include "platform/error.h"

namespace platform::data::postgres {

namespace {

// TOP, the dbo. owner and N'' texts as every engine needs them; $n placeholders; and, since
// unquoted names fold to lower case on this server, the quoted names the data layer writes
// (from the upper-case names it was given) folded the same way.
const DialectOptions kDialect{.numberedPlaceholders = true, .lowerQuotedNames = true};

constexpr const char* kStatementSavepoint = "merxa_statement";
constexpr const char* kDefaultConnectTimeoutSeconds = "10";

// The columns of the tables a condition selects, with key flags and defaults; the domain
// name of a column declared with one of the schema's domains.
constexpr const char* kTableColumnsSql =
    "SELECT c.oid, c.relname, a.attnum, a.attname, a.atttypid, a.atttypmod, a.attnotnull, "
    "       COALESCE(a.attnum = ANY (i.indkey), false), pg_get_expr(d.adbin, d.adrelid), "
    "       CASE WHEN t.typtype = 'd' THEN t.typname END, t.typbasetype "
    "FROM pg_class c "
    "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
    "JOIN pg_type t ON t.oid = a.atttypid "
    "LEFT JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary "
    "LEFT JOIN pg_attrdef d ON d.adrelid = c.oid AND d.adnum = a.attnum "
    "WHERE ";

std::string property(const ConnectionProperties& props, std::initializer_list<const char*> keys) {
  for (const char* key : keys)
    if (auto it = props.find(key); it != props.end()) return it->second;
  return {};
}

// A schema name goes into the session's options, where only a plain name is safe.
bool plainName(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// "dbo.GetPrice", "[dbo].[GetPrice]" and "GetPrice" name one server function.
std::string functionName(std::string_view name) {
  std::string plain;
  for (char c : name)
    if (c != '[' && c != ']' && c != '"') plain += c;
  if (plain.size() > 4 && equalsNoCase(std::string_view(plain).substr(0, 4), "dbo.")) plain.erase(0, 4);
  return plain;
}

// Notices (a DROP ... IF EXISTS that found nothing, say) are not failures; they would only
// clutter the output of the programs.
void ignoreNotice(void*, const char*) {}

// The table an INSERT writes to, as written after INTO (quotes included); empty for any
// other statement.
std::string insertTarget(std::string_view sql) {
  auto skipBlanks = [&](size_t i) {
    while (i < sql.size() && (sql[i] == ' ' || sql[i] == '\t' || sql[i] == '\r' || sql[i] == '\n')) ++i;
    return i;
  };
  auto word = [&](size_t& i, std::string_view w) {
    if (!equalsNoCase(sql.substr(i, w.size()), w)) return false;
    i = skipBlanks(i + w.size());
    return true;
  };
  size_t i = skipBlanks(0);
  if (!word(i, "INSERT") || !word(i, "INTO")) return {};
  size_t end = i;
  while (end < sql.size()) {
    if (sql[end] == '"') {
      end = sql.find('"', end + 1);
      if (end == std::string_view::npos) return {};
      ++end;
    } else if (sql[end] == ' ' || sql[end] == '(' || sql[end] == '\t' || sql[end] == '\r' || sql[end] == '\n') {
      break;
    } else {
      ++end;
    }
  }
  return std::string(sql.substr(i, end - i));
}

const char* text(const PGresult* r, int row, int col) {
  return PQgetisnull(r, row, col) ? nullptr : PQgetvalue(r, row, col);
}

}  // namespace

std::unique_ptr<PgConnection> PgConnection::connect(const ConnectionProperties& props) {
  const std::string schema = property(props, {"SCHEMA"});
  if (!schema.empty() && !plainName(schema))
    raise(providerError(kConnectionFailed, "The schema name '" + schema + "' is not a plain name."));
  // Dates as 'YYYY-MM-DD HH:MM:SS', doubles in a text that reads back exactly, and quotes as
  // the literals of the business SQL expect them, whatever the server's own settings.
  std::string options = "-c DateStyle=ISO,MDY -c extra_float_digits=3 -c standard_conforming_strings=on";
  if (!schema.empty()) options += " -c search_path=" + schema;

  const std::string host = property(props, {"HOST", "SERVER", "DATA SOURCE"});
  const std::string port = property(props, {"PORT"});
  const std::string database = property(props, {"DATABASE", "INITIAL CATALOG"});
  const std::string user = property(props, {"USER ID", "UID", "USER"});
  const std::string password = property(props, {"PASSWORD", "PWD"});
  std::string timeout = property(props, {"CONNECT TIMEOUT"});
  if (timeout.empty()) timeout = kDefaultConnectTimeoutSeconds;

  std::vector<const char*> keys, values;
  std::deque<std::string> texts;  // owns the values; a deque never moves what it holds
  auto add = [&](const char* key, std::string value) {
    if (value.empty()) return;
    keys.push_back(key);
    values.push_back(texts.emplace_back(std::move(value)).c_str());
  };
  add("host", host);
  add("port", port);
  add("dbname", database);
  add("user", user);
  add("password", password);
  add("connect_timeout", timeout);
  add("options", options);
  add("client_encoding", "UTF8");
  add("application_name", "merxa");
  keys.push_back(nullptr);
  values.push_back(nullptr);

  PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 0);
  if (!conn) raise(providerError(kConnectionFailed, "Out of memory while connecting to the server."));
  if (PQstatus(conn) != CONNECTION_OK) {
    // libpq gives no state for a failed connection attempt: the message says why.
    ProviderError e = providerError(kConnectionFailed, resultError(nullptr, conn).description);
    PQfinish(conn);
    raise(std::move(e));
  }
  PQsetNoticeProcessor(conn, ignoreNotice, nullptr);
  return std::unique_ptr<PgConnection>(new PgConnection(conn));
}

PgConnection::~PgConnection() { PQfinish(conn_); }

std::string PgConnection::name() const { return kProviderName; }

std::unique_ptr<ProviderStatement> PgConnection::prepare(std::string_view sql) {
  int placeholders = 0;
  std::string translated = translateSql(sql, kDialect, &placeholders);
  return std::make_unique<PgStatement>(*this, std::move(translated), placeholders);
}

std::unique_ptr<ProviderStatement> PgConnection::prepareProcedure(std::string_view name, int parameterCount) {
  const std::string function = functionName(name);
  std::string sql = "SELECT * FROM " + function + "(";
  for (int i = 1; i <= parameterCount; ++i) sql += (i > 1 ? ", $" : "$") + std::to_string(i);
  sql += ")";
  // A name that is not plain is quoted, so it can never change the statement around it.
  if (!std::all_of(function.begin(), function.end(),
                   [](char c) { return c == '.' || c == '_' || std::isalnum(static_cast<unsigned char>(c)); }))
    sql = "SELECT * FROM " + quoteIdentifier(lowerCase(function)) + sql.substr(sql.find('('));
  return std::make_unique<PgStatement>(*this, std::move(sql), parameterCount);
}

void PgConnection::fail(const PGresult* result) { raise(resultError(result, conn_)); }

ResultPtr PgConnection::send(const std::string& sql, const ParameterTexts& parameters) {
  PGresult* r;
  if (parameters.empty()) {
    r = PQexec(conn_, sql.c_str());  // may hold several commands (a script)
  } else {
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const auto& p : parameters) values.push_back(p ? p->c_str() : nullptr);
    // No parameter types: the server infers each from where it stands, as it does for a
    // quoted literal, so a number may go into a text column and a date text into a timestamp.
    r = PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
  }
  return ResultPtr(r);
}

ResultPtr PgConnection::command(const std::string& sql, const ParameterTexts& parameters) {
  ResultPtr r = send(sql, parameters);
  const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(r.get());
  return r;
}

template <class Attempt>
ResultPtr PgConnection::guarded(Attempt attempt) {
  // Not when the caller gives the whole transaction up at the first failure.
  const bool inTransaction = statementSavepoints_ && PQtransactionStatus(conn_) == PQTRANS_INTRANS;
  if (inTransaction) command(std::string("SAVEPOINT ") + kStatementSavepoint);
  ResultPtr r = attempt();
  const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY) {
    ProviderError e = resultError(r.get(), conn_);
    if (inTransaction && PQstatus(conn_) == CONNECTION_OK) {
      // Undo the statement and go on with the transaction. Should even that fail, the
      // statement's own error is the one worth reporting.
      const std::string name = kStatementSavepoint;
      ResultPtr undo(PQexec(conn_, ("ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name).c_str()));
    }
    raise(std::move(e));
  }
  if (inTransaction) command(std::string("RELEASE SAVEPOINT ") + kStatementSavepoint);
  return r;
}

ResultPtr PgConnection::pipelined(const std::string& sql, const ParameterTexts& parameters) {
  std::vector<const char*> values;
  values.reserve(parameters.size());
  for (const auto& p : parameters) values.push_back(p ? p->c_str() : nullptr);
  const std::string savepoint = std::string("SAVEPOINT ") + kStatementSavepoint;
  const std::string release = std::string("RELEASE SAVEPOINT ") + kStatementSavepoint;
  if (PQenterPipelineMode(conn_) != 1) return nullptr;
  const bool sent =
      PQsendQueryParams(conn_, savepoint.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
      PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr,
                        0) == 1 &&
      PQsendQueryParams(conn_, release.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
      PQpipelineSync(conn_) == 1;
  // The three answers in order, each ended by a null result, then the sync.
  ResultPtr answers[3];
  for (int i = 0; sent && i < 3; ++i) {
    while (PGresult* r = PQgetResult(conn_)) answers[i].reset(r);
  }
  if (sent)
    while (PGresult* r = PQgetResult(conn_)) {
      const bool sync = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
      PQclear(r);
      if (sync) break;
    }
  PQexitPipelineMode(conn_);
  if (!sent || !answers[0] || PQresultStatus(answers[0].get()) != PGRES_COMMAND_OK) return nullptr;
  const ExecStatusType status = answers[1] ? PQresultStatus(answers[1].get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    ProviderError e = resultError(answers[1].get(), conn_);
    if (PQstatus(conn_) == CONNECTION_OK) {
      const std::string name = kStatementSavepoint;
      ResultPtr undo(PQexec(conn_, ("ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name).c_str()));
    }
    raise(std::move(e));
  }
  if (!answers[2] || PQresultStatus(answers[2].get()) != PGRES_COMMAND_OK) fail(answers[2].get());
  return std::move(answers[1]);
}

ResultPtr PgConnection::run(const std::string& sql, const ParameterTexts& parameters) {
  // Inside a transaction each statement runs under a savepoint of its own, so that a failed
  // statement undoes only itself, as on the embedded database; unless the caller gives the
  // whole transaction up at its first failure. Savepoint, statement and release travel
  // together in one round trip; a text that may hold several commands (a script) cannot be
  // pipelined and takes three.
  ResultPtr r;
  if (statementSavepoints_ && PQtransactionStatus(conn_) == PQTRANS_INTRANS && sql.find(';') == std::string::npos)
    r = pipelined(sql, parameters);
  if (!r) r = guarded([&] { return send(sql, parameters); });
  if (std::string target = insertTarget(sql); !target.empty()) lastInsertTable_ = std::move(target);
  return r;
}

ResultPtr PgConnection::describe(const std::string& sql, int parameterCount) {
  return guarded([&] {
    ResultPtr prepared(PQprepare(conn_, "", sql.c_str(), parameterCount, nullptr));
    if (!prepared || PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) return prepared;
    return ResultPtr(PQdescribePrepared(conn_, ""));
  });
}

std::vector<ColumnInfo> PgConnection::resultColumns(const PGresult* result) {
  const int n = PQnfields(result);
  std::vector<ColumnInfo> columns;
  columns.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const Oid tableOid = PQftable(result, i);
    const int number = PQftablecol(result, i);
    const ColumnInfo* base = nullptr;
    if (tableOid != InvalidOid && number > 0) {
      const TableColumns& t = table(tableOid);
      if (auto it = t.byNumber.find(number); it != t.byNumber.end()) base = &it->second;
    }
    ColumnInfo& c = base ? columns.emplace_back(*base) : columns.emplace_back();
    if (base) {  // type, sizes, key and nullability as the table declares them
      c.hasDefault = false;
      c.defaultValue.clear();
    } else {
      describeType(PQftype(result, i), PQfmod(result, i), {}, /*computed=*/true, c);
    }
    c.name.assign(PQfname(result, i));  // in the buffer of the table's name, mostly the same
    upperCaseInPlace(c.name);
  }
  return columns;
}

std::vector<std::pair<Oid, PgConnection::TableColumns>> PgConnection::loadTables(const std::string& condition,
                                                                                 const std::string& parameter) {
  ResultPtr r = command(kTableColumnsSql + condition + " ORDER BY c.oid, a.attnum", {parameter});
  std::vector<std::pair<Oid, TableColumns>> tables;
  for (int row = 0; row < PQntuples(r.get()); ++row) {
    const Oid oid = static_cast<Oid>(std::stoul(PQgetvalue(r.get(), row, 0)));
    if (tables.empty() || tables.back().first != oid)
      tables.push_back({oid, {upperCase(PQgetvalue(r.get(), row, 1)), {}}});
    TableColumns& t = tables.back().second;
    const char* domain = text(r.get(), row, 9);
    const Oid typeOid = static_cast<Oid>(std::stoul(PQgetvalue(r.get(), row, domain ? 10 : 4)));
    ColumnInfo c;
    c.name = upperCase(PQgetvalue(r.get(), row, 3));
    describeType(typeOid, std::stoi(PQgetvalue(r.get(), row, 5)), domain ? domain : "", /*computed=*/false, c);
    c.nullable = std::string_view(PQgetvalue(r.get(), row, 6)) != "t";
    c.key = std::string_view(PQgetvalue(r.get(), row, 7)) == "t";
    if (const char* dflt = text(r.get(), row, 8)) {
      c.hasDefault = true;
      c.defaultValue = dflt;
    }
    c.baseTable = t.table;
    c.baseColumn = c.name;
    t.byNumber.emplace(std::stoi(PQgetvalue(r.get(), row, 2)), std::move(c));
  }
  return tables;
}

const PgConnection::TableColumns& PgConnection::table(Oid oid) {
  if (auto it = tables_.find(oid); it != tables_.end()) return it->second;
  auto loaded = loadTables("c.oid = $1", std::to_string(oid));
  TableColumns& t = tables_[oid];
  if (!loaded.empty()) t = std::move(loaded.front().second);
  return t;
}

std::vector<ColumnInfo> PgConnection::tableColumns(const std::string& table) {
  // Read afresh, so a schema rowset always shows the table as it is now.
  auto loaded = loadTables("c.oid = to_regclass(quote_ident($1)) AND c.relkind IN ('r', 'v', 'm', 'p')",
                           lowerCase(functionName(table)));
  std::vector<ColumnInfo> columns;
  if (loaded.empty()) return columns;
  for (auto& [number, column] : loaded.front().second.byNumber) columns.push_back(column);
  tables_[loaded.front().first] = std::move(loaded.front().second);
  return columns;
}

std::vector<std::string> PgConnection::tableNames() {
  ResultPtr r = command(
      "SELECT upper(relname) FROM pg_class "
      "WHERE relnamespace = current_schema()::regnamespace AND relkind IN ('r', 'v', 'm', 'p')");
  std::vector<std::string> names;
  for (int row = 0; row < PQntuples(r.get()); ++row) names.emplace_back(PQgetvalue(r.get(), row, 0));
  std::sort(names.begin(), names.end());
  return names;
}

std::string PgConnection::catalog() const { return PQdb(conn_); }

void PgConnection::begin() {
  command("BEGIN");
  statementSavepoints_ = true;
}

void PgConnection::beginAllOrNothing() {
  command("BEGIN");
  statementSavepoints_ = false;
}

void PgConnection::commit() {
  ResultPtr r = command("COMMIT");
  // A transaction the server had already aborted answers COMMIT with ROLLBACK; that is a
  // failure, never a success.
  if (std::string_view(PQcmdStatus(r.get())) == "ROLLBACK")
    raise(providerError(kTransactionRolledBack, "The transaction was rolled back by the server."));
}

void PgConnection::rollback() {
  if (PQtransactionStatus(conn_) != PQTRANS_IDLE) command("ROLLBACK");
}

void PgConnection::savepoint(const std::string& name) { command("SAVEPOINT " + name); }

void PgConnection::releaseSavepoint(const std::string& name) { command("RELEASE SAVEPOINT " + name); }

void PgConnection::rollbackToSavepoint(const std::string& name) {
  command("ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name);
}

std::string PgConnection::originalValueCondition(const ColumnInfo& column, const std::string& quotedColumn) {
  // A FLAG read as True may hold any number but 0; a boolean column compares the same way.
  if (column.type == adBoolean) return "(" + quotedColumn + "::integer <> 0) = (?::integer <> 0)";
  return ProviderConnection::originalValueCondition(column, quotedColumn);
}

Variant PgConnection::lastInsertKey() {
  if (lastInsertTable_.empty()) return Variant::null();
  // The value the key's sequence (serial or identity) gave the row this session just added.
  try {
    ResultPtr r = guarded([&] {
      const char* values[] = {lastInsertTable_.c_str()};
      return ResultPtr(PQexecParams(
          conn_,
          "SELECT currval(s) FROM (SELECT pg_get_serial_sequence(c.oid::regclass::text, a.attname) AS s "
          "FROM pg_class c JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary "
          "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum = ANY (i.indkey) "
          "WHERE c.oid = to_regclass($1)) k WHERE s IS NOT NULL",
          1, nullptr, values, nullptr, nullptr, 0));
    });
    if (PQntuples(r.get()) != 1) return Variant::null();
    return valueFromText(adInteger, PQgetvalue(r.get(), 0, 0));
  } catch (const ProviderException&) {
    return Variant::null();  // no key numbered by a sequence, or none numbered in this session
  }
}

bool PgConnection::reusable() { return PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) == PQTRANS_IDLE; }

}  // namespace platform::data::postgres
