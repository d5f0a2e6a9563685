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
  std::fputs("usage: merxa call PROGID [--set NAME=VALUE]... [--get NAME]... MEMBER [ARG...] [--then MEMBER [ARG...]]...\n",
             stderr);
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

// One member call of the command line: the member and its arguments.
struct MemberCall {
  std::string member;
  platform::Args arguments;
};

// MEMBER [ARG...] [--then MEMBER [ARG...]]...: several calls on the one object, in order, every
// argument read before any call is made. Empty (after saying why) when an argument cannot be
// read or a --then has no member after it.
std::vector<MemberCall> memberCalls(const Arguments& args, size_t first) {
  std::vector<MemberCall> calls{{args[first], {}}};
  for (size_t i = first + 1; i < args.size(); ++i) {
    if (args[i] == "--then") {
      if (i + 1 == args.size()) {
        usage();
        return {};
      }
      calls.push_back({args[++i], {}});
    } else if (!readArgument(args[i], calls.back().arguments.emplace_back())) {
      return {};
    }
  }
  return calls;
}

// Calls one member and prints its result and the by-reference arguments it changed.
void runMember(platform::Object& object, MemberCall& call) {
  const platform::Args before = call.arguments;
  const Variant result = object.invoke(call.member, platform::CallKind::Call, call.arguments);
  std::printf("%s\n", toJson(result).c_str());
  for (size_t i = 0; i < call.arguments.size(); ++i) {
    if (toJson(call.arguments[i]) != toJson(before[i]))
      std::printf("argument %zu: %s\n", i + 1, toJson(call.arguments[i]).c_str());
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
  if (args.empty() || member >= args.size() || args[member] == "--set" || args[member] == "--get" ||
      args[member] == "--then") {
    usage();
    return 2;
  }
  std::vector<MemberCall> calls = memberCalls(args, member);
  if (calls.empty()) return 2;
  try {
    platform::ObjectPtr object = platform::createObject(args[0]);
    for (const auto& [name, value] : sets) object->put(name, value);
    for (MemberCall& call : calls) {
      if (calls.size() > 1) std::printf("== %s\n", call.member.c_str());
      runMember(*object, call);
    }
    for (const std::string& name : gets) std::printf("%s: %s\n", name.c_str(), toJson(object->call(name)).c_str());
    return 0;
  } catch (const platform::ComError& e) {
    return reportError(e);
  }
}

}  // namespace host
