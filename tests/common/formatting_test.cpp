#include "common/formatting.h"

#include <gtest/gtest.h>

#include "common/lib_sales.h"
#include "enterprise/data_functions.h"
#include "enterprise/message_manager.h"
#include "platform/context.h"
#include "platform/data/recordset.h"
#include "tests/enterprise/error_of.h"
#include "tests/support/sales_fixture.h"
#include "tests/support/xml_check.h"

namespace {

using platform::Date;
using platform::Variant;

constexpr const char* kEuro = "\xE2\x82\xAC";
constexpr const char* kNarrowSpace = "\xE2\x80\xAF";  // U+202F, before AM/PM and between groups

TEST(SlsReplaceForbiddenXMLTokens, EscapesAmpersandFirstAndLeavesQuotes) {
  struct Case {
    Variant value;
    std::string expected;
  };
  const Case cases[] = {{Variant("a&lt;b"), "a&amp;lt;b"},
                        {Variant("<a href='x'>\"&\"</a>"), "&lt;a href='x'&gt;\"&amp;\"&lt;/a&gt;"},
                        {Variant::null(), ""},
                        {Variant(), ""},
                        {Variant(2.5), "2.5"},
                        {Variant(true), "True"}};
  for (const Case& c : cases) EXPECT_EQ(merxa::Sls_ReplaceForbiddenXMLTokens(c.value), c.expected);
}

// Texts are scanned eight bytes at a time: each character to escape must be found at every
// position of a word and in the few bytes after the last whole word.
TEST(AppendXMLText, FindsEveryCharacterToEscapeWhereverItStands) {
  for (size_t length = 0; length <= 19; ++length) {
    for (size_t at = 0; at < length; ++at) {
      for (char special : {'&', '<', '>'}) {
        std::string text(length, 'x');
        text[at] = special;
        std::string expected = text.substr(0, at) + (special == '&' ? "&amp;" : special == '<' ? "&lt;" : "&gt;") +
                               text.substr(at + 1);
        std::string out = "kept:";
        merxa::appendXMLText(out, text);
        ASSERT_EQ(out, "kept:" + expected) << length << " " << at;
      }
    }
    std::string out;
    merxa::appendXMLText(out, std::string(length, 'y'));
    EXPECT_EQ(out, std::string(length, 'y'));
  }
  std::string out;
  merxa::appendXMLText(out, std::string_view());
  EXPECT_EQ(out, "");
}

TEST(SlsXMLCaption, KeepsReferencesAndEscapesWhatWouldBreakTheDocument) {
  struct Case {
    const char* caption;
    const char* written;
  };
  const Case cases[] = {{"Customer's order", "Customer&apos;s order"},
                        {"Terms &amp; conditions", "Terms &amp; conditions"},
                        {"R&D", "R&amp;D"},
                        {"&nbsp;price", "&amp;nbsp;price"},
                        {"5 &#8364; / &#x20AC;", "5 &#8364; / &#x20AC;"},
                        {"&#x;&#12a;", "&amp;#x;&amp;#12a;"},
                        {"a < b > c \"d\"", "a &lt; b > c \"d\""},
                        {"trailing &", "trailing &amp;"}};
  for (const Case& c : cases) {
    const std::string written = merxa::Sls_XMLCaption(c.caption);
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(testsupport::xmlProblems("<e a='" + written + "'>" + written + "</e>"), "") << written;
  }
}

class FormattingTest : public testsupport::SalesTest {};

// One row per locale: what the routines write for 24 December 2026, 14:05:09, and for 1234.5.
TEST_F(FormattingTest, DatesPricesAndTemplatesFollowTheLocale) {
  struct Case {
    int32_t locale;
    std::string date, dateTime, dateTemplate, price, decimals;
  };
  const Case cases[] = {
      {1033, "12/24/2026", "12/24/2026, 2:05:09" + std::string(kNarrowSpace) + "PM", "[mm/dd/yyyy]", "$ 1,234.50",
       "1,234.50"},
      {1031, "24.12.2026", "24.12.2026, 14:05:09", "[dd.mm.yyyy]", std::string(kEuro) + " 1.234,50", "1.234,50"},
      {2057, "24/12/2026", "24/12/2026, 14:05:09", "[dd/mm/yyyy]", "\xC2\xA3 1,234.50", "1,234.50"},
      {1043, "24-12-2026", "24-12-2026 14:05:09", "[dd-mm-yyyy]", std::string(kEuro) + " 1.234,50", "1.234,50"},
      {1036, "24/12/2026", "24/12/2026 14:05:09", "[dd/mm/yyyy]",
       std::string(kEuro) + " 1" + kNarrowSpace + "234,50", "1" + std::string(kNarrowSpace) + "234,50"},
      // The Buddhist calendar: 2000 is 2543, so neither "2000" nor "00" is in the sample and
      // only month and day become placeholders.
      {1054, "24/12/2569", "24/12/2569 14:05:09", "[dd/mm/2543]", "\xE0\xB8\xBF 1,234.50", "1,234.50"},
  };
  const Date when = Date::fromParts(2026, 12, 24, 14, 5, 9);
  const Variant parts = Variant::array({Variant("yyyy"), Variant("yy"), Variant("mm"), Variant("dd")});
  const auto dataFunctions = merxa::Sls_DataFunctions();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(merxa::Sls_FormatDate(when, c.locale), c.date);
    EXPECT_EQ(merxa::Sls_FormatDateTime(Variant(when), c.locale), c.dateTime);
    EXPECT_EQ(merxa::Sls_FormatDateTemplate(parts, c.locale).toString(), c.dateTemplate);
    EXPECT_EQ(merxa::Sls_FormatPrice(Variant(1234.5), false, c.locale, dataFunctions, 8), c.price);
    EXPECT_EQ(merxa::FormatPriceDecimals(Variant(1234.5), static_cast<int16_t>(c.locale), dataFunctions), c.decimals);
  }
}

