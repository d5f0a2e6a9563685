// merxa render: a stored sales document (a basket or a quotation) or an ERP document of an
// order as the XML the shop's pages receive, or as the page a style sheet makes of it. The captions come from the installation's message manager, kept
// in the application state the way the web application keeps it.
#include <cstdio>
#include <fstream>

#include "host/commands.h"
#include "host/xslt/transform.h"
#include "platform/context.h"
#include "platform/registry.h"

namespace host {

using platform::Variant;

namespace {

void usage() {
  std::fputs("usage: merxa render basket|quotation ID [--locale LCID] [--xslt FILE]\n"
             "       merxa render erp INSTANCE ORDER ACK|ASN|INV [--locale LCID] [--xslt FILE]\n",
             stderr);
}

// The header recordset's USERLOCALE, late-bound.
platform::ObjectPtr userLocaleField(const Variant& document) {
  platform::ObjectPtr header = document.toObject()->call("Item", {Variant("header")}).toObject();
  return header->call("Fields").toObject()->call("Item", {Variant("USERLOCALE")}).toObject();
}

}  // namespace

platform::ObjectPtr applicationMessageManager(const platform::ObjectContextPtr& context) {
  auto application = context->application();
  const Variant key("I18NMessageManager");
  if (!application->Exists(key)) application->Add(key, Variant(platform::createObject("Corvane.MessageManager")));
  return application->Item(key).toObject();
}

std::string documentXml(const platform::ObjectPtr& component, const Variant& document, const std::string& locale) {
  platform::ContextScope scope;
  platform::ObjectPtr field = userLocaleField(document);
  std::string captions = locale;
  if (captions.empty()) {
    const Variant stored = field->call("Value");
    captions = stored.isNull() ? "1033" : stored.toString();  // neither asked for nor stored: English
  }
  field->put("Value", Variant(std::stoi(captions)));
  return component->call("ConvertToXML", {document, Variant(applicationMessageManager(scope.context())), Variant(captions)})
      .toString();
}

std::string basketXml(const platform::ObjectPtr& basket, const Variant& document, const std::string& locale) {
  return documentXml(basket, document, locale);
}

std::string erpDocumentXml(const std::string& instance, const std::string& order, const std::string& type,
                           const std::string& locale) {
  platform::ContextScope scope;
  platform::Args args{Variant(instance), Variant(order), Variant(type),
                      Variant(applicationMessageManager(scope.context())), Variant(locale.empty() ? "1033" : locale),
                      Variant()};
  std::string xml = platform::createObject("Merxalink.Lookups")->invoke("GetXML", platform::CallKind::Method, args).toString();
  if (xml.empty())
    throw platform::ComError(1, "merxa render", "the ERP has no " + type + " document of sales order " + order +
                                                    " (error row " + args[5].toString() + ")");
  return xml;
}

int runRender(const Arguments& args) {
  const bool erp = !args.empty() && args[0] == "erp";
  const size_t options = erp ? 4 : 2;  // where the options begin
  if (args.size() < options || (args[0] != "basket" && args[0] != "quotation" && !erp) ||
      (erp && args[3] != "ACK" && args[3] != "ASN" && args[3] != "INV")) {
    usage();
    return 2;
  }
  std::string locale, styleSheet;
  for (size_t i = options; i < args.size(); i += 2) {
    if (i + 1 >= args.size() || (args[i] != "--locale" && args[i] != "--xslt")) {
      usage();
      return 2;
    }
    (args[i] == "--locale" ? locale : styleSheet) = args[i + 1];
  }
  if (!locale.empty() && locale.find_first_not_of("0123456789") != std::string::npos) {
    std::fprintf(stderr, "merxa render: --locale wants a Windows locale identifier such as 1033, not '%s'\n",
                 locale.c_str());
    return 2;
  }
  try {
    std::string xml;
    if (erp) {
      xml = erpDocumentXml(args[1], args[2], args[3], locale);
    } else {
      const bool quotation = args[0] == "quotation";
      platform::ObjectPtr component = platform::createObject(quotation ? "Merxa.Quotation" : "Merxa.Basket");
      const Variant document = quotation ? component->call("Show", {Variant(args[1]), Variant::missing()})
                                         : component->call("Restore", {Variant(args[1])});
      // Shown on a page, not mailed.
      if (quotation) document.toObject()->call("Add", {Variant("sendasemail"), Variant(0)});
      xml = documentXml(component, document, locale);
    }
    if (styleSheet.empty()) {
      std::printf("%s\n", xml.c_str());
    } else {
      std::fputs(xslt::transform(xml, styleSheet).c_str(), stdout);
    }
    return 0;
  } catch (const platform::ComError& e) {
    return reportError(e);
  } catch (const xslt::TransformError& e) {
    std::fprintf(stderr, "merxa render: %s\n", e.what());
    return 1;
  }
}

}  // namespace host
