#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/commands.h"
#include "host/json.h"
#include "platform/registry.h"

namespace host {

using platform::Variant;

namespace {

void usage() {
  std::fputs("usage: merxa call PROGID [--set NAME=VALUE]... [--get NAME]... MEMBER [ARG...]\n", stderr);
}

// Reads one argument into `out`; says why and gives false when no call can take it.
bool readArgument(const std::string& text, Variant& out) {
  try {
    out = parseArgument(text);
    return true;
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "merxa call: the argument %s cannot be passed: %s\n", text.c_str(), e.what());
    return false;
  }
}

}  // namespace

int reportError(const platform::ComError& e) {
  std::fprintf(stderr, "error 0x%s\nsource: %s\ndescription: %s\n", platform::hexNumber(e.number).c_str(),
               e.source.c_str(), e.description.c_str());
  return 1;
}

int runCall(const Arguments& args) {
  // Properties to set before the call and to print after it, given between the ProgID and the
  // member.
  std::vector<std::pair<std::string, Variant>> sets;
  std::vector<std::string> gets;
  size_t member = 1;
  for (; member + 1 < args.size(); member += 2) {
    if (args[member] == "--set") {
      const std::string& assignment = args[member + 1];
      const size_t eq = assignment.find('=');
      if (eq == std::string::npos || eq == 0) {
        std::fprintf(stderr, "merxa call: --set wants NAME=VALUE, not '%s'\n", assignment.c_str());
        return 2;
      }
      sets.emplace_back(assignment.substr(0, eq), Variant());
      if (!readArgument(assignment.substr(eq + 1), sets.back().second)) return 2;
    } else if (args[member] == "--get") {
      gets.push_back(args[member + 1]);
    } else {
      break;
    }
  }
  if (args.empty() || member >= args.size() || args[member] == "--set" || args[member] == "--get") {
    usage();
    return 2;
  }
  platform::Args callArgs(args.size() - member - 1);
  for (size_t i = member + 1; i < args.size(); ++i) {
    if (!readArgument(args[i], callArgs[i - member - 1])) return 2;
  }
  try {
    platform::ObjectPtr object = platform::createObject(args[0]);
    for (const auto& [name, value] : sets) object->put(name, value);
    const platform::Args before = callArgs;
    const Variant result = object->invoke(args[member], platform::CallKind::Call, callArgs);
    std::printf("%s\n", toJson(result).c_str());
    // By-reference arguments the member changed.
    for (size_t i = 0; i < callArgs.size(); ++i) {
      if (toJson(callArgs[i]) != toJson(before[i]))
        std::printf("argument %zu: %s\n", i + 1, toJson(callArgs[i]).c_str());
    }
    for (const std::string& name : gets) std::printf("%s: %s\n", name.c_str(), toJson(object->call(name)).c_str());
    return 0;
  } catch (const platform::ComError& e) {
    return reportError(e);
  }
}

}  // namespace host
