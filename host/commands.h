// The subcommands of the merxa program.
#pragma once

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/context.h"
#include "platform/object.h"

namespace host {

using Arguments = std::vector<std::string>;

// merxa setup [--home DIR] [--force]
int runSetup(const Arguments& args);
// merxa call PROGID MEMBER [ARG...]
int runCall(const Arguments& args);
// merxa demo: the road of one order on a fresh embedded database
int runDemo(const Arguments& args);
// merxa export INSTANCE: the pending orders of one ERP instance sent to the ERP
int runExport(const Arguments& args);
// merxa serve [--port N] [--listen ADDRESS] [--home DIR]: the tier as an HTTP/JSON service
int runServe(const Arguments& args);
// merxa erp ship ORDER [POSITION QUANTITY]... | merxa erp invoice ORDER: the ERP stand-in's operator
int runErp(const Arguments& args);
// merxa notify: one reminder run of Merxa.Quotation
int runNotify(const Arguments& args);
// merxa where-used ENTITY FIELD=VALUE...: who still refers to a record of master data
int runWhereUsed(const Arguments& args);
// merxa render basket|quotation ID [--locale LCID] [--xslt FILE]
// merxa render erp INSTANCE ORDER ACK|ASN|INV [--locale LCID] [--xslt FILE]
int runRender(const Arguments& args);

// The web application's message manager in the application state of `context`, under
// "I18NMessageManager" (where Sls_getI18N looks for it): made by its ProgID on first use.
platform::ObjectPtr applicationMessageManager(const platform::ObjectContextPtr& context);

// The XML of a basket document (late-bound Merxa.Basket.ConvertToXML) with the captions of
// the application's message manager. `locale` (a locale identifier as text, or empty) sets
// the captions and the document's USERLOCALE; empty keeps the document's USERLOCALE, or
// takes 1033 when it has none.
std::string basketXml(const platform::ObjectPtr& basket, const platform::Variant& document, const std::string& locale);
// The same for any sales document whose component has ConvertToXML (basket, quotation).
std::string documentXml(const platform::ObjectPtr& component, const platform::Variant& document,
                        const std::string& locale);

// Prints a failure as the host reports every one: the number in hex, the source, the
// description. Returns the exit code for a failure.
int reportError(const platform::ComError& e);

// The XML of an ERP document of a sales order (late-bound Merxalink.Lookups.GetXML, type ACK,
// ASN or INV) with the application's captions in `locale` (empty: 1033). Fails when the ERP
// answers with an error document.
std::string erpDocumentXml(const std::string& instance, const std::string& order, const std::string& type,
                           const std::string& locale);

// The installation home: --home, else $CORVANE_HOME, else $HOME/.corvane.
std::string corvaneHome(const Arguments& args);

}  // namespace host
