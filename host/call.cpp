#include <cstdio>
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

// One member call of the command line: the member and its arguments as given.
struct MemberCall {
  std::string member;
  std::vector<std::string> arguments;
};

// MEMBER [ARG...] [--then MEMBER [ARG...]]...: several calls on the one object, in order.
// Empty when a --then has no member after it.
std::vector<MemberCall> memberCalls(const Arguments& args, size_t first) {
  std::vector<MemberCall> calls{{args[first], {}}};
  for (size_t i = first + 1; i < args.size(); ++i) {
    if (args[i] != "--then") {
      calls.back().arguments.push_back(args[i]);
    } else if (i + 1 < args.size()) {
      calls.push_back({args[++i], {}});
    } else {
      return {};
    }
  }
  return calls;
}

// Calls one member and prints its result and the by-reference arguments it changed.
void runMember(platform::Object& object, const MemberCall& call) {
  platform::Args callArgs;
  for (const std::string& argument : call.arguments) callArgs.push_back(parseArgument(argument));
  const platform::Args before = callArgs;
  const Variant result = object.invoke(call.member, platform::CallKind::Call, callArgs);
  std::printf("%s\n", toJson(result).c_str());
  for (size_t i = 0; i < callArgs.size(); ++i) {
    if (toJson(callArgs[i]) != toJson(before[i]))
      std::printf("argument %zu: %s\n", i + 1, toJson(callArgs[i]).c_str());
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
      sets.emplace_back(assignment.substr(0, eq), parseArgument(assignment.substr(eq + 1)));
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
  const std::vector<MemberCall> calls = memberCalls(args, member);
  if (calls.empty()) {
    usage();
    return 2;
  }
  try {
    platform::ObjectPtr object = platform::createObject(args[0]);
    for (const auto& [name, value] : sets) object->put(name, value);
    for (const MemberCall& call : calls) {
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
