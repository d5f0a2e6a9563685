// Compiled statements of one SQLite session that return no rows, kept by their text for the
// next statement of the same text (compiling costs SQLite far more than running an INSERT).
// A statement is taken out while in use and given back when done, so two of the same text
// can run at once. SELECTs are not kept: their columns are described before the first step,
// and a table changed by another session would only show at that step.
#pragma once

#include <sqlite3.h>

#include <string>
#include <unordered_map>

namespace platform::data::sqlite {

class StatementCache {
 public:
  static constexpr size_t kCapacity = 128;

  StatementCache() = default;
  ~StatementCache() { clear(); }
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;

  // The kept statement of `sql`, now the caller's; null when none is kept.
  sqlite3_stmt* take(const std::string& sql);
  // Keeps `stmt`, reset and without bindings, under `sql`; finalizes it when the cache is full
  // or one of that text is kept already.
  void give(std::string sql, sqlite3_stmt* stmt);
  // Finalizes every kept statement (when the session changes a schema, and before it closes).
  void clear();
  size_t size() const { return kept_.size(); }

 private:
  std::unordered_map<std::string, sqlite3_stmt*> kept_;
};

}  // namespace platform::data::sqlite
