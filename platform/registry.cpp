#include "platform/registry.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/server.h"

namespace platform {

namespace {

using GetClassObjectFn = int32_t (*)(const char*, Factory*);

struct RegistryState {
  std::mutex mutex;
  std::map<std::string, std::vector<Factory>> overrides;  // upper-cased name -> stack
  std::map<std::string, Factory> local;                    // upper-cased ProgID or clsid
  std::map<std::string, void*> libraries;                  // path -> handle, never unloaded
  std::map<std::string, Factory> loaded;                   // name -> factory of a loaded library
};

RegistryState& state() {
  static RegistryState s;
  return s;
}

std::string libraryDirectory(const void* anchor) {
  Dl_info info{};
  if (dladdr(anchor, &info) == 0 || !info.dli_fname) return ".";
  std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string libraryPath(const void* anchor) {
  Dl_info info{};
  if (dladdr(anchor, &info) == 0 || !info.dli_fname) return {};
  char resolved[4096];
  if (realpath(info.dli_fname, resolved)) return resolved;
  return info.dli_fname;
}

[[noreturn]] void cannotCreate(std::string_view name) {
  raiseVb(vb::CantCreateObject, "Platform", vbErrorText(vb::CantCreateObject) + " (" + std::string(name) + ")");
}

// Loads (once) the library and asks it for the class's factory. Called with the lock held.
Factory loadFactory(RegistryState& s, const Registration& reg) {
  void*& handle = s.libraries[reg.library];
  if (!handle) {
    handle = dlopen(reg.library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
  }
  auto get = reinterpret_cast<GetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
  if (!get) return nullptr;
  Factory f;
  if (get(reg.clsid.c_str(), &f) != 0) return nullptr;
  return f;
}

}  // namespace

std::string registrationFilePath() {
  if (const char* env = std::getenv("MERXA_REGISTRY"); env && *env) return env;
  return libraryDirectory(reinterpret_cast<const void*>(&registrationFilePath)) + "/merxa.reg";
}

std::vector<Registration> readRegistrations() {
  std::vector<Registration> out;
  std::ifstream in(registrationFilePath());
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Registration r;
    if (std::getline(fields, r.progId, '\t') && std::getline(fields, r.clsid, '\t') &&
        std::getline(fields, r.library))
      out.push_back(std::move(r));
  }
  return out;
}

void writeRegistrations(const std::string& library, const std::vector<Registration>& entries) {
  const std::string path = registrationFilePath();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
  if (fd < 0) raiseVb(vb::PermissionDenied, "Platform", "Cannot write the registration file " + path);
  ::flock(fd, LOCK_EX);
  std::vector<Registration> kept;
  for (Registration& r : readRegistrations())
    if (r.library != library) kept.push_back(std::move(r));
  for (const Registration& r : entries) kept.push_back(r);
  std::ostringstream text;
  text << "# ProgID\tclass identifier\tlibrary\n";
  for (const Registration& r : kept) text << r.progId << '\t' << r.clsid << '\t' << r.library << '\n';
  const std::string body = text.str();
  bool ok = ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0 &&
            ::write(fd, body.data(), body.size()) == static_cast<ssize_t>(body.size());
  ::flock(fd, LOCK_UN);
  ::close(fd);
  if (!ok) raiseVb(vb::PermissionDenied, "Platform", "Cannot write the registration file " + path);
}

ObjectPtr createObject(std::string_view name) {
  RegistryState& s = state();
  const std::string key = upperCase(name);
  Factory factory;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (auto it = s.overrides.find(key); it != s.overrides.end() && !it->second.empty()) {
      factory = it->second.back();
    } else if (auto l = s.local.find(key); l != s.local.end()) {
      factory = l->second;
    } else if (auto f = s.loaded.find(key); f != s.loaded.end()) {
      factory = f->second;
    } else {
      // Libraries stay loaded, so a class found once is created from memory afterwards.
      for (const Registration& r : readRegistrations()) {
        if (upperCase(r.progId) == key || upperCase(r.clsid) == key) {
          factory = loadFactory(s, r);
          if (factory) s.loaded[key] = factory;
          break;
        }
      }
    }
  }
  if (!factory) cannotCreate(name);
  ObjectPtr obj = factory();
  if (!obj) cannotCreate(name);
  return obj;
}

void registerClass(std::string progId, std::string clsid, Factory factory) {
  RegistryState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!progId.empty()) s.local[upperCase(progId)] = factory;
  if (!clsid.empty()) s.local[upperCase(clsid)] = factory;
}

ScopedOverride::ScopedOverride(std::string progId, Factory factory) : key_(upperCase(progId)) {
  RegistryState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.overrides[key_].push_back(std::move(factory));
}

ScopedOverride::~ScopedOverride() {
  RegistryState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto& stack = s.overrides[key_];
  if (!stack.empty()) stack.pop_back();
}

namespace server {

int32_t registerServer(const void* anchor, const std::vector<ServerClass>& classes) {
  try {
    std::vector<Registration> entries;
    const std::string lib = libraryPath(anchor);
    for (const ServerClass& c : classes) entries.push_back({c.progId, c.clsid, lib});
    writeRegistrations(lib, entries);
    return 0;
  } catch (...) {
    return E_FAIL_;
  }
}

int32_t unregisterServer(const void* anchor) {
  try {
    writeRegistrations(libraryPath(anchor), {});
    return 0;
  } catch (...) {
    return E_FAIL_;
  }
}

int32_t getClassObject(const std::vector<ServerClass>& classes, const char* clsid, Factory* out,
                       std::atomic<int>& live) {
  const std::string key = upperCase(clsid ? clsid : "");
  for (const ServerClass& c : classes) {
    if (upperCase(c.clsid) != key && upperCase(c.progId) != key) continue;
    Factory make = c.factory;
    // Count the objects this library has handed out, for DllCanUnloadNow.
    *out = [make, &live]() -> ObjectPtr {
      ObjectPtr inner = make();
      if (!inner) return nullptr;
      ++live;
      Object* raw = inner.get();
      return ObjectPtr(raw, [keep = std::move(inner), &live](Object*) mutable {
        keep.reset();
        --live;
      });
    };
    return 0;
  }
  return static_cast<int32_t>(0x80040111);  // CLASS_E_CLASSNOTAVAILABLE
}

}  // namespace server

}  // namespace platform
