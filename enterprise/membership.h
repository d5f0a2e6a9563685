// Membership directory ("CorvoMembership.Members", "CorvoMembership.User"): the shop's web
// users, kept in the master-data table WEBUSER of the sales database.
//
// A members object is used in three steps, each needing the one before:
//   Initialize(path)          reads the section MEMBERSHIP of the site configuration file at
//                             `path`: the script account allowed to read the directory
//                             (MemScriptUser, MemScriptCode) and the directory root (LDAPRoot)
//   Authenticate(user, code)  signs in with the script account; below a root that is not
//                             blank the account is named by its distinguished name,
//                             "<MemScriptUser>,<LDAPRoot>", otherwise by MemScriptUser alone
//   GetUser(userId)           the user object of one web user
// Initialize again forgets the sign-in. Out of order: kMembershipNotReady; wrong account or
// code: kMembershipAccessDenied; an unknown user: kUserNotFound.
//
// A user object is a snapshot of one row of WEBUSER; created on its own (by ProgID) it is
// empty. Its text and number properties are Null where the directory holds nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/object.h"

namespace enterprise {

constexpr int32_t kMembershipNotReady = static_cast<int32_t>(0x80040211);
constexpr int32_t kMembershipAccessDenied = static_cast<int32_t>(0x80040212);
constexpr int32_t kUserNotFound = static_cast<int32_t>(0x80040213);

class User : public platform::Object {
 public:
  struct Row {
    std::string userId;
    platform::Variant businessPartnerId, fullName, emailAddress, managerEmailAddress, localeId, userReference;
  };

  User() = default;
  explicit User(Row row) : row_(std::move(row)) {}
  const platform::DispatchTable& dispatch() const override;

  std::string UserID() const { return row_.userId; }
  platform::Variant BusinessPartnerID() const { return row_.businessPartnerId; }
  platform::Variant FullName() const { return row_.fullName; }
  platform::Variant EmailAddress() const { return row_.emailAddress; }
  // A second address that receives the user's mail as well (a manager or purchasing desk).
  platform::Variant ManagerEmailAddress() const { return row_.managerEmailAddress; }
  platform::Variant LocaleID() const { return row_.localeId; }  // a Windows locale identifier
  // The text the ERP gets as the second reference of the user's orders.
  platform::Variant UserReference() const { return row_.userReference; }

 private:
  Row row_;
};

class Members : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  void Initialize(const std::string& siteConfigPath);
  void Authenticate(const std::string& user, const std::string& code);
  std::shared_ptr<User> GetUser(const std::string& userId);

 private:
  struct Account {
    std::string user;  // as the directory names it: with the root when there is one
    std::string code;
  };
  std::optional<Account> account_;
  bool authenticated_ = false;
};

}  // namespace enterprise
