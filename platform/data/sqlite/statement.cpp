#include "platform/data/sqlite/statement.h"

#include "platform/data/sqlite/error.h"
#include "platform/data/sqlite/types.h"
#include "platform/error.h"

namespace platform::data::sqlite {

namespace {

// Offset of the first character at or after i that is not a blank, a semicolon or inside a
// comment.
size_t skipFiller(const std::string& s, size_t i) {
  while (i < s.size()) {
    const char c = s[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';') {
      ++i;
    } else if (s.compare(i, 2, "--") == 0) {
      const size_t nl = s.find('\n', i);
      i = nl == std::string::npos ? s.size() : nl + 1;
    } else if (s.compare(i, 2, "/*") == 0) {
      const size_t end = s.find("*/", i + 2);
      i = end == std::string::npos ? s.size() : end + 2;
    } else {
      break;
    }
  }
  return i;
}

// Whether the statement changes rows, so that sqlite3_changes64 speaks of it (for other
// statements it still holds the count of an earlier one).
bool changesRows(sqlite3_stmt* stmt) {
  if (sqlite3_stmt_readonly(stmt)) return false;
  const std::string sql = sqlite3_sql(stmt);
  const size_t start = skipFiller(sql, 0);
  size_t end = start;
  while (end < sql.size() && ((sql[end] >= 'A' && sql[end] <= 'Z') || (sql[end] >= 'a' && sql[end] <= 'z'))) ++end;
  const std::string word = upperCase(std::string_view(sql).substr(start, end - start));
  return word == "INSERT" || word == "UPDATE" || word == "DELETE" || word == "REPLACE" || word == "WITH";
}

}  // namespace

bool ColumnFacts::find(sqlite3* db, const char* database, const char* table, const char* column, Facts& out) {
  std::string key = std::string(database ? database : "") + '.' + table + '.' + column;
  auto it = facts_.find(key);
  if (it == facts_.end()) {
    int notNull = 0, primaryKey = 0, autoIncrement = 0;
    std::optional<Facts> facts;
    if (sqlite3_table_column_metadata(db, database, table, column, nullptr, nullptr, &notNull, &primaryKey,
                                      &autoIncrement) == SQLITE_OK)
      facts = Facts{notNull == 0, primaryKey != 0};
    it = facts_.emplace(std::move(key), facts).first;
  }
  if (!it->second) return false;
  out = *it->second;
  return true;
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string sql, ColumnFacts* facts, StatementCache* cache)
    : db_(db), facts_(facts), cache_(cache), sql_(std::move(sql)) {
  if (cache_) {
    StatementCache::Entry kept = cache_->take(sql_);
    if (kept.stmt) {
      stmt_ = kept.stmt;
      tail_ = sql_.size();
      described_ = std::move(kept.columns);
      describedKept_ = true;
      columns_ = described_;
      reprepares_ = reprepares();
      return;
    }
  }
  prepareNext();
  single_ = !moreToCome();
  describeColumns();
}

SqliteStatement::~SqliteStatement() {
  if (cache_ && stmt_ && single_ && describedKept_) {
    cache_->give(std::move(sql_), {stmt_, std::move(described_)});
  } else {
    sqlite3_finalize(stmt_);
  }
}

int SqliteStatement::reprepares() const { return sqlite3_stmt_status(stmt_, SQLITE_STMTSTATUS_REPREPARE, 0); }

bool SqliteStatement::prepareNext() {
  changesRows_ = -1;
  if (stmt_) {
    bindOffset_ += sqlite3_bind_parameter_count(stmt_);
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
  while (tail_ < sql_.size()) {
    const char* start = sql_.c_str() + tail_;
    const char* rest = nullptr;
    const int rc = sqlite3_prepare_v2(db_, start, static_cast<int>(sql_.size() - tail_), &stmt_, &rest);
    if (rc != SQLITE_OK) throwError(db_, rc);
    tail_ = rest && rest > start ? static_cast<size_t>(rest - sql_.c_str()) : sql_.size();
    if (stmt_) return true;  // no statement when only blanks or comments were left
  }
  return false;
}

bool SqliteStatement::moreToCome() const { return skipFiller(sql_, tail_) < sql_.size(); }

void SqliteStatement::applyBinds() {
  const int count = sqlite3_bind_parameter_count(stmt_);
  for (int k = 1; k <= count; ++k) {
    const size_t n = static_cast<size_t>(bindOffset_ + k);
    if (n <= binds_.size()) bindValue(stmt_, k, binds_[n - 1]);
  }
}

void SqliteStatement::describeColumns() {
  columns_.clear();
  describedKept_ = false;
  if (!stmt_) return;
  reprepares_ = reprepares();
  const int n = sqlite3_column_count(stmt_);
  for (int i = 0; i < n; ++i) {
    ColumnInfo c;
    c.name = sqlite3_column_name(stmt_, i);
    if (const char* decl = sqlite3_column_decltype(stmt_, i)) describeDeclaredType(decl, c);
    const char* table = sqlite3_column_table_name(stmt_, i);
    const char* origin = sqlite3_column_origin_name(stmt_, i);
    if (table && origin) {
      c.baseTable = table;
      c.baseColumn = origin;
      ColumnFacts::Facts facts;
      ColumnFacts uncached;
      if ((facts_ ? *facts_ : uncached).find(db_, sqlite3_column_database_name(stmt_, i), table, origin, facts)) {
        c.nullable = facts.nullable;
        c.key = facts.key;
      }
    }
    columns_.push_back(std::move(c));
  }
  // A statement that may be kept keeps its columns as described: reading settles the types of
  // computed columns in columns_.
  if (cache_ && single_) {
    described_ = columns_;
    describedKept_ = true;
  }
}

void SqliteStatement::bind(int index, const Variant& value) {
  if (index < 1) raiseVb(vb::SubscriptOutOfRange, kProviderName);
  if (value.isObject() || value.isArray()) raiseVb(vb::TypeMismatch, kProviderName);
  if (binds_.size() < static_cast<size_t>(index)) binds_.resize(static_cast<size_t>(index), Variant::null());
  binds_[static_cast<size_t>(index) - 1] = value;
}

bool SqliteStatement::stepOnce() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throwError(db_, rc);
}

bool SqliteStatement::step() {
  if (done_ || !stmt_) return false;
  if (!started_) {
    started_ = true;
    applyBinds();
    // Every statement but the last runs to its end; rows they return are not wanted.
    while (moreToCome()) {
      while (stepOnce()) {
      }
      if (changesRows(stmt_)) changes_ += sqlite3_changes64(db_);
      if (!prepareNext()) {
        done_ = true;
        return false;
      }
      applyBinds();
      describeColumns();
    }
  }
  const bool row = stepOnce();
  if (!stepped_) {
    stepped_ = true;
    // Another session changed a table the statement reads, and the engine compiled it anew
    // on this step: its columns are described again, before any value is read.
    if (reprepares() != reprepares_) describeColumns();
  }
  if (row) return true;
  done_ = true;
  if (changesRows_ < 0) changesRows_ = changesRows(stmt_) ? 1 : 0;
  if (changesRows_) changes_ += sqlite3_changes64(db_);
  return false;
}

const ColumnInfo& SqliteStatement::column(int i) const {
  if (i < 0 || i >= columnCount()) raiseVb(vb::ItemNotFound, kProviderName);
  return columns_[static_cast<size_t>(i)];
}

Variant SqliteStatement::value(int i) const {
  if (i < 0 || i >= columnCount()) raiseVb(vb::ItemNotFound, kProviderName);
  return readValue(stmt_, i, columns_[static_cast<size_t>(i)]);
}

}  // namespace platform::data::sqlite
