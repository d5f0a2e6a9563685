#include "enterprise/membership.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/registry.h"
#include "tests/enterprise/error_of.h"
#include "tests/support/sales_fixture.h"

namespace {

using enterprise::Members;
using enterprisetest::errorOf;
using platform::Variant;

class MembershipTest : public testsupport::SalesTest {
 protected:
  // Script user "merxascript", code "change-me", no directory root.
  const std::string site = testsupport::configDir() + "\\siteconfiguration.xml";
};

TEST_F(MembershipTest, ASignedInDirectoryGivesUsersAndOnlyThoseItHolds) {
  platform::ObjectPtr members = platform::createObject("CorvoMembership.Members");
  members->call("Initialize", {Variant(site)});
  members->call("Authenticate", {Variant("merxascript"), Variant("change-me")});
  platform::ObjectPtr user = members->call("GetUser", {Variant("U1")}).toObject();
  EXPECT_EQ(user->call("ManagerEmailAddress").toString(), "purchasing@acme.example");
  EXPECT_EQ(user->call("UserReference").toString(), "AARCHER");
  EXPECT_EQ(user->call("BusinessPartnerID").toLong(), 1001);
  EXPECT_TRUE(members->call("GetUser", {Variant("U3")}).toObject()->call("ManagerEmailAddress").isNull());
  for (const char* unknown : {"u1", "x' OR '1'='1"})
    EXPECT_EQ(errorOf([&] { members->call("GetUser", {Variant(unknown)}); }).number, enterprise::kUserNotFound);
}

TEST_F(MembershipTest, EachStepNeedsTheOneBeforeAndTheRightAccount) {
  auto members = platform::makeObject<Members>();
  EXPECT_EQ(errorOf([&] { members->Authenticate("merxascript", "change-me"); }).number,
            enterprise::kMembershipNotReady);
  members->Initialize(site);
  const platform::ComError wrong = errorOf([&] { members->Authenticate("merxascript", "guessed"); });
  EXPECT_EQ(wrong.number, enterprise::kMembershipAccessDenied);
  EXPECT_EQ(wrong.description.find("guessed"), std::string::npos) << wrong.description;
  EXPECT_EQ(errorOf([&] { members->GetUser("U1"); }).number, enterprise::kMembershipNotReady);

  // Below a directory root only the distinguished name signs in.
  const std::string rooted = testsupport::corvaneHome() + "/rooted-site.xml";
  std::ofstream(rooted) << "<siteconfiguration><section name='MEMBERSHIP'>"
                           "<value key='MemScriptUser'>merxascript</value><value key='MemScriptCode'>change-me</value>"
                           "<value key='LDAPRoot'>ou=web,dc=shop</value></section></siteconfiguration>";
  members->Initialize(rooted);
  EXPECT_EQ(errorOf([&] { members->Authenticate("merxascript", "change-me"); }).number,
            enterprise::kMembershipAccessDenied);
  members->Authenticate("merxascript,ou=web,dc=shop", "change-me");
  EXPECT_EQ(members->GetUser("U2")->LocaleID().toLong(), 1031);

  members->Initialize(site);  // forgets the sign-in
  EXPECT_EQ(errorOf([&] { members->GetUser("U1"); }).number, enterprise::kMembershipNotReady);
}

}  // namespace
