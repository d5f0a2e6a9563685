#include <gtest/gtest.h>

#include "common/encoding.h"
#include "tests/basket/basket_support.h"

namespace {

using namespace baskettest;
using merxa::documentHeader;
using merxa::documentLines;
using merxa::documentOf;

const platform::Date kRequested = platform::Date::fromParts(2026, 12, 24);

class BasketLinesTest : public testsupport::SalesTest {
 protected:
  // A stored basket whose lines carry `numbers`, in that order.
  Variant storedBasket(std::initializer_list<int32_t> numbers) {
    auto doc = basket.Create("U1", demoPartner());
    for (int32_t nr : numbers) addLine(doc, nr, 4700 + nr, 1.0);
    basket.Save(Variant(doc));
    return Variant(doc);
  }

  Variant restored(const Variant& doc) { return Variant(basket.Restore(idOf(documentOf(doc)))); }

  // The line numbers stored in the database, ascending.
  static std::vector<int32_t> stored(const Variant& doc) {
    auto rs = merxa::Sls_GetDisconnectedRecordset("SELECT BASKETLINENR FROM BASKETLINE WHERE BASKETID = " +
                                                      merxa::SqlLiteralText(idOf(documentOf(doc))) +
                                                      " ORDER BY BASKETLINENR",
                                                  merxa::Sls_ConnectionString());
    std::vector<int32_t> numbers;
    for (; !rs->empty() && !rs->eof(); rs->MoveNext()) numbers.push_back(rs->value("BASKETLINENR").toLong());
    return numbers;
  }

  bool deleteLines(Variant& doc, std::vector<Variant> numbers) {
    return basket.DeleteLines(doc, Variant::array(std::move(numbers)));
  }

  merxa::Basket basket;
};

TEST_F(BasketLinesTest, AddLineNumbersFromOneAndStoresTheWholeDocument) {
  Variant doc(basket.Create("U1", demoPartner()));
  documentHeader(documentOf(doc))->setValue("BASKETNAME", Variant("Spring"));  // changed before the call
  EXPECT_EQ(basket.AddLine(doc, 4711, 2.5, kRequested, false, ""), 1);
  EXPECT_EQ(basket.AddLine(doc, 502, 1, kRequested, true, "  CFG0001  "), 2);

  auto back = documentOf(restored(doc));
  EXPECT_EQ(documentHeader(back)->value("BASKETNAME").toString(), "Spring");
  auto lines = documentLines(back);
  EXPECT_EQ(lines->value("SKU").toLong(), 4711);
  EXPECT_EQ(lines->value("QUANTITY").toDouble(), 2.5);
  EXPECT_EQ(lines->value("REQUESTDATE").toDate().serial, kRequested.serial);
  lines->MoveNext();
  EXPECT_TRUE(lines->value("PRODUCTCONFIGURABLE").toBool());
  EXPECT_EQ(lines->value("PRODUCTCONFIGID").toString(), "CFG0001");
}

TEST_F(BasketLinesTest, AddLineFollowsTheHighestNumberOfARestoredBasketAlsoAfterDeletions) {
  Variant doc = restored(storedBasket({3, 7, 1, 2, 5, 4, 6}));
  EXPECT_EQ(basket.AddLine(doc, 4711, 1, kRequested, false, ""), 8);

  doc = restored(storedBasket({1, 2, 3, 4, 5, 6, 7}));
  EXPECT_TRUE(deleteLines(doc, {Variant(1), Variant(2), Variant(3), Variant(4), Variant(5), Variant(6)}));
  doc = restored(doc);
  EXPECT_EQ(basket.AddLine(doc, 4711, 1, kRequested, false, ""), 8);
  EXPECT_EQ(stored(doc), (std::vector<int32_t>{7, 8}));
}

TEST_F(BasketLinesTest, DeleteLinesDeletesEachNumberFoundWhateverStandsBeforeIt) {
  Variant doc = storedBasket({1, 2, 3, 4, 5});
  EXPECT_TRUE(deleteLines(doc, {Variant(4), Variant(2)}));
  EXPECT_EQ(stored(doc), (std::vector<int32_t>{1, 3, 5}));

  // A number not in the basket deletes nothing, and the document is stored all the same.
  documentHeader(documentOf(doc))->setValue("BASKETNAME", Variant("Renamed"));
  EXPECT_TRUE(deleteLines(doc, {Variant(9)}));
  EXPECT_EQ(stored(doc), (std::vector<int32_t>{1, 3, 5}));
  EXPECT_EQ(documentHeader(documentOf(restored(doc)))->value("BASKETNAME").toString(), "Renamed");

  EXPECT_TRUE(deleteLines(doc, {Variant(9), Variant(3)}));
  EXPECT_EQ(stored(doc), (std::vector<int32_t>{1, 5}));
  EXPECT_TRUE(deleteLines(doc, {Variant(5), Variant(1)}));
  EXPECT_EQ(stored(doc), std::vector<int32_t>{});
}

}  // namespace
