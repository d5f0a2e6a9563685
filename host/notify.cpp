// merxa notify: the periodic reminder job. One run of Merxa.Quotation.Run, as a scheduler
// starts it; the run logs its own failures, so only a failure to start it is reported here.
#include <cstdio>

#include "host/commands.h"
#include "platform/registry.h"

namespace host {

int runNotify(const Arguments& args) {
  if (!args.empty()) {
    std::fputs("usage: merxa notify\n", stderr);
    return 2;
  }
  try {
    platform::ObjectPtr quotation = platform::createObject("Merxa.Quotation");
    quotation->call("Run");
    std::printf("%d reminder(s) sent\n", quotation->call("RemindersSent").toLong());
    return 0;
  } catch (const platform::ComError& e) {
    return reportError(e);
  }
}

}  // namespace host
