// Making a quotation of a basket, its expiry and reminder, and writing a loaded one back.
#include <gtest/gtest.h>

#include "common/merxa_error.h"
#include "platform/data/testing.h"
#include "tests/quotation/quotation_support.h"

namespace {

using namespace quotationtest;
using merxa::Quotation;
using merxa::QuotationExpiry;
using merxa::QuotationSettings;
using platform::ComError;

// The demo customers' own quotation settings are cleared: the cases set the ones they test.
class QuotationCreateTest : public QuotationTest {
 protected:
  void SetUp() override {
    QuotationTest::SetUp();
    run("DELETE FROM CUSTOMERSETTING");
  }

  merxa::Basket basket;
  Quotation quotation;
};

TEST_F(QuotationCreateTest, ABasketBecomesAPricedQuotationUnderItsIdentifierAndIsGone) {
  auto doc = basketOf(basket, "U1", 1001, " C1001 ");
  addLine(doc, 2, 4711, " BOLT-M8-50 ", 3);
  addLine(doc, 5, 4713, "WASHER-M8", 2, {{"REQUESTDATE", Variant(inDays(-1))}});
  addLine(doc, 9, 4712, "NUT-M8", 1, {{"REQUESTDATE", Variant::null()}});
  basket.Save(Variant(doc));
  const std::string id = basketIdOf(doc);

  quotation.Create(Variant(doc));

  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER WHERE BASKETID = '" + id + "'"), 0);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETLINE WHERE BASKETID = '" + id + "'"), 0);
  auto header = rowsOf("SELECT * FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + id + "'");
  ASSERT_FALSE(header->eof());
  EXPECT_EQ(header->value("CUSTOMERREFERENCE").toString(), "Spring order");
  EXPECT_EQ(header->value("CUSTOMERCODE").toString(), "C1001");
  EXPECT_TRUE(header->value("CUSTOMERNAME").isNull());
  EXPECT_EQ(header->value("COMMENTS").toString(), "");
  EXPECT_EQ(header->value("PRICINGMETHOD").toLong(), 1);
  EXPECT_EQ(header->value("CURRENCYCODE").toString(), "EUR");
  EXPECT_EQ(header->value("HOMECURRENCYCODE").toString(), "EUR");
  EXPECT_EQ(header->value("CURRENCYSYMBOL").toString(), "€");
  EXPECT_EQ(header->value("CREATIONDATE").toDate().serial, Date::today().serial);
  // No settings of its own: the installation's 30 days, reminded 5 days before.
  EXPECT_EQ(header->value("EXPIRYDATE").toDate().serial, inDays(30).serial);
  EXPECT_TRUE(header->value("NOTIFICATIONNEEDED").toBool());
  EXPECT_EQ(header->value("NOTIFICATIONDATE").toDate().serial, inDays(25).serial);

  auto lines = rowsOf("SELECT * FROM QUOTATIONLINE WHERE QUOTATIONID = '" + id + "' ORDER BY LINENUMBER");
  ASSERT_EQ(lines->RecordCount(), 3);
  // Acme's own bolt price: 11 less 0.5 a box.
  EXPECT_EQ(lines->value("LINENUMBER").toLong(), 1);
  EXPECT_EQ(lines->value("PARTNUMBER").toString(), "BOLT-M8-50");
  EXPECT_DOUBLE_EQ(lines->value("PRODUCTPRICE").toDouble(), 11);
  EXPECT_DOUBLE_EQ(lines->value("DISCOUNTAMOUNT").toDouble(), 0.5);
  EXPECT_DOUBLE_EQ(lines->value("LINEAMOUNT").toDouble(), 31.5);
  EXPECT_EQ(lines->value("PRODUCTUNITCODE").toString(), "BOX");
  EXPECT_EQ(lines->value("CURRENCY").toString(), "EUR");
  EXPECT_EQ(lines->value("REQUESTDATE").toDate().serial, inDays(10).serial);
  double total = 0;
  for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) total += lines->value("LINEAMOUNT").toDouble();
  lines->MoveFirst();
  lines->MoveNext();
  EXPECT_EQ(lines->value("LINENUMBER").toLong(), 2);
  EXPECT_EQ(lines->value("REQUESTDATE").toDate().serial, Date::today().serial);  // not in the past
  lines->MoveNext();
  EXPECT_TRUE(lines->value("REQUESTDATE").isNull());

  EXPECT_DOUBLE_EQ(header->value("TOTALNETAMOUNT").toDouble(), total);
  EXPECT_DOUBLE_EQ(header->value("DISCOUNTPERC").toDouble(), 5);
  EXPECT_DOUBLE_EQ(header->value("DISCOUNTTOTAL").toDouble(), total * 0.05);
  EXPECT_DOUBLE_EQ(header->value("SUBTOTAL").toDouble(), total * 0.95);
}

