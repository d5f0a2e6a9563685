// The reminder run: a mail to the web user of every quotation whose reminder date has come and
// that has not expired, in the user's language.
//
// A reminder must reach each quotation's user once, also when a run fails half-way, is killed,
// or runs beside another one. So every quotation is claimed on its own before its mail goes out:
// an UPDATE that sets NOTIFICATIONSENT only where it is still 0, in a transaction that commits
// once the mail server (or the pickup folder) has taken the mail.
//   - A run that finds the mark already set leaves the quotation to the run that set it.
//   - A mail that fails rolls its claim back: the quotation stays due for the next run, and the
//     marks of the mails sent before it are already stored.
//   - A run killed before the mail was taken leaves the quotation due; only a kill in the instant
//     between the server's acceptance and the commit repeats one. Marking first and mailing
//     after would lose that reminder for good instead.
// While a claim is open its row stays locked, so a second run waits for the first one's mail
// before it sees the mark.
#include <optional>

#include "common/encoding.h"
#include "common/error_handling.h"
#include "common/formatting.h"
#include "common/lib_sales.h"
#include "common/site_user_product.h"
#include "platform/data/recordset.h"
#include "platform/registry.h"
#include "quotation/quotation.h"

namespace merxa {

namespace ado = platform::data;
using platform::ObjectPtr;

namespace {

constexpr const char* kSendMethod = "Merxa.Quotation.Run.SendNotificationMail() ";

const char* const kMailCaptions[] = {"SLBSA7002", "SLBSA7003", "SLBSA7004", "SLBSA7005",
                                     "SLBSA7006", "SLBSA7007", "SLBSA7008", "SLBSA7009",
                                     "SLBSA7000", "SLBSA7012", "SLBSA7013", "SLBSA7015"};

// What the run knows of the user whose quotations it is mailing.
struct Recipient {
  std::string userId;
  ObjectPtr user;  // null: the directory had no usable user
  std::string name, address;
  std::string siteAddress;
};

// The captions and date template of one caption language.
struct MailTexts {
  Variant locale;
  DictionaryPtr captions;
  std::string dateTemplate;

