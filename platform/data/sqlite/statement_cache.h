// Compiled single statements of one SQLite session, kept by their text for the next statement
// of the same text (compiling costs SQLite far more than running an INSERT or a one-row
// SELECT). A statement that returns rows is kept with its columns as they were described
// before it first ran, so a statement taken from the cache answers exactly as a fresh one.
// A statement is taken out while in use and given back when done, so two of the same text can
// run at once.
#pragma once

#include <sqlite3.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/data/provider.h"

namespace platform::data::sqlite {

class StatementCache {
 public:
  static constexpr size_t kCapacity = 128;

  struct Entry {
    sqlite3_stmt* stmt = nullptr;
    std::vector<ColumnInfo> columns;  // as described before the first step; none for a write
  };

  StatementCache() = default;
  ~StatementCache() { clear(); }
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;

  // The kept statement of `sql`, now the caller's; a null stmt when none is kept.
  Entry take(const std::string& sql);
  // Keeps `entry`, its statement reset and without bindings, under `sql`; finalizes the
  // statement when the cache is full or one of that text is kept already.
  void give(std::string sql, Entry entry);
  // Finalizes every kept statement (when the session changes a schema, and before it closes).
  void clear();
  size_t size() const { return kept_.size(); }

 private:
  std::unordered_map<std::string, Entry> kept_;
};

}  // namespace platform::data::sqlite
