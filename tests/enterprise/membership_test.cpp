#include "enterprise/membership.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using enterprise::Members;
using platform::ComError;
using platform::Variant;

ComError errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ComError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return ComError(0, {}, {});
}

class MembershipTest : public testsupport::SalesTest {
 protected:
  // The installation's site configuration: script user "merxascript", code "change-me", no root.
  static std::string siteConfiguration() { return testsupport::configDir() + "\\siteconfiguration.xml"; }
};

TEST_F(MembershipTest, ASignedInDirectoryGivesTheUsersProperties) {
  // Late bound, in the order the sales tier calls it.
  platform::ObjectPtr members = platform::createObject("CorvoMembership.Members");
  members->call("Initialize", {Variant(siteConfiguration())});
  members->call("Authenticate", {Variant("merxascript"), Variant("change-me")});

  platform::ObjectPtr user = members->call("GetUser", {Variant("U1")}).toObject();
  EXPECT_EQ(user->call("UserID").toString(), "U1");
  EXPECT_EQ(user->call("BusinessPartnerID").toLong(), 1001);
  EXPECT_EQ(user->call("FullName").toString(), "Ann Archer");
  EXPECT_EQ(user->call("EmailAddress").toString(), "ann.archer@acme.example");
  EXPECT_EQ(user->call("ManagerEmailAddress").toString(), "purchasing@acme.example");
  EXPECT_EQ(user->call("LocaleID").toLong(), 1033);
  EXPECT_EQ(user->call("UserReference").toString(), "AARCHER");

  EXPECT_TRUE(members->call("GetUser", {Variant("U3")}).toObject()->call("ManagerEmailAddress").isNull());
  EXPECT_EQ(members->call("GetUser", {Variant("U4")}).toObject()->call("FullName").toString(), "Dana O'Connell");
  for (const char* unknown : {"NOBODY", "u1", "x' OR '1'='1"}) {
    const ComError e = errorOf([&] { members->call("GetUser", {Variant(unknown)}); });
    EXPECT_EQ(e.number, enterprise::kUserNotFound) << unknown;
    EXPECT_NE(e.description.find(unknown), std::string::npos) << e.description;
  }
}

TEST_F(MembershipTest, EachStepNeedsTheOneBeforeAndTheRightAccount) {
  auto members = platform::makeObject<Members>();
  EXPECT_EQ(errorOf([&] { members->Authenticate("merxascript", "change-me"); }).number,
            enterprise::kMembershipNotReady);
  members->Initialize(siteConfiguration());
  EXPECT_EQ(errorOf([&] { members->GetUser("U1"); }).number, enterprise::kMembershipNotReady);

  const ComError wrong = errorOf([&] { members->Authenticate("merxascript", "guessed"); });
  EXPECT_EQ(wrong.number, enterprise::kMembershipAccessDenied);
  EXPECT_NE(wrong.description.find("'merxascript'"), std::string::npos) << wrong.description;
  EXPECT_EQ(wrong.description.find("guessed"), std::string::npos) << wrong.description;
  EXPECT_EQ(errorOf([&] { members->GetUser("U1"); }).number, enterprise::kMembershipNotReady);

  // Below a directory root only the distinguished name signs in.
  const std::string rooted = testsupport::corvaneHome() + "/rooted-site.xml";
  std::ofstream(rooted) << "<siteconfiguration><section name='MEMBERSHIP'>"
                           "<value key='MemScriptUser'>merxascript</value>"
                           "<value key='MemScriptCode'>change-me</value>"
                           "<value key='LDAPRoot'>ou=web,dc=shop</value></section></siteconfiguration>";
  members->Initialize(rooted);
  EXPECT_EQ(errorOf([&] { members->Authenticate("merxascript", "change-me"); }).number,
            enterprise::kMembershipAccessDenied);
  members->Authenticate("merxascript,ou=web,dc=shop", "change-me");
  EXPECT_EQ(members->GetUser("U2")->LocaleID().toLong(), 1031);

  members->Initialize(siteConfiguration());  // a new initialisation forgets the sign-in
  EXPECT_EQ(errorOf([&] { members->GetUser("U1"); }).number, enterprise::kMembershipNotReady);
}

}  // namespace