TEST_F(FormattingTest, PricesOfNothingAreEmptyAndTheEuroPrefixUsesTheLocalesNumber) {
  const auto dataFunctions = merxa::Sls_DataFunctions();
  EXPECT_EQ(merxa::Sls_FormatPrice(Variant::null(), true, 1031, dataFunctions, 8), "");
  EXPECT_EQ(merxa::Sls_FormatPrice(Variant(), false, 1031, dataFunctions, 8), "");
  EXPECT_EQ(merxa::Sls_FormatPrice(Variant(-7.125), true, 1031, dataFunctions, 8), "Eur -7,13");
  EXPECT_EQ(merxa::Sls_FormatPrice(Variant("19.5"), true, 1033, dataFunctions, 8), "Eur 19.50");
  EXPECT_EQ(merxa::FormatPriceDecimals(Variant::null(), 1033, dataFunctions), "");
  // Any other style writes the symbol as the locale places it.
  EXPECT_EQ(dataFunctions->call("FormatCurrency", {Variant(3.0), Variant(1031), Variant(0)}).toString(),
            "3,00\xC2\xA0" + std::string(kEuro));
}

TEST_F(FormattingTest, AnUnknownLocaleFailsWithTheRoutinesLabel) {
  const auto e = enterprisetest::errorOf([] { merxa::Sls_FormatDate(Date::fromParts(2026, 1, 2), 12345); });
  EXPECT_EQ(e.number, enterprise::kUnknownLocale);
  EXPECT_NE(e.description.find("Unknown locale identifier 12345"), std::string::npos) << e.description;
  EXPECT_NE(e.description.find("Lib_Sales.Sls_FormatDate"), std::string::npos) << e.description;
  EXPECT_NE(e.description.find("Failed to format 1/2/2026 for locale: 12345"), std::string::npos) << e.description;
  for (int32_t unknown : {0, -1, 1024, 0x7FFF})
    EXPECT_EQ(enterprisetest::errorOf([&] { enterprise::icuLocaleOf(unknown); }).number, enterprise::kUnknownLocale);
  EXPECT_EQ(enterprise::icuLocaleOf(3079), "de_AT");
}

TEST_F(FormattingTest, CurrencySymbolIsTheEuroSignForEuroCurrenciesAndThoseWithoutALocale) {
  merxa::ScopedConnection cn;
  platform::Variant affected;
  cn->Execute("INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME, EURO, LOCALEID, HOMECURRENCY) "
              "VALUES ('CHF', 'Swiss franc', 0, NULL, 0)",
              affected, Variant(-1));
  EXPECT_EQ(merxa::Sls_GetCurrencySymol("EUR"), kEuro);  // EURO set, its locale writes "€" anyway
  EXPECT_EQ(merxa::Sls_GetCurrencySymol("CHF"), kEuro);  // no locale
  EXPECT_EQ(merxa::Sls_GetCurrencySymol("USD"), "$");
  EXPECT_EQ(merxa::Sls_GetCurrencySymol("GBP"), "\xC2\xA3");
  EXPECT_NE(enterprisetest::errorOf([] { merxa::Sls_GetCurrencySymol("XXX"); }).description.find(
                "Lib_Sales.Sls_GetCurrencySymol"),
            std::string::npos);
}

