#include <gtest/gtest.h>

#include "platform/data/testing.h"
#include "platform/dictionary.h"
#include "platform/registry.h"
#include "tests/basket/basket_support.h"

namespace {

using namespace baskettest;
using merxa::Basket;
using platform::ComError;
using platform::Date;

class BasketCopyTest : public testsupport::SalesTest {
 protected:
  // A stored basket with a plain line 1 and a configured line 2.
  platform::DictionaryPtr sourceBasket() {
    auto doc = basket.Create("U7", demoPartner());
    auto header = merxa::documentHeader(doc);
    header->setValue("BASKETNAME", Variant("Original"));
    header->setValue("BASKETTEXT", Variant("Leave at the gate"));
    header->setValue("BASKETDATE", Variant(Date::fromParts(2026, 1, 5)));
    addLine(doc, 1, 501, 4);
    addLine(doc, 2, 502, 1);
    auto lines = merxa::documentLines(doc);
    lines->setValue("PRODUCTCONFIGURABLE", Variant(true));
    lines->setValue("PRODUCTCONFIGID", Variant(testsupport::demoConfigurationId()));
    lines->setValue("LINETEXT", Variant("blue"));
    basket.Save(Variant(doc));
    doc->SetItem(Variant("_language"), Variant("en"));
    doc->SetItem(Variant("_countrycode"), Variant("US"));
    return doc;
  }

  // The description of the failure of copying `doc` (empty when the copy succeeded).
  std::string copyFailure(const platform::DictionaryPtr& doc, const std::string& name) {
    try {
      basket.Copy(Variant(doc), name);
      return "";
    } catch (const ComError& e) {
      return e.description.empty() ? "failed" : e.description;
    }
  }

  Basket basket;
};

TEST_F(BasketCopyTest, CopyIsANewStoredBasketWithTheNewNameTodayAndTheSameLines) {
  auto source = sourceBasket();
  auto copy = basket.Copy(Variant(source), "Copy of original");
  const std::string id = idOf(copy);
  EXPECT_NE(id, idOf(source));

  auto stored = basket.Restore(id);
  auto header = merxa::documentHeader(stored);
  auto sourceHeader = merxa::documentHeader(source);
  EXPECT_EQ(header->value("BASKETNAME").toString(), "Copy of original");
  EXPECT_EQ(header->value("BASKETTEXT").toString(), "Leave at the gate");
  EXPECT_EQ(header->value("BASKETDATE").toDate().serial, Date::today().serial);
  EXPECT_EQ(header->value("USERID").toString(), "U7");
  EXPECT_EQ(header->value("BILLINGADDRESSID").toLong(), sourceHeader->value("BILLINGADDRESSID").toLong());
  EXPECT_EQ(header->value("SHIPPINGADDRESSID").toLong(), sourceHeader->value("SHIPPINGADDRESSID").toLong());

  auto lines = merxa::documentLines(stored);
  ASSERT_EQ(lines->RecordCount(), 2);
  lines->MoveFirst();
  EXPECT_EQ(lines->value("BASKETLINENR").toLong(), 1);
  EXPECT_EQ(lines->value("SKU").toLong(), 501);
  EXPECT_EQ(lines->value("QUANTITY").toDouble(), 4);
  EXPECT_EQ(lines->value("BASKETID").toString(), id);
}

TEST_F(BasketCopyTest, AConfiguredLineGetsACopyOfItsConfigurationAndStaysConfigurable) {
  auto source = sourceBasket();
  auto lines = merxa::documentLines(basket.Restore(idOf(basket.Copy(Variant(source), "Copy"))));
  lines->MoveLast();
  EXPECT_EQ(lines->value("BASKETLINENR").toLong(), 2);
  EXPECT_EQ(lines->value("SKU").toLong(), 502);
  EXPECT_EQ(lines->value("QUANTITY").toDouble(), 1);
  EXPECT_EQ(lines->value("LINETEXT").toString(), "blue");
  const std::string newConfig = lines->value("PRODUCTCONFIGID").toString();
  EXPECT_FALSE(newConfig.empty());
  EXPECT_NE(newConfig, testsupport::demoConfigurationId());
  EXPECT_TRUE(lines->value("PRODUCTCONFIGURABLE").toBool());

  // The configurator knows the copy.
  auto service = platform::createObject("CorvoConfigurator.Configurator")->call("GetConfigurationService").toObject();
  EXPECT_EQ(service->call("IsComplete", {Variant(newConfig)}).toBool(),
            service->call("IsComplete", {Variant(testsupport::demoConfigurationId())}).toBool());
}

// A copy is stored whole or not at all, and a failure reaches the caller.
TEST_F(BasketCopyTest, AFailingStepAnywhereStoresNothingAndReachesTheCaller) {
  testsupport::LogCapture log;

  // The partner is unknown, so the new basket cannot be made.
  auto strange = sourceBasket();
  merxa::documentHeader(strange)->setValue("BUSINESSPARTNERID", Variant(987654));
  auto source = sourceBasket();
  const int32_t headers = countOf("SELECT COUNT(*) FROM BASKETHEADER");
  const int32_t lines = countOf("SELECT COUNT(*) FROM BASKETLINE");
  auto unchanged = [&] {
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), headers);
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETLINE"), lines);
  };
  EXPECT_NE(copyFailure(strange, "Copy").find("METHOD: Merxa.Basket.Copy()"), std::string::npos);
  unchanged();

  // A name longer than the column is refused, not dropped.
  EXPECT_FALSE(copyFailure(source, std::string(101, 'n')).empty());
  unchanged();

  // The configuration of a configured line cannot be copied.
  auto sourceLines = merxa::documentLines(source);
  sourceLines->MoveLast();
  const Variant configId = sourceLines->value("PRODUCTCONFIGID");
  sourceLines->setValue("PRODUCTCONFIGID", Variant("NO-SUCH-CONFIGURATION"));
  EXPECT_FALSE(copyFailure(source, "Copy").empty());
  unchanged();
  sourceLines->setValue("PRODUCTCONFIGID", configId);

  // A statement fails at any point of storing the copy.
  for (int n = 1;; ++n) {
    std::string why;
    {
      platform::data::StatementFailure failure(n);
      why = copyFailure(source, "Copy");
    }
    if (why.empty()) {
      EXPECT_GT(n, 5);  // the copy's own statements all failed once
      break;
    }
    unchanged();
  }
}

// What is not a document is refused as the other members refuse it, not dereferenced.
TEST_F(BasketCopyTest, ASourceThatIsNotADocumentIsRefusedWithObjectRequired) {
  testsupport::LogCapture log;
  for (const Variant& notADocument : {Variant("hello"), Variant(5), Variant::null(), Variant()}) {
    try {
      basket.Copy(notADocument, "x");
      ADD_FAILURE() << "no failure";
    } catch (const ComError& e) {
      EXPECT_EQ(e.number, platform::vbError(424));
    }
  }
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), 0);
}

}  // namespace
