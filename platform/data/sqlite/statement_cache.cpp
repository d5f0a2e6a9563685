#include "platform/data/sqlite/statement_cache.h"

namespace platform::data::sqlite {

sqlite3_stmt* StatementCache::take(const std::string& sql) {
  auto it = kept_.find(sql);
  if (it == kept_.end()) return nullptr;
  sqlite3_stmt* stmt = it->second;
  kept_.erase(it);
  return stmt;
}

void StatementCache::give(std::string sql, sqlite3_stmt* stmt) {
  sqlite3_reset(stmt);  // its failure, if it had one, was reported when it ran
  sqlite3_clear_bindings(stmt);
  if (kept_.size() >= kCapacity || !kept_.emplace(std::move(sql), stmt).second) sqlite3_finalize(stmt);
}

void StatementCache::clear() {
  for (auto& [sql, stmt] : kept_) sqlite3_finalize(stmt);
  kept_.clear();
}

}  // namespace platform::data::sqlite
