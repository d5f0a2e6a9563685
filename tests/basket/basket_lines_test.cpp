#include <gtest/gtest.h>

#include "common/encoding.h"
#include "platform/data/testing.h"
#include "tests/basket/basket_support.h"

namespace {

using namespace baskettest;
using merxa::Basket;
using platform::ComError;
using platform::Date;

const Date kRequested = Date::fromParts(2026, 12, 24);

class BasketLinesTest : public testsupport::SalesTest {
 protected:
  // A stored basket whose lines carry `numbers`.
  Variant storedBasket(std::initializer_list<int32_t> numbers) {
    auto doc = basket.Create("U1", demoPartner());
    for (int32_t nr : numbers) addLine(doc, nr, 4700 + nr, 1.0);
    basket.Save(Variant(doc));
    return Variant(doc);
  }

  Variant restored(const Variant& doc) { return Variant(basket.Restore(idOf(merxa::documentOf(doc)))); }

  // The line numbers in the database, ascending.
  static std::vector<int32_t> storedNumbers(const Variant& doc) {
    auto rs = merxa::Sls_GetDisconnectedRecordset("SELECT BASKETLINENR FROM BASKETLINE WHERE BASKETID = " +
                                                      merxa::SqlLiteralText(idOf(merxa::documentOf(doc))) +
                                                      " ORDER BY BASKETLINENR",
                                                  merxa::Sls_ConnectionString());
    std::vector<int32_t> numbers;
    for (; !rs->empty() && !rs->eof(); rs->MoveNext()) numbers.push_back(rs->value("BASKETLINENR").toLong());
    return numbers;
  }

  static std::string storedName(const Variant& doc) {
    auto rs = merxa::Sls_GetDisconnectedRecordset(
        "SELECT BASKETNAME FROM BASKETHEADER WHERE BASKETID = " + merxa::SqlLiteralText(idOf(merxa::documentOf(doc))),
        merxa::Sls_ConnectionString());
    return rs->value("BASKETNAME").isNull() ? std::string() : rs->value("BASKETNAME").toString();
  }

  static void renameInMemory(const Variant& doc, const std::string& name) {
    merxa::documentHeader(merxa::documentOf(doc))->setValue("BASKETNAME", Variant(name));
  }

  bool deleteLines(Variant& doc, std::vector<Variant> numbers) {
    return basket.DeleteLines(doc, Variant::array(std::move(numbers)));
  }

  Basket basket;
};

TEST_F(BasketLinesTest, AddLineNumbersFromOneAndStoresTheWholeDocument) {
  Variant doc(basket.Create("U1", demoPartner()));
  renameInMemory(doc, "Spring order");  // a change the page made before the call
  EXPECT_EQ(basket.AddLine(doc, 4711, 2.5, kRequested, false, ""), 1);
  EXPECT_EQ(basket.AddLine(doc, 4712, 10, kRequested, false, ""), 2);
  EXPECT_EQ(storedNumbers(doc), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(storedName(doc), "Spring order");

  auto lines = merxa::documentLines(merxa::documentOf(restored(doc)));
  lines->MoveFirst();
  EXPECT_EQ(lines->value("BASKETID").toString(), idOf(merxa::documentOf(doc)));
  EXPECT_EQ(lines->value("SKU").toLong(), 4711);
  EXPECT_EQ(lines->value("QUANTITY").toDouble(), 2.5);
  EXPECT_EQ(lines->value("REQUESTDATE").toDate().serial, kRequested.serial);
  EXPECT_FALSE(lines->value("PRODUCTCONFIGURABLE").toBool());
}

TEST_F(BasketLinesTest, AddLineFollowsTheHighestNumberOfARestoredBasketAlsoAfterDeletions) {
  Variant doc = restored(storedBasket({3, 7, 1, 2, 5, 4, 6}));
  EXPECT_EQ(basket.AddLine(doc, 4711, 1, kRequested, false, ""), 8);

  doc = restored(storedBasket({1, 2, 3, 4, 5, 6, 7}));
  EXPECT_TRUE(deleteLines(doc, {Variant(1), Variant(2), Variant(3), Variant(4), Variant(5), Variant(6)}));
  doc = restored(doc);
  EXPECT_EQ(basket.AddLine(doc, 4711, 1, kRequested, false, ""), 8);
  EXPECT_EQ(storedNumbers(doc), (std::vector<int32_t>{7, 8}));
}

TEST_F(BasketLinesTest, AddLineStoresTheConfigurationIdWithoutSurroundingBlanks) {
  Variant doc(basket.Create("U1", demoPartner()));
  basket.AddLine(doc, 502, 1, kRequested, true, "  CFG0001  ");
  auto lines = merxa::documentLines(merxa::documentOf(restored(doc)));
  EXPECT_EQ(lines->value("PRODUCTCONFIGID").toString(), "CFG0001");
  EXPECT_TRUE(lines->value("PRODUCTCONFIGURABLE").toBool());
}

TEST_F(BasketLinesTest, DeleteLinesDeletesEachNumberGivenInAnyOrder) {
  Variant doc = storedBasket({1, 2, 3, 4, 5});
  EXPECT_TRUE(deleteLines(doc, {Variant(4), Variant(2), Variant(5)}));
  EXPECT_EQ(storedNumbers(doc), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(merxa::documentLines(merxa::documentOf(doc))->RecordCount(), 2);

  EXPECT_TRUE(deleteLines(doc, {Variant(3), Variant(1)}));  // the basket ends up empty
  EXPECT_EQ(storedNumbers(doc), std::vector<int32_t>{});
}

TEST_F(BasketLinesTest, ANumberNotInTheBasketDeletesNothingAndHidesNoNumberAfterIt) {
  Variant doc = storedBasket({1, 2, 3});
  renameInMemory(doc, "Renamed");
  EXPECT_TRUE(deleteLines(doc, {Variant(9)}));
  EXPECT_EQ(storedNumbers(doc), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(storedName(doc), "Renamed");  // still stored

  EXPECT_TRUE(deleteLines(doc, {Variant(9), Variant(2)}));
  EXPECT_EQ(storedNumbers(doc), (std::vector<int32_t>{1, 3}));
}

TEST_F(BasketLinesTest, AFailedStoreLeavesTheDatabaseAsItWasAndNamesBothRoutines) {
  testsupport::LogCapture log;
  int failures = 0;
  for (int n = 1;; ++n) {
    Variant doc = storedBasket({1, 2});
    platform::data::StatementFailure failure(n);
    try {
      deleteLines(doc, {Variant(1)});
    } catch (const ComError& e) {
      ++failures;
      const size_t outer = e.description.find(" METHOD: Merxa.Basket.DeleteLines()\r\n");
      EXPECT_NE(outer, std::string::npos) << e.description;
      EXPECT_LT(outer, e.description.find(" METHOD: Merxa.Basket.DeleteLinesFromBasket\r\n"));
      EXPECT_EQ(storedNumbers(doc), (std::vector<int32_t>{1, 2})) << "statement " << n;
      continue;
    }
    break;  // the call ran fewer than n statements: it went through
  }
  EXPECT_GE(failures, 1);
}

}  // namespace
