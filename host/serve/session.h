// Client sessions of the service. A session holds the objects a caller keeps between requests,
// each under a handle "<session id>-<n>", and one thread of its own on which every call of the
// session runs: the classes are apartment-threaded, so an object is made, called and released
// on one thread only.
//
// A session belongs to the token that opened it. It ends when it has been idle too long; its
// objects are then released on its thread. A handle names its session, so a handle of another
// session, of an ended session or one released earlier is told apart from one never given out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>
#include <string>
#include <thread>
#include <unordered_map>

#include "host/serve/service_config.h"
#include "platform/object.h"

namespace host::serve {

// One thread running the tasks given to it, one after the other.
class Apartment {
 public:
  Apartment();
  ~Apartment();  // runs what is queued, then joins the thread
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

  // Runs `task` on the apartment's thread and waits for it; its exception is rethrown here.
  template <class F>
  auto run(F task) -> decltype(task()) {
    std::packaged_task<decltype(task())()> packaged(std::move(task));
    auto future = packaged.get_future();
    post([&packaged] { packaged(); });
    return future.get();
  }

 private:
  void post(std::function<void()> task);
  void loop();

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  std::thread thread_;
};

// How looking up a handle went.
enum class HandleState { Live, Released, OtherSession, EndedSession, Unknown };

class Session {
 public:
  Session(std::string id, Role role) : id_(std::move(id)), role_(role) {}
  ~Session();  // releases the objects on the session's thread

  const std::string& id() const { return id_; }
  Role role() const { return role_; }
  Apartment& apartment() { return apartment_; }

  // The rest run on the session's thread (inside apartment().run).

  // The handle of `object`: the one it already has, else a new one.
  std::string handleOf(const platform::ObjectPtr& object);
  platform::ObjectPtr object(const std::string& handle) const;  // null when not live
  bool release(const std::string& handle);
  // Whether a handle of this session was given out and released since.
  bool wasReleased(const std::string& handle) const;
  size_t handleCount() const { return objects_.size(); }

 private:
  std::string id_;
  Role role_;
  std::map<std::string, platform::ObjectPtr> objects_;
  std::unordered_map<const platform::Object*, std::string> handles_;
  uint64_t next_ = 1;
  Apartment apartment_;  // last: joined before the maps go
};

using SessionPtr = std::shared_ptr<Session>;

// Every open session, and the ids of those that ended (the most recent ones) to say so.
class SessionTable {
 public:
  explicit SessionTable(const ServiceConfig& config) : config_(config) {}

  // A new session for `role`; null when the table is full.
  SessionPtr open(Role role);
  // The session of `id`, its idle time reset; null when there is none.
  SessionPtr find(const std::string& id);
  bool ended(const std::string& id) const;
  bool exists(const std::string& id) const;  // without counting as a use
  // Ends the sessions idle longer than the configuration allows.
  void endIdle();
  // Ends every session (at shutdown).
  void endAll();

  // The session id a handle names, or "" when it names none.
  static std::string sessionOfHandle(const std::string& handle);

 private:
  struct Entry {
    SessionPtr session;
    std::chrono::steady_clock::time_point lastUsed;
  };
  void remember(const std::string& id);

  const ServiceConfig& config_;
  mutable std::mutex mutex_;
  std::map<std::string, Entry> sessions_;
  std::set<std::string> ended_;
  std::deque<std::string> endedOrder_;
};

// `bytes` random bytes from the kernel's generator as hex digits (session ids: 16, tokens: 32).
std::string randomHex(size_t bytes = 16);

}  // namespace host::serve