TEST(QuotationExpiry, FollowsTheSettingsAndTheFirstProductToExpire) {
  const Date today = Date::fromParts(2026, 12, 8);
  const auto at = [&](int days) { return Date{today.serial + days}; };
  struct Case {
    QuotationSettings settings;
    Variant productExpiry;
    int expiresIn;
    int remindIn;  // -1: no reminder
  };
  const Case cases[] = {
      {{30, false, 0}, Variant::null(), 30, -1},
      {{30, true, 5}, Variant(), 30, 25},
      {{30, true, 5}, Variant(at(10)), 10, 5},    // a product expires sooner
      {{30, true, 5}, Variant(at(30)), 30, 25},   // on the same day
      {{30, true, 5}, Variant(at(31)), 30, 25},   // a day later: the period counts
      {{30, true, 7}, Variant(at(3)), 3, 0},      // never reminded in the past
      {{0, true, 0}, Variant::null(), 0, 0},      // empty periods of a customer's row
  };
  for (const Case& c : cases) {
    const QuotationExpiry e = Quotation::expiryFor(c.settings, c.productExpiry, today);
    EXPECT_EQ(e.expiryDate.serial, at(c.expiresIn).serial) << c.expiresIn;
    if (c.remindIn < 0) {
      EXPECT_FALSE(e.notify);
      EXPECT_TRUE(e.notificationDate.isNull());
    } else {
      EXPECT_TRUE(e.notify);
      EXPECT_EQ(e.notificationDate.toDate().serial, at(c.remindIn).serial) << c.expiresIn;
    }
  }
}