  std::string operator()(const char* code) const {
    if (!captions) platform::raiseVb(platform::vb::ObjectNotSet, "Merxa.Quotation");
    return captions->Item(Variant(code)).toString();
  }
};

std::string textOf(const Variant& v) { return v.isNull() || v.isEmpty() ? std::string() : v.toString(); }

// A date of the quotation as the user's locale writes it, so that the template printed after
// it reads it right.
std::string dateText(const Variant& value, int32_t locale) {
  if (value.isNull() || value.isEmpty()) return "";
  return Sls_FormatDate(value.toDate().dateOnly(), locale);
}

}  // namespace

Variant Quotation::Run() {
  std::string name = "QuotationImplemented";
  if (Variant(Sls_GetParameterValue(name)).toBool()) SendNotificationMail();
  return Variant();
}

Variant Quotation::fillLabelsArray() {
  std::vector<Variant> keys;
  try {
    for (const char* code : kMailCaptions) keys.emplace_back(code);
  } catch (...) {
    LogError("Merxa.Quotation.fillLabelsArray(): ", Variant("Filling of Labels failed"));
  }
  return Variant::array(std::move(keys));
}

RecordsetPtr Quotation::getToBeNotifiedQuotations() {
  try {
    const std::string today = SqlLiteralDate(Date::today());
    const std::string sql = std::string(" SELECT QUOTATIONID, CUSTOMERREFERENCE,CREATIONDATE,USERID,EXPIRYDATE, ") +
                            " NOTIFICATIONNEEDED, NOTIFICATIONDATE, NOTIFICATIONSENT, USERLOCALE " +
                            " FROM QUOTATIONHEADER " + " WHERE NOTIFICATIONNEEDED = 1 " +
                            "   AND ( NOTIFICATIONDATE IS NOT NULL AND " + "       NOTIFICATIONDATE <= " + today +
                            " ) " + "   AND NOTIFICATIONSENT = 0 " + "   AND EXPIRYDATE > " + today;
    ScopedConnection cn;
    auto rs = platform::makeObject<ado::Recordset>();
    rs->SetCursorLocation(ado::adUseClient);
    rs->open(sql, cn.get(), ado::adOpenKeyset, ado::adLockBatchOptimistic);
    rs->detach();
    return rs;
  } catch (...) {
    LogError("Merxa.Quotation.getToBeNotifiedQuotations(): ", Variant("Selection of to be Notified Quotations failed "));
    return nullptr;
  }
}

void Quotation::UpdateNotificationStatus(Variant& iQuotationRs) {
  RecordsetPtr rs;
  try {
    rs = iQuotationRs.as<ado::Recordset>();
    ScopedConnection cn;
    ScopedTransaction tx(cn.get());
    rs->SetActiveConnection(Variant(std::static_pointer_cast<platform::Object>(cn.get())));
    rs->UpdateBatch(Variant(static_cast<int32_t>(ado::adAffectAll)));
    rs->detach();
    tx.commit();
  } catch (...) {
    std::string id;
    try {
      if (rs && !rs->eof() && !rs->bof()) id = textOf(rs->value("QUOTATIONID"));
      if (rs) rs->detach();
    } catch (...) {
    }
    LogError("Merxa.Quotation.UpdateNotificationStatus()",
             Variant("Updation of NotificationSent flag Failed for Quotation - " + id));
  }
}

Variant Quotation::SendNotificationMail() {
  remindersSent_ = 0;
  std::string userName;
  try {
    const Variant keys = fillLabelsArray();
    RecordsetPtr due = getToBeNotifiedQuotations();
    if (!due || due->empty()) return Variant();
    due->SetSort("USERID");
    due->MoveFirst();
    ObjectPtr message = platform::createObject("CDO.Message");
    ScopedConnection cn;
    std::optional<Recipient> recipient;
    MailTexts texts;
    bool haveTexts = false;

    for (; !due->eof(); due->MoveNext()) {
      const std::string userId = textOf(due->value("USERID"));
      const std::string quotationId = textOf(due->value("QUOTATIONID"));
      if (!recipient || recipient->userId != userId) {
        recipient.emplace();
        recipient->userId = userId;
        std::string helpEmail;
        try {
          recipient->user = Sls_CreateUserObject(userId, &recipient->siteAddress, helpEmail);
        } catch (...) {
          recipient->user = nullptr;
        }
        if (!recipient->user) {
          // Nobody to write to: the user's quotations stay due, the other users get theirs.
          LogError("User details couldnot be obtained", Variant(userId));
        } else {
          recipient->name = textOf(recipient->user->call("FullName"));
          recipient->address = textOf(recipient->user->call("EmailAddress"));
          if (!Sls_HasValue(Variant(recipient->address)))
            LogError("No Email Address for the User ", Variant(recipient->name));
        }
        const Variant locale = due->value("USERLOCALE");
        if (!haveTexts || textOf(texts.locale) != textOf(locale)) {
          texts.locale = locale;
          texts.captions = Sls_getI18N(keys, userId, locale);
          std::vector<Variant> parts;
          for (const char* code : {"SLBSA7012", "SLBSA7000", "SLBSA7013", "SLBSA7015"})
            parts.emplace_back(texts.captions ? texts.captions->Item(Variant(code)) : Variant(""));
          texts.dateTemplate = Sls_FormatDateTemplate(Variant::array(std::move(parts)), locale.toLong()).toString();
          haveTexts = true;
        }
      }
      userName = recipient->name.empty() ? recipient->userId : recipient->name;
      if (!recipient->user || !Sls_HasValue(Variant(recipient->address))) continue;

      try {
        ScopedTransaction claim(cn.get());
        const int64_t claimed = cn->executeNoRecords(
            "UPDATE QUOTATIONHEADER SET NOTIFICATIONSENT = " + SqlLiteralFlag(1) +
            " WHERE QUOTATIONID = " + SqlLiteralText(quotationId) + " AND NOTIFICATIONSENT = 0");
        if (claimed == 0) continue;  // another run has mailed it

        const int32_t locale = due->value("USERLOCALE").toLong();
        const std::string reference = textOf(due->value("CUSTOMERREFERENCE"));
        message->put("Subject", Variant(texts("SLBSA7002") + " (" + reference + ")"));
        message->put("Sender", Variant(texts("SLBSA7009")));
        message->put("From", message->call("Sender"));
        message->put("MimeFormatted", Variant(true));
        message->put("To", Variant(recipient->address));
        std::string body = texts("SLBSA7003") + "\r\n\r\n";
        body += "       " + texts("SLBSA7004") + " " + reference;
        body += " ," + texts("SLBSA7005") + " " + dateText(due->value("CREATIONDATE"), locale) + texts.dateTemplate;
        body += texts("SLBSA7006") + " " + dateText(due->value("EXPIRYDATE"), locale) + texts.dateTemplate + ".";
        body += "\r\n" + texts("SLBSA7007") + std::string(14, ' ') + "\r\n";
        body += recipient->siteAddress + "/Merxa/currentorder/QuotationDetail.asp?" + "QuotationID=" + quotationId +
                "&mode=active";
        body += "\r\n\r\n" + texts("SLBSA7008") + "\r\n" + texts("SLBSA7009");
        message->put("TextBody", Variant(body));
        message->call("Send");
        claim.commit();
      } catch (...) {
        // The run stops here; this quotation stays due, the ones mailed before stay marked.
        LogError(kSendMethod, Variant("Mail couldnot be sent for User:" + userName));
        return Variant();
      }
      due->setValue("NOTIFICATIONSENT", Variant(SqlLiteralFlag(1)));
      ++remindersSent_;
    }
    // The marks are stored with each mail; the recordset only shows them to the caller.
  } catch (...) {
    LogError(kSendMethod, Variant("Mail couldnot be sent for User:" + userName));
  }
  return Variant();
}

}  // namespace merxa
