#include <cstdio>

#include "host/commands.h"
#include "host/json.h"
#include "platform/registry.h"

namespace host {

using platform::Variant;

int runCall(const Arguments& args) {
  if (args.size() < 2) {
    std::fputs("usage: merxa call PROGID MEMBER [ARG...]\n", stderr);
    return 2;
  }
  try {
    platform::ObjectPtr object = platform::createObject(args[0]);
    platform::Args callArgs;
    for (size_t i = 2; i < args.size(); ++i) callArgs.push_back(parseArgument(args[i]));
    const platform::Args before = callArgs;
    const Variant result = object->invoke(args[1], platform::CallKind::Call, callArgs);
    std::printf("%s\n", toJson(result).c_str());
    // By-reference arguments the member changed.
    for (size_t i = 0; i < callArgs.size(); ++i) {
      if (toJson(callArgs[i]) != toJson(before[i]))
        std::printf("argument %zu: %s\n", i + 1, toJson(callArgs[i]).c_str());
    }
    return 0;
  } catch (const platform::ComError& e) {
    std::fprintf(stderr, "error 0x%s\nsource: %s\ndescription: %s\n", platform::hexNumber(e.number).c_str(),
                 e.source.c_str(), e.description.c_str());
    return 1;
  }
}

}  // namespace host
