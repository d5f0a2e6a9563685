// The pool of provider connections, one list of idle sessions per connection string, as the
// original platform pooled sessions: opening and closing a Connection in every operation stays
// cheap because Close hands the session back here and the next Open takes it again.
//
// Connection strings that differ only in key case, key order or blanks share a pool. Idle
// sessions are handed out newest first; at most kMaxIdle wait per string, older ones are
// closed. Safe from any number of threads; a session is used by one thread at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/data/provider.h"

namespace platform::data {

class ConnectionPool {
 public:
  static constexpr size_t kMaxIdle = 16;

  static ConnectionPool& instance();

  // An idle session for these properties, or a new one from the provider they name.
  // Throws ProviderException when the provider cannot open the database, and ComError 3706
  // when no provider of that name is registered.
  std::unique_ptr<ProviderConnection> acquire(const ConnectionProperties& props);
  // Takes a session back; it must have no transaction open.
  void release(const ConnectionProperties& props, std::unique_ptr<ProviderConnection> session);

  size_t idleCount(const ConnectionProperties& props) const;
  // Closes every idle session (tests that remove their database files call this).
  void closeIdle();

  ~ConnectionPool();

 private:
  ConnectionPool() = default;
  static std::string key(const ConnectionProperties& props);

  mutable std::mutex mutex_;
  std::unordered_map<std::string, std::vector<std::unique_ptr<ProviderConnection>>> idle_;
};

}  // namespace platform::data
