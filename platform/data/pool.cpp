#include "platform/data/pool.h"

#include "platform/data/types.h"
#include "platform/error.h"

namespace platform::data {

namespace {
// Set once the pool is destroyed at exit: a Connection closed by a later static destructor
// then just closes its session.
bool poolGone = false;
}  // namespace

ConnectionPool& ConnectionPool::instance() {
  static ConnectionPool pool;
  return pool;
}

ConnectionPool::~ConnectionPool() { poolGone = true; }

std::string ConnectionPool::key(const ConnectionProperties& props) {
  std::string k;
  for (const auto& [name, value] : props) k += name + "=" + (name == "PROVIDER" ? upperCase(value) : value) + ";";
  return k;
}

std::unique_ptr<ProviderConnection> ConnectionPool::acquire(const ConnectionProperties& props) {
  const std::string k = key(props);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = idle_.find(k);
    if (it != idle_.end() && !it->second.empty()) {
      std::unique_ptr<ProviderConnection> session = std::move(it->second.back());
      it->second.pop_back();
      return session;
    }
  }
  auto p = props.find("PROVIDER");
  std::shared_ptr<Provider> provider = findProvider(p == props.end() ? std::string() : p->second);
  if (!provider) raiseVb(kProviderNotFound, "ADODB.Connection", "Provider cannot be found. It may not be properly installed.");
  return provider->open(props);  // outside the lock: opening may wait on the database
}

void ConnectionPool::release(const ConnectionProperties& props, std::unique_ptr<ProviderConnection> session) {
  if (!session || poolGone || !session->reusable()) return;
  std::unique_ptr<ProviderConnection> surplus;  // closed outside the lock
  std::lock_guard<std::mutex> lock(mutex_);
  auto& list = idle_[key(props)];
  list.push_back(std::move(session));
  if (list.size() > kMaxIdle) {
    surplus = std::move(list.front());
    list.erase(list.begin());
  }
}

size_t ConnectionPool::idleCount(const ConnectionProperties& props) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = idle_.find(key(props));
  return it == idle_.end() ? 0 : it->second.size();
}

void ConnectionPool::closeIdle() {
  decltype(idle_) closing;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing.swap(idle_);
  }
}

}  // namespace platform::data
