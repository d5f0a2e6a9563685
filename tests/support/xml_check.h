// The XML documents of the tier read back with libxml2: whether a text is well-formed, and
// what a page made from it holds (HTML read leniently, as a browser does, and queried by
// XPath).
#pragma once

#include <string>

namespace testsupport {

// "" when `xml` is a well-formed document, otherwise libxml2's report.
std::string xmlProblems(const std::string& xml);

// The number of nodes `xpath` selects in the HTML page, and the text of the first of them
// ("" when none).
int htmlCount(const std::string& html, const std::string& xpath);
std::string htmlText(const std::string& html, const std::string& xpath);

}  // namespace testsupport
