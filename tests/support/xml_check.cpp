#include "tests/support/xml_check.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <memory>

namespace testsupport {

namespace {

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

Doc readHtml(const std::string& html) {
  return Doc(htmlReadMemory(html.data(), static_cast<int>(html.size()), "page.html", "UTF-8",
                            HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
}

// Calls `use` with the node set `xpath` selects in the page (null when the page cannot be read).
template <class Use>
auto withNodes(const std::string& html, const std::string& xpath, Use use) {
  Doc doc = readHtml(html);
  xmlXPathContext* context = doc ? xmlXPathNewContext(doc.get()) : nullptr;
  xmlXPathObject* result =
      context ? xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath.c_str()), context) : nullptr;
  auto answer = use(result ? result->nodesetval : nullptr);
  if (result) xmlXPathFreeObject(result);
  if (context) xmlXPathFreeContext(context);
  return answer;
}

}  // namespace

std::string xmlProblems(const std::string& xml) {
  xmlParserCtxt* parser = xmlNewParserCtxt();
  Doc doc(xmlCtxtReadMemory(parser, xml.data(), static_cast<int>(xml.size()), "document.xml", nullptr,
                            XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  std::string problems;
  if (!doc) {
    const xmlError* error = xmlCtxtGetLastError(parser);
    problems = error && error->message ? error->message : "not well-formed";
    if (problems.empty()) problems = "not well-formed";
  }
  xmlFreeParserCtxt(parser);
  return problems;
}

int htmlCount(const std::string& html, const std::string& xpath) {
  return withNodes(html, xpath, [](xmlNodeSet* nodes) { return nodes ? nodes->nodeNr : -1; });
}

std::string htmlText(const std::string& html, const std::string& xpath) {
  return withNodes(html, xpath, [](xmlNodeSet* nodes) {
    if (!nodes || nodes->nodeNr == 0) return std::string();
    xmlChar* content = xmlNodeGetContent(nodes->nodeTab[0]);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
  });
}

}  // namespace testsupport
