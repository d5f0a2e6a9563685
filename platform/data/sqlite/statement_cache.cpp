#include "platform/data/sqlite/statement_cache.h"

namespace platform::data::sqlite {

StatementCache::Entry StatementCache::take(const std::string& sql) {
  auto it = kept_.find(sql);
  if (it == kept_.end()) return {};
  Entry entry = std::move(it->second);
  kept_.erase(it);
  return entry;
}

void StatementCache::give(std::string sql, Entry entry) {
  sqlite3_reset(entry.stmt);  // its failure, if it had one, was reported when it ran
  sqlite3_clear_bindings(entry.stmt);
  sqlite3_stmt* stmt = entry.stmt;
  if (kept_.size() >= kCapacity || !kept_.try_emplace(std::move(sql), std::move(entry)).second)
    sqlite3_finalize(stmt);
}

void StatementCache::clear() {
  for (auto& [sql, entry] : kept_) sqlite3_finalize(entry.stmt);
  kept_.clear();
}

}  // namespace platform::data::sqlite
