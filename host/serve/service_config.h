// The service's configuration, merxa/config/service.json in the installation home: the two
// bearer tokens, the allow-lists of the classes and members each token reaches, and the
// bounds of sessions and requests. `merxa setup` writes it (mode 0600: it holds the tokens).
//
// An allow-list maps a class name to the members callers may use on it, "*" for all. Classes
// under "create" may be created by ProgID; classes under "handles" are reached only through
// objects a call handed out (recordsets, fields, dictionaries). The admin token reaches what
// the page token reaches and the admin lists besides. Adding a class is one line.
#pragma once

#include <map>
#include <set>
#include <string>

namespace host::serve {

// One allow-list: class name (upper case) -> member names (upper case), or {"*"}.
using AllowList = std::map<std::string, std::set<std::string>>;

enum class Role { Page, Admin };

struct Access {
  AllowList create;   // creatable by ProgID
  AllowList handles;  // reachable through handles only
};

struct ServiceConfig {
  std::string pageToken;
  std::string adminToken;
  Access page;
  Access admin;
  size_t maxRequestBytes = 1 << 20;
  int maxNestingDepth = 32;
  size_t maxSessions = 256;
  size_t maxHandlesPerSession = 1000;
  int sessionIdleSeconds = 1200;
  int threads = 16;

  // Whether `role` may call `member` on an object of class `className`; `byProgId` says the
  // object is to be created for the call.
  bool allows(Role role, const std::string& className, const std::string& member, bool byProgId) const;
  // Whether an object of `className` may be handed to a caller of `role` as a handle.
  bool reachable(Role role, const std::string& className) const;
};

// Reads the file; throws std::runtime_error naming what is wrong (missing, not JSON, no tokens).
ServiceConfig loadServiceConfig(const std::string& path);

// The configuration `merxa setup` writes, with fresh random tokens.
std::string defaultServiceConfigJson();

// Writes `text` to `path` readable by its owner only.
void writePrivateFile(const std::string& path, const std::string& text);

// The configuration file of an installation home.
std::string serviceConfigPath(const std::string& corvaneHome);

}  // namespace host::serve
