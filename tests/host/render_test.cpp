// merxa render quotation on a fresh installation: the stored quotation as XML and as a page.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "tests/host/installation.h"
#include "tests/support/xml_check.h"

namespace {

namespace fs = std::filesystem;

struct Output {
  std::string text;
  int status = -1;
};

Output renderOn(const fs::path& home, const std::string& arguments) {
  const std::string command =
      "CORVANE_HOME='" + home.string() + "' " + MERXA_COMMAND + " render " + arguments + " 2>/dev/null";
  Output out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) out.text.append(buffer.data(), n);
  const int status = pclose(pipe);
  out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

TEST(RenderCommand, AStoredQuotationIsShownAsItsXmlOrThroughTheStyleSheetInTheAskedLanguage) {
  const fs::path home = hosttest::freshInstallation("render");
  ASSERT_FALSE(home.empty());
  const Output xml = renderOn(home, "quotation DEMOQ0002");
  EXPECT_EQ(xml.status, 0);
  EXPECT_EQ(testsupport::xmlProblems(xml.text), "");
  EXPECT_NE(xml.text.find("<QuotationTitle>Angebot</QuotationTitle>"), std::string::npos);  // the stored language
  EXPECT_NE(xml.text.find("<SendAsEmail>0</SendAsEmail>"), std::string::npos);                // a page, not a mail

  const Output page =
      renderOn(home, "quotation DEMOQ0002 --locale 1033 --xslt '" + std::string(MERXA_EXAMPLES) + "/quotation.xsl'");
  EXPECT_EQ(page.status, 0);
  EXPECT_EQ(testsupport::htmlText(page.text, "//h1[@id='title']"), "Quotation\xC2\xA0" "DEMOQ0002");
  EXPECT_EQ(testsupport::htmlText(page.text, "//tr[@class='line']/td[5]"), "10.00");
  EXPECT_EQ(testsupport::htmlText(page.text, "//tr[@class='total']/td[2]"), "\xE2\x82\xAC\xC2\xA0" "100.00");

  EXPECT_NE(renderOn(home, "quotation NOSUCH").status, 0);
  EXPECT_EQ(renderOn(home, "invoice DEMOQ0002").status, 2);
  fs::remove_all(home);
}

}  // namespace
