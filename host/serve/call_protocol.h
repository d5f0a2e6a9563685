// The call protocol of the service: one late-bound call per POST /call, as JSON.
//
//   request  {"session": ID?, "object": PROGID | {"handle": H}, "member": NAME,
//             "kind": "method" | "get" | "put", "args": [VALUE...], "keep": BOOL?}
//            {"session": ID, "release": [H...]}
//   answer   {"session": ID, "result": VALUE, "args": [VALUE...], "object": VALUE?}
//            {"session": ID?, "error": {"number": N, "hex": "0x...", "source": S, "description": D}}
//
// A VALUE is JSON; an object the caller may keep comes back as {"handle", "class", "view"} and
// is passed again as {"handle": H}. Without "session" a new client session is opened and its id
// comes back with the answer. "keep" keeps the object made from a ProgID for later calls (a
// backend action between InitializeAction and CloseAction) and answers its handle as "object".
#pragma once

#include <string>

#include "host/json.h"
#include "host/serve/service_config.h"
#include "host/serve/session.h"

namespace host::serve {

struct Reply {
  int status = 200;
  Json body;
  std::string summary;  // what the log line says about the call
};

class CallService {
 public:
  explicit CallService(ServiceConfig config) : config_(std::move(config)), sessions_(config_) {}

  // One request: `authorization` is the Authorization header, `body` the request body.
  Reply handle(const std::string& authorization, const std::string& body);

  SessionTable& sessions() { return sessions_; }
  const ServiceConfig& config() const { return config_; }

 private:
  ServiceConfig config_;
  SessionTable sessions_;
};

// A JSON error answer of the service itself (not of a called member).
Json serviceError(const std::string& description);

// Whether `text` nests arrays and objects deeper than `limit` (strings are skipped).
bool nestedDeeperThan(const std::string& text, int limit);

}  // namespace host::serve
