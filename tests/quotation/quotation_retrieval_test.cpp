// Showing, copying and deleting stored quotations.
#include <gtest/gtest.h>

#include <regex>

#include "common/merxa_error.h"
#include "platform/data/testing.h"
#include "tests/quotation/quotation_support.h"

namespace {

using namespace quotationtest;
using merxa::Quotation;
using platform::ComError;

class QuotationRetrievalTest : public QuotationTest {
 protected:
  // A quotation of Acme's with the bolts, the discontinued drill and the washers, lines 1-3.
  std::string storeQuotation() {
    auto doc = basketOf(basket, "U1", 1001, "C1001");
    addLine(doc, 1, 4711, "BOLT-M8-50", 3);
    addLine(doc, 2, 4800, "DRILL-18V", 1);
    addLine(doc, 3, 4713, "WASHER-M8", 2);
    basket.Save(Variant(doc));
    quotation.Create(Variant(doc));
    return basketIdOf(doc);
  }
  static Variant lineNumbers(std::vector<Variant> numbers) { return Variant::array(std::move(numbers)); }
  static int32_t linesOf(const std::string& id) {
    return countOf("SELECT COUNT(*) FROM QUOTATIONLINE WHERE QUOTATIONID = '" + id + "'");
  }

  merxa::Basket basket;
  Quotation quotation;
};

TEST_F(QuotationRetrievalTest, ShowReturnsTheAskedLinesInOrderAndRefusesAnythingButNumbers) {
  const std::string id = storeQuotation();
  EXPECT_EQ(merxa::lineNumberFilter(lineNumbers({Variant(2), Variant(5)})),
            " AND ( LINENUMBER= 2 OR  LINENUMBER= 5)");
  EXPECT_EQ(merxa::lineNumberFilter(lineNumbers({})), "");

  auto doc = quotation.Show(id, lineNumbers({Variant(3), Variant(1)}));
  auto lines = merxa::documentLines(doc);
  ASSERT_EQ(lines->RecordCount(), 2);
  EXPECT_EQ(lines->value("LINENUMBER").toLong(), 1);
  EXPECT_EQ(merxa::documentHeader(doc)->value("QUOTATIONID").toString(), id);
  EXPECT_EQ(merxa::documentLines(quotation.Show(id, Variant::missing()))->RecordCount(), 3);
  EXPECT_EQ(merxa::documentLines(quotation.Show(id, lineNumbers({})))->RecordCount(), 3);

  testsupport::LogCapture log;
  try {
    quotation.Show("no such", Variant::missing());
    ADD_FAILURE();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, merxa::MissingOrderID);
  }
  // A line "number" that is a piece of SQL never reaches the statement.
  try {
    quotation.Show(id, lineNumbers({Variant("1) OR (1=1")}));
    ADD_FAILURE();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, platform::vbError(platform::vb::TypeMismatch));
  }
  EXPECT_THROW(quotation.DeleteLine(id, lineNumbers({Variant("1' OR '1'='1")})), ComError);
  EXPECT_EQ(linesOf(id), 3);
}

TEST_F(QuotationRetrievalTest, GetLinesMarksTheOthersForDeletionWhichSavingCarriesOut) {
  const std::string id = storeQuotation();
  // As many numbers as lines: all lines, whatever the numbers.
  EXPECT_EQ(merxa::documentLines(quotation.GetLines(id, lineNumbers({Variant(7), Variant(8), Variant(9)})))
                ->RecordCount(),
            3);
  Variant doc(quotation.GetLines(id, lineNumbers({Variant(2)})));
  auto lines = merxa::documentLines(doc.as<platform::Dictionary>());
  ASSERT_EQ(lines->RecordCount(), 1);
  lines->MoveFirst();
  EXPECT_EQ(lines->value("LINENUMBER").toLong(), 2);
  EXPECT_TRUE(quotation.Save(doc));
  EXPECT_EQ(linesOf(id), 1);
}

