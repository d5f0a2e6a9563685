#include "host/xslt/transform.h"

#include <filesystem>

#include <libxml/parser.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace xslt {

namespace {

// libxml2 reports into a generic error handler; this collects the report of one call.
thread_local std::string report;

void collect(void*, const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  report += buffer;
}

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct SheetFree {
  void operator()(xsltStylesheet* s) const { xsltFreeStylesheet(s); }
};

[[noreturn]] void fail(const std::string& what) {
  std::string message = what;
  if (!report.empty()) message += ": " + report;
  while (!message.empty() && message.back() == '\n') message.pop_back();
  throw TransformError(message);
}

}  // namespace

std::string transform(const std::string& xml, const std::string& styleSheetPath) {
  report.clear();
  xmlSetGenericErrorFunc(nullptr, collect);
  xsltSetGenericErrorFunc(nullptr, collect);

  std::unique_ptr<xmlDoc, DocFree> sheetDoc(xmlReadFile(styleSheetPath.c_str(), nullptr, XML_PARSE_NONET));
  if (!sheetDoc) fail("The style sheet " + styleSheetPath + " cannot be read");
  std::unique_ptr<xsltStylesheet, SheetFree> sheet(xsltParseStylesheetDoc(sheetDoc.get()));
  if (!sheet) fail("The style sheet " + styleSheetPath + " is not valid XSLT");
  sheetDoc.release();  // the style sheet owns its document now

  std::unique_ptr<xmlDoc, DocFree> doc(
      xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "document.xml", nullptr, XML_PARSE_NONET));
  if (!doc) fail("The document is not well-formed XML");
  std::unique_ptr<xmlDoc, DocFree> result(xsltApplyStylesheet(sheet.get(), doc.get(), nullptr));
  if (!result) fail("The style sheet " + styleSheetPath + " failed on the document");

  xmlChar* out = nullptr;
  int length = 0;
  if (xsltSaveResultToString(&out, &length, result.get(), sheet.get()) != 0) fail("The result cannot be written");
  std::string text(out ? reinterpret_cast<const char*>(out) : "", static_cast<size_t>(length));
  xmlFree(out);
  return text;
}

std::string examplesFolder() {
  if (const char* folder = std::getenv("MERXA_EXAMPLES"); folder && *folder) return folder;
  // An installed program finds them in share/merxa/examples of its prefix.
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed = exe.parent_path().parent_path() / "share/merxa/examples";
    if (std::filesystem::exists(installed / "basket.xsl", error)) return installed.string();
  }
  return MERXA_EXAMPLES_DIR;
}

}  // namespace xslt
