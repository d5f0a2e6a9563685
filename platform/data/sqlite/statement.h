// A statement on a SQLite connection. The text may hold several statements separated by
// semicolons (a script, as SQL Server runs a batch): they run in order on the first step,
// the "?" placeholders numbered across all of them, and the last one gives the rows. Until
// the first step the columns are those of the first statement.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/data/provider.h"
#include "platform/data/sqlite/statement_cache.h"

namespace platform::data::sqlite {

// Whether each column of a table is nullable and part of the key, as the engine reports them
// (a lookup per column per statement otherwise); kept per connection and forgotten when the
// connection changes a schema.
class ColumnFacts {
 public:
  struct Facts {
    bool nullable = true;
    bool key = false;
  };
  // The facts of `table`.`column` in database `database`; false when the engine has none.
  bool find(sqlite3* db, const char* database, const char* table, const char* column, Facts& out);
  void clear() { facts_.clear(); }

 private:
  std::unordered_map<std::string, std::optional<Facts>> facts_;  // by "database.table.column"
};

class SqliteStatement : public ProviderStatement {
 public:
  // Prepares the first statement of `sql` (already in SQLite's dialect); throws
  // ProviderException when it does not compile. `facts`, when given, must outlive the
  // statement. With `cache` (which must outlive the statement too) a single statement is
  // taken from it and given back to it when done. The columns are those described before the
  // first step, unless that step had to compile the statement anew (after another session
  // changed a schema): then they are described again on it.
  SqliteStatement(sqlite3* db, std::string sql, ColumnFacts* facts = nullptr, StatementCache* cache = nullptr);
  ~SqliteStatement() override;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  void bind(int index, const Variant& value) override;
  bool step() override;
  int columnCount() const override { return static_cast<int>(columns_.size()); }
  const ColumnInfo& column(int i) const override;
  Variant value(int i) const override;
  int64_t rowsAffected() const override { return changes_; }

 private:
  // Prepares the statement that starts at tail_, skipping blanks and comments; false when
  // nothing is left.
  bool prepareNext();
  void applyBinds();
  void describeColumns();
  bool moreToCome() const;
  bool stepOnce();  // one sqlite3_step; true on a row, throws on failure
  int reprepares() const;  // how often the engine compiled stmt_ anew

  sqlite3* db_;
  ColumnFacts* facts_;
  StatementCache* cache_;
  std::string sql_;
  size_t tail_ = 0;                  // offset in sql_ of the text not yet prepared
  sqlite3_stmt* stmt_ = nullptr;     // the statement being run
  std::vector<Variant> binds_;       // values by placeholder number - 1, across all statements
  int bindOffset_ = 0;               // placeholders of the statements before stmt_
  mutable std::vector<ColumnInfo> columns_;  // types of computed columns settle while reading
  std::vector<ColumnInfo> described_;        // as described, for the cache
  bool describedKept_ = false;               // described_ holds columns_ as described
  int reprepares_ = 0;                       // reprepares() when the columns were described
  bool single_ = true;                       // the text holds one statement
  bool stepped_ = false;                     // the last statement has taken its first step
  bool started_ = false;
  bool done_ = false;
  int64_t changes_ = 0;
  int changesRows_ = -1;  // whether stmt_ changes rows: -1 not yet known
};

}  // namespace platform::data::sqlite