TEST_F(QuotationRetrievalTest, ACopyLeavesOutExpiredProductsAndSaysWhy) {
  const std::string id = storeQuotation();
  auto fields = platform::makeObject<platform::Dictionary>();
  fields->Add(Variant("CUSTOMERREFERENCE"), Variant("Copy for spring"));
  fields->Add(Variant("COMMENTS"), Variant("Call first"));
  Variant fieldValues(fields);

  const Variant rejected = quotation.CopyQuotation(id, fieldValues, lineNumbers({Variant(1), Variant(2)}));
  auto reasons = rejected.as<platform::Dictionary>();
  ASSERT_EQ(reasons->Count(), 1);
  EXPECT_EQ(reasons->Item(Variant("DRILL-18V")).toString(), "MerxaError_ProductExpired");

  const std::string copy = fields->Item(Variant("QUOTATIONID")).toString();
  EXPECT_TRUE(std::regex_match(copy, std::regex("^[0-9A-F]{32}$"))) << copy;
  auto header = rowsOf("SELECT * FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + copy + "'");
  ASSERT_FALSE(header->eof());
  EXPECT_EQ(header->value("CUSTOMERREFERENCE").toString(), "Copy for spring");
  EXPECT_EQ(header->value("COMMENTS").toString(), "Call first");
  auto lines = rowsOf("SELECT * FROM QUOTATIONLINE WHERE QUOTATIONID = '" + copy + "'");
  ASSERT_EQ(lines->RecordCount(), 1);
  EXPECT_EQ(lines->value("LINENUMBER").toLong(), 1);
  EXPECT_EQ(lines->value("SKU").toLong(), 4711);
  EXPECT_EQ(linesOf(id), 3);  // the original stays as it was

  // Nothing asked for: nothing copied, no answer. Only rejected lines: nothing stored.
  EXPECT_TRUE(quotation.CopyQuotation(id, fieldValues, lineNumbers({})).isEmpty());
  const Variant onlyExpired = quotation.CopyQuotation(id, fieldValues, lineNumbers({Variant(2)}));
  EXPECT_EQ(onlyExpired.as<platform::Dictionary>()->Count(), 1);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM QUOTATIONHEADER"), 2);
}

TEST_F(QuotationRetrievalTest, CopiesAndDeletesAreWhollyOrNotAtAll) {
  const std::string id = storeQuotation();
  auto fields = platform::makeObject<platform::Dictionary>();
  fields->Add(Variant("CUSTOMERREFERENCE"), Variant("Copy"));
  fields->Add(Variant("COMMENTS"), Variant::null());
  Variant fieldValues(fields);
  testsupport::LogCapture log;
  const auto total = [] {
    return countOf("SELECT (SELECT COUNT(*) FROM QUOTATIONHEADER) * 100 + (SELECT COUNT(*) FROM QUOTATIONLINE)");
  };

  // Each operation, failed at every statement in turn until it runs through.
  const auto everyPosition = [&](const char* what, auto operation) {
    const int32_t before = total();
    for (int n = 1; n < 60; ++n) {
      if (!failsAt(n, operation)) return;
      EXPECT_EQ(total(), before) << what << " failed at statement " << n;
    }
    ADD_FAILURE() << what << " never ran through";
  };
  everyPosition("copy", [&] { quotation.CopyQuotation(id, fieldValues, Variant::missing()); });
  EXPECT_EQ(total(), 2 * 100 + 3 + 2);
  const std::string copy = fields->Item(Variant("QUOTATIONID")).toString();
  everyPosition("line delete", [&] { quotation.DeleteLine(id, lineNumbers({Variant(1), Variant(3)})); });
  EXPECT_EQ(linesOf(id), 1);
  everyPosition("last line delete", [&] { quotation.DeleteLine(id, lineNumbers({Variant(2)})); });
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + id + "'"), 0);
  storeQuotation();
  everyPosition("delete", [&] { quotation.Delete(lineNumbers({Variant(copy), Variant(id), Variant("no such")})); });
  EXPECT_EQ(total(), 100 + 3);
}

TEST_F(QuotationRetrievalTest, IdentifiersAreMatchedExactlyAlsoWithAQuote) {
  const std::string id = storeQuotation();
  run("UPDATE QUOTATIONLINE SET QUOTATIONID = 'O''Hare 1' WHERE QUOTATIONID = '" + id + "'");
  run("UPDATE QUOTATIONHEADER SET QUOTATIONID = 'O''Hare 1' WHERE QUOTATIONID = '" + id + "'");
  Variant quoted("O'Hare 1");
  Variant unknown("O'Hare");
  EXPECT_EQ(quotation.GetBPStoredInDB(quoted), 1001);
  EXPECT_EQ(quotation.GetBPStoredInDB(unknown), 0);
  EXPECT_TRUE(quotation.CheckQuotationLinesPresent("O'Hare 1"));
  EXPECT_FALSE(quotation.CheckQuotationLinesPresent("O'Hare"));
  EXPECT_EQ(merxa::documentLines(quotation.Show("O'Hare 1", Variant::missing()))->RecordCount(), 3);
  quotation.Delete(lineNumbers({Variant("O' OR '1'='1")}));
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM QUOTATIONLINE"), 3);
  quotation.DeleteLine("O'Hare 1", lineNumbers({Variant(2)}));
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM QUOTATIONLINE"), 2);
}

}  // namespace
