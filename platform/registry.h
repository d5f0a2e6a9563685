// The class registry: ProgIDs and class identifiers mapped to factories.
//
// Each deliverable is an in-process server, a shared library that exports the four entry
// points of server.h. Registering a library (the `regsvr` tool, run by the build) writes its
// classes into the registration file, one line per class: ProgID, class identifier and the
// library's path, separated by tabs. createObject() looks a name up there and loads the
// library on first use; classes registered in this process (registerClass) and scoped test
// overrides come first.
//
// The registration file is $MERXA_REGISTRY when set, otherwise "merxa.reg" beside the
// platform library. The registry is safe to use from many threads at once.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/object.h"

namespace platform {

using Factory = std::function<ObjectPtr()>;

// Creates an object by ProgID ("Merxa.Basket") or class identifier ("{...}"). Names are
// matched without regard to letter case. Fails with 429 when nothing is registered under
// the name or its library cannot be loaded.
ObjectPtr createObject(std::string_view progIdOrClsid);

// Registers a class in this process only (used by programs that carry classes of their own).
void registerClass(std::string progId, std::string clsid, Factory factory);

// While alive, `progId` creates what `factory` makes; the previous binding returns after.
// Tests put fakes under a ProgID this way.
class ScopedOverride {
 public:
  ScopedOverride(std::string progId, Factory factory);
  ~ScopedOverride();
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

 private:
  std::string key_;
};

// The registration file.
std::string registrationFilePath();

struct Registration {
  std::string progId;
  std::string clsid;
  std::string library;
};

// Reads all lines of the registration file.
std::vector<Registration> readRegistrations();
// Replaces the lines of `library` by `entries` (none to unregister). The file is locked
// while it is rewritten.
void writeRegistrations(const std::string& library, const std::vector<Registration>& entries);

}  // namespace platform