TEST_F(QuotationCreateTest, ACustomersSettingsOverrideTheInstallationAndAProductCutsTheExpiryBack) {
  run("INSERT INTO CUSTOMERSETTING (BUSINESSPARTNERID, EXPIRATIONPERIOD, NOTIFY, NOTIFICATIONPERIOD) "
      "VALUES (1001, 14, 0, NULL)");
  auto doc = basketOf(basket, "U1", 1001, "C1001");
  addLine(doc, 1, 4711, "BOLT-M8-50", 1);
  basket.Save(Variant(doc));
  quotation.Create(Variant(doc));
  auto header = rowsOf("SELECT * FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + basketIdOf(doc) + "'");
  EXPECT_EQ(header->value("EXPIRYDATE").toDate().serial, inDays(14).serial);
  EXPECT_FALSE(header->value("NOTIFICATIONNEEDED").toBool());
  EXPECT_TRUE(header->value("NOTIFICATIONDATE").isNull());

  // Settings with a reminder: 45 days, reminded a week before.
  run("INSERT INTO CUSTOMERSETTING (BUSINESSPARTNERID, EXPIRATIONPERIOD, NOTIFY, NOTIFICATIONPERIOD) "
      "VALUES (1003, 45, 1, 7)");
  doc = basketOf(basket, "U4", 1003, "C1003");
  addLine(doc, 1, 4711, "BOLT-M8-50", 1);
  basket.Save(Variant(doc));
  quotation.Create(Variant(doc));
  header = rowsOf("SELECT * FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + basketIdOf(doc) + "'");
  EXPECT_EQ(header->value("EXPIRYDATE").toDate().serial, inDays(45).serial);
  EXPECT_EQ(header->value("NOTIFICATIONDATE").toDate().serial, inDays(38).serial);

  run("UPDATE PRODUCT SET PRODUCTEXPIRYDATE = '" + inDays(6).iso() + "' WHERE PRODUCTID = 4712");
  doc = basketOf(basket, "U1", 1001, "C1001");
  addLine(doc, 1, 4711, "BOLT-M8-50", 1);
  addLine(doc, 2, 4712, "NUT-M8", 1);
  basket.Save(Variant(doc));
  quotation.Create(Variant(doc));
  header = rowsOf("SELECT * FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + basketIdOf(doc) + "'");
  EXPECT_EQ(header->value("EXPIRYDATE").toDate().serial, inDays(6).serial);
}

TEST_F(QuotationCreateTest, ABasketWithoutLinesIsNoQuotation) {
  auto doc = basketOf(basket, "U1", 1001, "C1001");
  testsupport::LogCapture log;
  EXPECT_THROW(quotation.Create(Variant(doc)), ComError);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM QUOTATIONHEADER"), 0);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER WHERE BASKETID = '" + basketIdOf(doc) + "'"), 1);
}

TEST_F(QuotationCreateTest, ACreationIsStoredWhollyOrNotAtAll) {
  auto doc = basketOf(basket, "U1", 1001, "C1001");
  addLine(doc, 1, 4711, "BOLT-M8-50", 3);
  addLine(doc, 2, 4713, "WASHER-M8", 2);
  basket.Save(Variant(doc));
  const std::string id = basketIdOf(doc);
  testsupport::LogCapture log;
  int failures = 0;
  for (int n = 1; n < 80; ++n) {
    if (!failsAt(n, [&] { quotation.Create(Variant(doc)); })) break;
    {
      ++failures;
      EXPECT_EQ(countOf("SELECT (SELECT COUNT(*) FROM QUOTATIONHEADER) + (SELECT COUNT(*) FROM QUOTATIONLINE)"), 0)
          << "statement " << n;
      EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETLINE WHERE BASKETID = '" + id + "'"), 2) << "statement " << n;
    }
  }
  EXPECT_GE(failures, 5);  // header, two lines and the two basket deletes at least
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM QUOTATIONLINE WHERE QUOTATIONID = '" + id + "'"), 2);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), 0);
}

TEST_F(QuotationCreateTest, SavingRepricesChangedQuantitiesAndIsWhollyOrNotAtAll) {
  auto doc = basketOf(basket, "U1", 1001, "C1001");
  addLine(doc, 1, 4711, "BOLT-M8-50", 2);
  addLine(doc, 2, 4713, "WASHER-M8", 1);
  basket.Save(Variant(doc));
  const std::string id = basketIdOf(doc);
  quotation.Create(Variant(doc));

  // Unchanged: nothing to write.
  Variant loaded(quotation.Show(id, Variant::missing()));
  EXPECT_TRUE(quotation.Save(loaded));

  auto document = quotation.Show(id, Variant::missing());
  auto lines = merxa::documentLines(document);
  lines->MoveFirst();
  const double amount = lines->value("LINEAMOUNT").toDouble();
  lines->setValue("QUANTITY", Variant(4));
  Variant changed(document);
  testsupport::LogCapture log;
  for (int n = 1; n < 40; ++n) {
    if (!failsAt(n, [&] { quotation.Save(changed); })) break;
    {
      EXPECT_EQ(countOf("SELECT QUANTITY FROM QUOTATIONLINE WHERE QUOTATIONID = '" + id + "' AND LINENUMBER = 1"), 2)
          << "statement " << n;
      document = quotation.Show(id, Variant::missing());
      lines = merxa::documentLines(document);
      lines->MoveFirst();
      lines->setValue("QUANTITY", Variant(4));
      changed = Variant(document);
    }
  }
  auto stored = rowsOf("SELECT * FROM QUOTATIONLINE WHERE QUOTATIONID = '" + id + "' ORDER BY LINENUMBER");
  EXPECT_EQ(stored->value("QUANTITY").toLong(), 4);
  EXPECT_DOUBLE_EQ(stored->value("LINEAMOUNT").toDouble(), 2 * amount);  // price and discount kept
  auto header = rowsOf("SELECT * FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + id + "'");
  double total = 0;
  for (; !stored->eof(); stored->MoveNext()) total += stored->value("LINEAMOUNT").toDouble();
  EXPECT_DOUBLE_EQ(header->value("TOTALNETAMOUNT").toDouble(), total);
  EXPECT_DOUBLE_EQ(header->value("SUBTOTAL").toDouble(), total * 0.95);
}

}  // namespace
