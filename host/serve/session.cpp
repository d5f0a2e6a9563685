#include "host/serve/session.h"

#include <cstdio>
#include <fstream>

namespace host::serve {

namespace {
constexpr size_t kEndedRemembered = 10000;
}

std::string randomHex(size_t count) {
  std::vector<unsigned char> bytes(count);
  std::ifstream in("/dev/urandom", std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count)))
    throw std::runtime_error("cannot read /dev/urandom");
  std::string out;
  char hex[3];
  for (unsigned char b : bytes) {
    std::snprintf(hex, sizeof hex, "%02x", b);
    out += hex;
  }
  return out;
}

Apartment::Apartment() : thread_([this] { loop(); }) {}

Apartment::~Apartment() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_one();
  thread_.join();
}

void Apartment::post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  ready_.notify_one();
}

void Apartment::loop() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [&] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

Session::~Session() {
  // The objects were made on the session's thread and are released there.
  apartment_.run([this] {
    handles_.clear();
    objects_.clear();
  });
}

std::string Session::handleOf(const platform::ObjectPtr& object) {
  auto it = handles_.find(object.get());
  if (it != handles_.end()) return it->second;
  std::string handle = id_ + "-" + std::to_string(next_++);
  objects_[handle] = object;
  handles_[object.get()] = handle;
  return handle;
}

platform::ObjectPtr Session::object(const std::string& handle) const {
  auto it = objects_.find(handle);
  return it == objects_.end() ? nullptr : it->second;
}

bool Session::release(const std::string& handle) {
  auto it = objects_.find(handle);
  if (it == objects_.end()) return false;
  handles_.erase(it->second.get());
  objects_.erase(it);
  return true;
}

bool Session::wasReleased(const std::string& handle) const {
  if (SessionTable::sessionOfHandle(handle) != id_ || objects_.count(handle)) return false;
  try {
    const uint64_t n = std::stoull(handle.substr(id_.size() + 1));
    return n > 0 && n < next_;
  } catch (const std::exception&) {
    return false;
  }
}

SessionPtr SessionTable::open(Role role) {
  std::lock_guard lock(mutex_);
  if (sessions_.size() >= config_.maxSessions) return nullptr;
  auto session = std::make_shared<Session>(randomHex(), role);
  sessions_[session->id()] = {session, std::chrono::steady_clock::now()};
  return session;
}

SessionPtr SessionTable::find(const std::string& id) {
  std::lock_guard lock(mutex_);
  auto it = sessions_.find(id);
  if (it == sessions_.end()) return nullptr;
  it->second.lastUsed = std::chrono::steady_clock::now();
  return it->second.session;
}

bool SessionTable::ended(const std::string& id) const {
  std::lock_guard lock(mutex_);
  return ended_.count(id) > 0;
}

bool SessionTable::exists(const std::string& id) const {
  std::lock_guard lock(mutex_);
  return sessions_.count(id) > 0;
}

void SessionTable::remember(const std::string& id) {
  ended_.insert(id);
  endedOrder_.push_back(id);
  if (endedOrder_.size() > kEndedRemembered) {
    ended_.erase(endedOrder_.front());
    endedOrder_.pop_front();
  }
}

void SessionTable::endIdle() {
  std::vector<SessionPtr> ending;  // released outside the lock: that waits for their threads
  {
    std::lock_guard lock(mutex_);
    const auto limit = std::chrono::steady_clock::now() - std::chrono::seconds(config_.sessionIdleSeconds);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
      if (it->second.lastUsed < limit) {
        remember(it->first);
        ending.push_back(std::move(it->second.session));
        it = sessions_.erase(it);
      } else {
        ++it;
      }
    }
  }
}

void SessionTable::endAll() {
  std::map<std::string, Entry> ending;
  {
    std::lock_guard lock(mutex_);
    ending.swap(sessions_);
  }
}

std::string SessionTable::sessionOfHandle(const std::string& handle) {
  const size_t dash = handle.find('-');
  if (dash != 32) return "";
  return handle.substr(0, dash);
}

}  // namespace host::serve
