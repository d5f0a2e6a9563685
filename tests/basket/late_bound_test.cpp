// A caller that links only the platform: it finds "Merxa.Basket" through the registration
// file and uses it late-bound, by member name, as the shop's pages do.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Args;
using platform::CallKind;
using platform::ObjectPtr;
using platform::Variant;

ObjectPtr item(const Variant& collection, const char* key) {
  return collection.toObject()->call("Item", {Variant(key)}).toObject();
}

Variant fieldValue(const ObjectPtr& recordset, const char* name) {
  return recordset->call("Fields").toObject()->call("Item", {Variant(name)}).toObject()->call("Value");
}

class LateBoundBasketTest : public testsupport::SalesTest {};

TEST_F(LateBoundBasketTest, CreateRestoreCopyConvertAndDeleteByMemberName) {
  ObjectPtr basket = platform::createObject("Merxa.Basket");
  const Variant created = basket->call("CREATE", {Variant("U1"), Variant(testsupport::demoPartnerId())});
  const std::string id = fieldValue(item(created, "header"), "BASKETID").toString();
  ASSERT_EQ(id.size(), 32u);

  const Variant restored = basket->call("restore", {Variant(id)});
  EXPECT_EQ(fieldValue(item(restored, "header"), "USERID").toString(), "U1");

  const Variant copy = basket->call("Copy", {restored, Variant("second")});
  const std::string copyId = fieldValue(item(copy, "header"), "BASKETID").toString();
  EXPECT_NE(copyId, id);

  Args byRef{Variant(copyId)};
  EXPECT_EQ(basket->invoke("GetBPStoredInDB", CallKind::Method, byRef).toLong(), testsupport::demoPartnerId());

  // The order form, with the captions of the message manager found by its ProgID.
  const Variant manager(platform::createObject("Corvane.MessageManager"));
  item(restored, "header")->call("Fields").toObject()->call("Item", {Variant("USERLOCALE")}).toObject()->put(
      "Value", Variant(1031));
  const std::string xml = basket->call("ConvertToXML", {restored, manager, Variant("1031")}).toString();
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\"?><Order><DocumentTypeID>WebOrder</DocumentTypeID>"
                      "<WebOrderTitle>Bestellformular</WebOrderTitle>", 0),
            0u)
      << xml.substr(0, 200);

  basket->call("Delete", {Variant(id)});
  basket->call("Delete", {Variant(copyId)});
  byRef = {Variant(id)};
  EXPECT_EQ(basket->invoke("GetBPStoredInDB", CallKind::Method, byRef).toLong(), 0);
}

TEST(LateBoundCalls, UnknownMembersAndArgumentCountsFailAsThePlatformDoes) {
  ObjectPtr basket = platform::createObject("Merxa.Basket");
  try {
    basket->call("Frobnicate");
    FAIL();
  } catch (const platform::ComError& e) {
    EXPECT_EQ(e.errNumber(), 438);
  }
  try {
    basket->call("Restore");
    FAIL();
  } catch (const platform::ComError& e) {
    EXPECT_EQ(e.errNumber(), 449);
  }
  try {
    basket->call("Delete", {Variant("a"), Variant("b")});
    FAIL();
  } catch (const platform::ComError& e) {
    EXPECT_EQ(e.errNumber(), 450);
  }
  try {
    platform::createObject("Merxa.NoSuchClass");
    FAIL();
  } catch (const platform::ComError& e) {
    EXPECT_EQ(e.errNumber(), 429);
  }
}

}  // namespace
