#include "enterprise/membership.h"

#include "enterprise/config_store.h"
#include "enterprise/sales_database.h"
#include "enterprise/sql_encoder.h"

namespace enterprise {

using platform::Variant;

namespace {

constexpr const char* kSource = "CorvoMembership.Members";
constexpr const char* kSection = "MEMBERSHIP";

}  // namespace

const platform::DispatchTable& User::dispatch() const {
  static const platform::DispatchTable table = platform::Members<User>("CorvoMembership.User")
                                                   .property("UserID", &User::UserID)
                                                   .property("BusinessPartnerID", &User::BusinessPartnerID)
                                                   .property("FullName", &User::FullName)
                                                   .property("EmailAddress", &User::EmailAddress)
                                                   .property("ManagerEmailAddress", &User::ManagerEmailAddress)
                                                   .property("LocaleID", &User::LocaleID)
                                                   .property("UserReference", &User::UserReference);
  return table;
}

const platform::DispatchTable& Members::dispatch() const {
  static const platform::DispatchTable table = platform::Members<Members>(kSource)
                                                   .method("Initialize", &Members::Initialize)
                                                   .method("Authenticate", &Members::Authenticate)
                                                   .method("GetUser", &Members::GetUser);
  return table;
}

void Members::Initialize(const std::string& siteConfigPath) {
  account_.reset();
  authenticated_ = false;
  ConfigDocumentPtr site = ConfigDocument::load(siteConfigPath);
  Account account{site->value(kSection, "MemScriptUser"), site->value(kSection, "MemScriptCode")};
  const std::string& root = site->value(kSection, "LDAPRoot");
  if (!platform::trimBlanks(root).empty()) account.user += "," + root;
  account_ = std::move(account);
}

void Members::Authenticate(const std::string& user, const std::string& code) {
  authenticated_ = false;
  if (!account_)
    platform::raiseError(kMembershipNotReady, kSource,
                         "The membership directory is not initialised; call Initialize with the site configuration");
  // The code is never repeated in a message.
  if (user != account_->user || code != account_->code)
    platform::raiseError(kMembershipAccessDenied, kSource,
                         "Authentication of '" + user + "' failed: unknown script user or wrong code");
  authenticated_ = true;
}

std::shared_ptr<User> Members::GetUser(const std::string& userId) {
  if (!authenticated_)
    platform::raiseError(kMembershipNotReady, kSource,
                         "Not authenticated; call Authenticate with the script user before asking for users");
  auto rs = SalesSession().query(
      "SELECT USERID, BUSINESSPARTNERID, FULLNAME, EMAILADDRESS, MANAGEREMAILADDRESS, LOCALEID, USERREFERENCE "
      "FROM WEBUSER WHERE USERID = " +
      sqlText(userId));
  if (rs->empty()) platform::raiseError(kUserNotFound, kSource, "User '" + userId + "' does not exist");
  return platform::makeObject<User>(User::Row{rs->value("USERID").toString(), rs->value("BUSINESSPARTNERID"),
                                              rs->value("FULLNAME"), rs->value("EMAILADDRESS"),
                                              rs->value("MANAGEREMAILADDRESS"), rs->value("LOCALEID"),
                                              rs->value("USERREFERENCE")});
}

}  // namespace enterprise
