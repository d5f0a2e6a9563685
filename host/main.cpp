// merxa: set up a sales database and configuration, call any class by ProgID, run the road
// of one order.
#include <cstdio>
#include <cstring>
#include <string>

#include "host/commands.h"

namespace {

void usage() {
  std::fputs(
      "usage:\n"
      "  merxa setup [--home DIR] [--force]     create an embedded sales database and its configuration\n"
      "  merxa setup --postgres CONNECTION [--home DIR] [--force]\n"
      "                                         the same on a PostgreSQL server (Host=...;Port=...;Database=...;...)\n"
      "  merxa call PROGID [--set NAME=VALUE]... [--get NAME]... MEMBER [ARG...] [--then MEMBER [ARG...]]...\n"
      "                                         call members late-bound on one object; arguments are JSON\n"
      "                                         values, properties set before and read after the calls;\n"
      "                                         an ARG of [ PROGID MEMBER [ARG...] ] is the result of that call\n"
      "  merxa demo [--home DIR]                run the road of one order on a fresh database\n"
      "  merxa export INSTANCE                  send the pending orders of an ERP instance to the ERP and\n"
      "                                         print each one's ERP sales order number or error\n"
      "  merxa serve [--port N] [--listen ADDRESS] [--home DIR]\n"
      "                                         late-bound calls over HTTP/JSON (POST /call) and the demo\n"
      "                                         shop page (GET /), on 127.0.0.1:8460 unless told otherwise\n"
      "  merxa notify                           mail the quotation reminders that are due\n"
      "  merxa render basket|quotation ID [--locale LCID] [--xslt FILE]\n"
      "                                         a stored basket as its order-form XML, or the page a\n"
      "                                         style sheet makes of it\n"
      "  merxa render erp INSTANCE ORDER ACK|ASN|INV [--locale LCID] [--xslt FILE]\n"
      "                                         an order's acknowledgement, shipping notice or invoice from the ERP\n"
      "  merxa erp ship ORDER [POSITION QUANTITY]... [--date YYYY-MM-DD] | merxa erp invoice ORDER [--date YYYY-MM-DD]\n"
      "                                         ship or invoice an order in the ERP stand-in\n"
      "  merxa where-used ENTITY FIELD=VALUE... the classes and tables that still refer to a record, with row counts\n"
      "The installation home is --home, else $CORVANE_HOME, else $HOME/.corvane.\n",
      stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    usage();
    return 2;
  }
  const std::string command = argv[1];
  host::Arguments args(argv + 2, argv + argc);
  if (command == "setup") return host::runSetup(args);
  if (command == "call") return host::runCall(args);
  if (command == "demo") return host::runDemo(args);
  if (command == "render") return host::runRender(args);
  if (command == "export") return host::runExport(args);
  if (command == "serve") return host::runServe(args);
  if (command == "erp") return host::runErp(args);
  if (command == "notify") return host::runNotify(args);
  if (command == "where-used") return host::runWhereUsed(args);
  usage();
  return 2;
}
