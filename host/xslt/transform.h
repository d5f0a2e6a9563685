// XML documents of the tier turned into pages through XSLT style sheets (libxslt), as a
// shop's pages do with the order form, the quotation and the ERP documents.
#pragma once

#include <stdexcept>
#include <string>

namespace xslt {

// What went wrong: the document or the style sheet is not well-formed, or the
// transformation failed. The message names which and carries libxml2's own report.
class TransformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The result of applying the style sheet in the file `styleSheetPath` to `xml`, serialised
// as the style sheet's xsl:output says (HTML for the examples' sheets).
std::string transform(const std::string& xml, const std::string& styleSheetPath);

// The folder holding the examples' style sheets: $MERXA_EXAMPLES when set, otherwise the
// examples/ folder of the source tree the program was built from.
std::string examplesFolder();

}  // namespace xslt
