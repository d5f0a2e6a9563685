#include <gtest/gtest.h>

#include <regex>

#include "common/merxa_error.h"
#include "platform/data/testing.h"
#include "platform/registry.h"
#include "tests/basket/basket_support.h"

namespace {

using namespace baskettest;
using merxa::Basket;
using platform::ComError;
using platform::Date;

class BasketTest : public testsupport::SalesTest {
 protected:
  Basket basket;
};

TEST_F(BasketTest, CreateStoresAHeaderWithThePartnersDefaultsAndRestoreReadsItBack) {
  auto partner = platform::createObject("CorvoCommon.BusinessPartner");
  partner->call("GetBusinessPartner", {Variant(demoPartner())});

  auto created = basket.Create("U1", demoPartner());
  const std::string id = idOf(created);
  EXPECT_TRUE(std::regex_match(id, std::regex("^[0-9A-F]{32}$"))) << id;
  EXPECT_TRUE(merxa::documentLines(created)->empty());
  EXPECT_TRUE(merxa::documentHeader(created)->ActiveConnection().isNothing());

  auto restored = basket.Restore(id);
  auto header = merxa::documentHeader(restored);
  EXPECT_EQ(header->value("USERID").toString(), "U1");
  EXPECT_EQ(header->value("BUSINESSPARTNERID").toLong(), demoPartner());
  EXPECT_EQ(header->value("BASKETDATE").toDate().serial, Date::today().serial);
  EXPECT_EQ(header->value("BILLINGADDRESSID").toLong(), partner->call("GetPostalAddressID").toLong());
  EXPECT_EQ(header->value("SHIPPINGADDRESSID").toLong(), partner->call("GetShippingAddressID").toLong());
  EXPECT_EQ(header->value("CURRENCYCODE").toString(), partner->call("GetCustomerCurrency").toString());
  EXPECT_EQ(header->value("CARRIERCODE").toString(), partner->call("GetCustomerCarrier").toString());
  EXPECT_TRUE(merxa::documentLines(restored)->empty());
}

TEST_F(BasketTest, CreateForAnUnknownPartnerFailsAndStoresNothing) {
  testsupport::LogCapture log;
  EXPECT_THROW(basket.Create("U1", 987654), ComError);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), 0);
}

TEST_F(BasketTest, RestoredLinesComeInLineNumberOrder) {
  auto doc = basket.Create("U1", demoPartner());
  for (int nr : {3, 1, 7, 2}) addLine(doc, nr, 100 + nr, nr * 1.5);
  basket.Save(Variant(doc));

  auto lines = merxa::documentLines(basket.Restore(idOf(doc)));
  std::vector<int32_t> order;
  for (lines->MoveFirst(); !lines->eof(); lines->MoveNext()) order.push_back(lines->value("BASKETLINENR").toLong());
  EXPECT_EQ(order, (std::vector<int32_t>{1, 2, 3, 7}));
}

TEST_F(BasketTest, RestoreOfAnUnknownBasketReportsItUnderBothRoutines) {
  testsupport::LogCapture log;
  const std::string id = "0123456789ABCDEF0123456789ABCDEF";
  try {
    basket.Restore(id);
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, merxa::OrderNotFound);
    const std::string& d = e.description;
    const size_t outer = d.find(" METHOD: Merxa.Basket.Restore()\r\n");
    const size_t inner = d.find(" METHOD: Merxa.Basket.RestoreBasket\r\n");
    ASSERT_NE(outer, std::string::npos) << d;
    ASSERT_NE(inner, std::string::npos) << d;
    EXPECT_LT(outer, inner);
    EXPECT_NE(d.find("Basket with ID: " + id + " not found"), std::string::npos);
  }
  EXPECT_EQ(log.entries().size(), 2u);
}

TEST_F(BasketTest, SaveWritesEverythingOrNothing) {
  auto doc = basket.Create("U1", demoPartner());
  const std::string id = idOf(doc);
  merxa::documentHeader(doc)->setValue("BASKETNAME", Variant("Weekly"));
  for (int nr = 1; nr <= 3; ++nr) addLine(doc, nr, 200 + nr, 1);

  testsupport::LogCapture log;
  // Fail each statement of the save in turn; every failed save leaves the stored basket as it
  // was, and the document keeps its changes for the next try.
  int failures = 0;
  for (int n = 1; n < 20; ++n) {
    platform::data::StatementFailure failure(n);
    try {
      basket.Save(Variant(doc));
    } catch (const ComError& e) {
      ++failures;
      EXPECT_NE(e.description.find("Merxa.Basket.SaveBasket"), std::string::npos);
      EXPECT_EQ(linesStored(id), 0) << "statement " << n;
      EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER WHERE BASKETID = '" + id + "' AND BASKETNAME IS NULL"), 1)
          << "statement " << n;
      continue;
    }
    break;  // the save ran fewer than n statements: it went through
  }
  EXPECT_GE(failures, 4);  // one header update and three line inserts at least
  EXPECT_EQ(linesStored(id), 3);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER WHERE BASKETNAME = 'Weekly'"), 1);
}

TEST_F(BasketTest, SaveOfADocumentChangedElsewhereMeetsTheConcurrencyCheck) {
  auto doc = basket.Create("U1", demoPartner());
  auto first = basket.Restore(idOf(doc));
  auto second = basket.Restore(idOf(doc));
  merxa::documentHeader(first)->setValue("BASKETNAME", Variant("first"));
  basket.Save(Variant(first));
  merxa::documentHeader(second)->setValue("BASKETNAME", Variant("second"));
  testsupport::LogCapture log;
  try {
    basket.Save(Variant(second));
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, static_cast<int32_t>(0x80040E38));
  }
  EXPECT_EQ(merxa::documentHeader(basket.Restore(idOf(doc)))->value("BASKETNAME").toString(), "first");
}

TEST_F(BasketTest, DeleteRemovesHeaderAndLinesTogether) {
  auto doc = basket.Create("U1", demoPartner());
  const std::string id = idOf(doc);
  for (int nr = 1; nr <= 2; ++nr) addLine(doc, nr, 300 + nr, 2);
  basket.Save(Variant(doc));

  {
    testsupport::LogCapture log;
    platform::data::StatementFailure failure(2);  // the header delete
    EXPECT_THROW(basket.Delete(id), ComError);
  }
  EXPECT_EQ(linesStored(id), 2);

  basket.Delete(id);
  EXPECT_EQ(linesStored(id), 0);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), 0);
  EXPECT_NO_THROW(basket.Delete(id));  // an unknown basket deletes nothing and succeeds
}

TEST_F(BasketTest, GetBPStoredInDBGivesThePartnerOrZero) {
  auto doc = basket.Create("U1", demoPartner());
  Variant id(idOf(doc));
  EXPECT_EQ(basket.GetBPStoredInDB(id), demoPartner());
  Variant unknown("NOPE");
  EXPECT_EQ(basket.GetBPStoredInDB(unknown), 0);
  Variant quote("x' OR '1'='1");
  EXPECT_EQ(basket.GetBPStoredInDB(quote), 0);
  Variant null = Variant::null();
  EXPECT_EQ(basket.GetBPStoredInDB(null), 0);
}

}  // namespace
