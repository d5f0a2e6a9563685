#include <cstdio>
#include <memory>
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
  std::fputs("usage: merxa call PROGID [--set NAME=VALUE]... [--get NAME]... MEMBER [ARG...] [--then MEMBER [ARG...]]...\n"
      "       an ARG of \"[ PROGID MEMBER [ARG...] ]\" is the result of that call\n",
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

// One argument of a call: a value, or "[ PROGID MEMBER [ARG...] ]", the result of that call
// made just before the call that takes it. So one command hands the document one class gives
// to the next, e.g. Merxa.Quotation Create [ Merxa.Basket Restore ID ].
struct NestedCall;
struct Argument {
  Variant value;
  std::shared_ptr<NestedCall> nested;
};

// One member call of the command line: the member and its arguments; the ProgID of a nested
// call.
struct MemberCall {
  std::string member;
  std::vector<Argument> arguments;
};
struct NestedCall {
  std::string progId;
  MemberCall call;
};

// Reads the arguments from args[i] up to "--then", a closing "]" when `nested`, or the end,
// into `out`; leaves i at the token that ended them. False (after saying why) when an argument
// cannot be read or a bracket is unclosed, empty or stray.
bool readArguments(const Arguments& args, size_t& i, bool nested, std::vector<Argument>& out) {
  for (; i < args.size() && args[i] != "--then"; ++i) {
    if (args[i] == "]") {
      if (nested) return true;
      std::fputs("merxa call: a ']' closes no '['\n", stderr);
      return false;
    }
    Argument& argument = out.emplace_back();
    if (args[i] != "[") {
      if (!readArgument(args[i], argument.value)) return false;
      continue;
    }
    if (i + 2 >= args.size() || args[i + 1] == "]" || args[i + 2] == "]" || args[i + 1] == "[" ||
        args[i + 2] == "[") {
      std::fputs("merxa call: '[' wants PROGID MEMBER [ARG...] ']'\n", stderr);
      return false;
    }
    argument.nested = std::make_shared<NestedCall>(NestedCall{args[i + 1], {args[i + 2], {}}});
    i += 3;
    if (!readArguments(args, i, true, argument.nested->call.arguments)) return false;
    if (i == args.size() || args[i] != "]") {
      std::fputs("merxa call: a '[' is not closed by ']'\n", stderr);
      return false;
    }
  }
  if (nested) {
    std::fputs("merxa call: a '[' is not closed by ']'\n", stderr);
    return false;
  }
  return true;
}

// MEMBER [ARG...] [--then MEMBER [ARG...]]...: several calls on the one object, in order, every
// argument read before any call is made. Empty (after saying why) when an argument cannot be
// read or a --then has no member after it.
std::vector<MemberCall> memberCalls(const Arguments& args, size_t first) {
  std::vector<MemberCall> calls{{args[first], {}}};
  for (size_t i = first + 1;;) {
    if (!readArguments(args, i, false, calls.back().arguments)) return {};
    if (i == args.size()) return calls;
    if (++i == args.size()) {  // a --then with nothing after it
      usage();
      return {};
    }
    calls.push_back({args[i++], {}});
  }
}

platform::Args evaluate(const std::vector<Argument>& arguments);

// The result of a nested call.
Variant evaluate(const NestedCall& nested) {
  platform::Args values = evaluate(nested.call.arguments);
  return platform::createObject(nested.progId)->invoke(nested.call.member, platform::CallKind::Call, values);
}

// The values of the arguments, nested calls made in order.
platform::Args evaluate(const std::vector<Argument>& arguments) {
  platform::Args values;
  values.reserve(arguments.size());
  for (const Argument& argument : arguments) values.push_back(argument.nested ? evaluate(*argument.nested) : argument.value);
  return values;
}

// Calls one member and prints its result and the by-reference arguments it changed. An
// object argument (a document) is written out before the call, since the call changes the
// object itself.
void runMember(platform::Object& object, const MemberCall& call) {
  platform::Args values = evaluate(call.arguments);
  std::vector<std::string> before;
  before.reserve(values.size());
  for (const Variant& value : values) before.push_back(toJson(value));
  const Variant result = object.invoke(call.member, platform::CallKind::Call, values);
  std::printf("%s\n", toJson(result).c_str());
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string after = toJson(values[i]);
    if (after != before[i]) std::printf("argument %zu: %s\n", i + 1, after.c_str());
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