TEST_F(FormattingTest, CaptionsComeFromTheTableInOneAnswerOrNothingWithOneLogEntry) {
  const Variant codes = Variant::array({Variant("SLBSA3554"), Variant("SLBSA3568"), Variant("SLBSA9999")});
  auto german = merxa::Sls_getI18N(codes, "U1", Variant("1031"));
  ASSERT_TRUE(german);
  EXPECT_EQ(german->Count(), 2);  // no caption, no entry
  EXPECT_EQ(german->Item(Variant("SLBSA3568")).toString(), "Stra\xC3\x9F" "e");

  // No locale: the user's own (U2 reads German, U1 English).
  EXPECT_EQ(merxa::Sls_getI18N(codes, "U2", Variant(""))->Item(Variant("SLBSA3554")).toString(), "Bestellformular");
  EXPECT_EQ(merxa::Sls_getI18N(codes, "U1", Variant::null())->Item(Variant("SLBSA3554")).toString(), "Order form");

  testsupport::LogCapture log;
  EXPECT_FALSE(merxa::Sls_getI18N(Variant::array({Variant("SLBSA3554"), Variant("SLBSA3555")}), "U9", Variant("1049")));
  ASSERT_EQ(log.entries().size(), 1u);
  EXPECT_NE(log.entries()[0].message.find("No Labels present for User/Locale:U9 locale: 1049"), std::string::npos)
      << log.entries()[0].message;

  log.clear();
  EXPECT_FALSE(merxa::Sls_getI18N(Variant("not an array"), "U1", Variant("1033")));
  ASSERT_EQ(log.entries().size(), 1u);
  EXPECT_NE(log.entries()[0].message.find("Reading of Labels failed"), std::string::npos);
}

TEST_F(FormattingTest, InsideAHostTheApplicationsMessageManagerAnswers) {
  platform::ContextScope scope;
  testsupport::LogCapture log;
  const Variant codes = Variant::array({Variant("SLBSA3554"), Variant("SLBSA3554"), Variant("SLBSA9999")});
  EXPECT_FALSE(merxa::Sls_getI18N(codes, "U1", Variant("1031")));  // the application has none
  EXPECT_EQ(log.entries().size(), 1u);

  scope.context()->application()->Add(Variant("I18NMessageManager"),
                                      Variant(platform::createObject("Corvane.MessageManager")));
  auto captions = merxa::Sls_getI18N(codes, "U1", Variant("1031"));
  ASSERT_TRUE(captions);
  EXPECT_EQ(captions->Count(), 2);
  EXPECT_EQ(captions->Item(Variant("SLBSA3554")).toString(), "Bestellformular");
  EXPECT_EQ(captions->Item(Variant("SLBSA9999")).toString(), "SLBSA9999");  // the manager's answer to a gap
}

TEST_F(FormattingTest, TheMessageManagerReadsALocaleOnceAndRefusesLocalesThatAreNoNumber) {
  enterprise::MessageManager manager;
  EXPECT_EQ(manager.GetMessage("SLBSA3577", Variant(" 1031 ")), "Gesamtbetrag");
  // Read once: a caption changed afterwards is not seen by this manager, a new one sees it.
  merxa::ScopedConnection cn;
  platform::Variant affected;
  cn->Execute("UPDATE I18NTEXT SET TEXT = 'Summe' WHERE LOCALEID = 1031 AND LABEL = 'SLBSA3577'", affected,
              Variant(-1));
  EXPECT_EQ(manager.GetMessage("SLBSA3577", Variant("1031")), "Gesamtbetrag");
  EXPECT_EQ(enterprise::MessageManager().GetMessage("SLBSA3577", Variant(1031)), "Summe");
  for (const Variant& bad : {Variant("en-US"), Variant(""), Variant::null(), Variant("10 33")})
    EXPECT_EQ(enterprisetest::errorOf([&] { manager.GetMessage("SLBSA3577", bad); }).number,
              enterprise::kUnknownCaptionLocale);
}

}  // namespace
