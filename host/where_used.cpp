// merxa where-used ENTITY FIELD=VALUE...
// Before master data goes (a product, a partner, a carrier, ...), the operator asks every
// registered class that offers IReferentialIntegrity which of its tables still refer to the
// record, and how many rows of each: the same questions the enterprise services ask, with
// the counts instead of yes or no.
#include <cstdio>
#include <set>
#include <string>

#include "host/commands.h"
#include "platform/registry.h"

namespace host {

using platform::Variant;

namespace {

int whereUsedUsage() {
  std::fputs("usage: merxa where-used ENTITY FIELD=VALUE...\n", stderr);
  return 2;
}

// The class's integrity interface, or null when it offers none or cannot be made here.
platform::ObjectPtr integrityOf(const std::string& progId) {
  try {
    return platform::queryInterface(platform::createObject(progId), "IReferentialIntegrity");
  } catch (const platform::ComError&) {
    return nullptr;
  }
}

}  // namespace

int runWhereUsed(const Arguments& args) {
  if (args.size() < 2 || args[0].empty()) return whereUsedUsage();
  platform::SafeArray fields, values;
  std::string record = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    const size_t equals = args[i].find('=');
    if (equals == std::string::npos || equals == 0) return whereUsedUsage();
    fields.items.emplace_back(args[i].substr(0, equals));
    values.items.emplace_back(args[i].substr(equals + 1));
    record += " " + args[i];
  }
  const Variant keyFields(std::move(fields)), keyValues(std::move(values));

  int classes = 0;
  std::set<std::string> asked;  // a class registered under several names is asked once
  try {
    for (const platform::Registration& r : platform::readRegistrations()) {
      if (!asked.insert(r.clsid).second) continue;
      const platform::ObjectPtr hooks = integrityOf(r.progId);
      if (!hooks) continue;
      const Variant counts = hooks->call("References", {Variant(args[0]), keyFields, keyValues});
      bool any = false;
      for (const Variant& line : counts.array().items) {
        const std::string text = line.toString();
        const size_t equals = text.rfind('=');
        const std::string rows = text.substr(equals + 1);
        std::printf("%s: %s, %s row%s\n", r.progId.c_str(), text.substr(0, equals).c_str(), rows.c_str(),
                    rows == "1" ? "" : "s");
        any = true;
      }
      // A record the class's settings name (the home organisation, the freight unit) is in
      // use without a row referring to it.
      if (!any && hooks->call("Exists", {Variant(args[0]), keyFields, keyValues}).toBool()) {
        std::printf("%s: named in its settings\n", r.progId.c_str());
        any = true;
      }
      if (any) ++classes;
    }
  } catch (const platform::ComError& e) {
    return reportError(e);
  }
  if (classes == 0) std::printf("%s: no class refers to it\n", record.c_str());
  return 0;
}

}  // namespace host
