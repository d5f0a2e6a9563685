// The platform's mail object ("CDO.Message"): one plain-text message, composed through its
// properties and handed over by Send.
//
// Where a message goes is the installation's business, not the caller's: Send reads
// "mail.conf" in the installation home ($CORVANE_HOME, else $HOME/.corvane) each time, one
// "name = value" a line ("#" starts a comment):
//
//   server   = smtp.example        the SMTP server; without one, messages go to the pickup folder
//   port     = 587                 default 25 (465 with security = tls)
//   security = starttls            none (default), starttls (required, never falls back) or tls
//   user     = shop                credentials, sent only over STARTTLS or TLS
//   password = ...
//   cafile   = /etc/ssl/shop-ca.pem  the authorities the server's certificate is checked against
//   timeout  = 30                  seconds for one message
//   pickup   = /var/mail/pickup    default: mail/pickup in the installation home
//
// Without a server each message becomes one RFC 5322 file "<id>.eml" in the pickup folder. It is
// written under a hidden name and renamed into place once complete, so a program that collects
// the folder never sees half a message.
//
// The message is UTF-8 throughout: a subject or display name that is not plain ASCII is written
// as encoded words, the body as quoted-printable text. Header values lose their line breaks
// (a caller's value cannot add headers); envelope addresses with blanks or line breaks are
// refused. A send the server refuses raises kMailNotSent with the server's own answer.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/object.h"

namespace platform {

constexpr int32_t kMailNotSent = static_cast<int32_t>(0x80040211);     // transport or server refusal
constexpr int32_t kMailBadAddress = static_cast<int32_t>(0x80040212);  // no usable sender or recipient
constexpr int32_t kMailBadSettings = static_cast<int32_t>(0x80040213);  // mail.conf unreadable or wrong

struct MailSettings {
  std::string server;
  int port = 0;  // 0: the security's default
  std::string security = "none";
  std::string user, password, caFile;
  long timeoutSeconds = 30;
  std::string pickupFolder;

  // The settings of the installation's mail.conf (defaults when there is none).
  static MailSettings ofInstallation();
};

class MailMessage : public Object {
 public:
  const DispatchTable& dispatch() const override;

  std::string Subject() const { return subject_; }
  void SetSubject(const std::string& v) { subject_ = v; }
  std::string Sender() const { return sender_; }
  void SetSender(const std::string& v) { sender_ = v; }
  std::string From() const { return from_; }
  void SetFrom(const std::string& v) { from_ = v; }
  std::string To() const { return to_; }
  void SetTo(const std::string& v) { to_ = v; }
  std::string TextBody() const { return textBody_; }
  void SetTextBody(const std::string& v) { textBody_ = v; }
  bool MimeFormatted() const { return mimeFormatted_; }
  void SetMimeFormatted(bool v) { mimeFormatted_ = v; }

  // Hands the message to the installation's server, or writes it into the pickup folder.
  void Send();
  void send(const MailSettings& settings);

  // The message as it is handed over, lines ended by CR LF.
  std::string text() const;

 private:
  std::string subject_, sender_, from_, to_, textBody_;
  bool mimeFormatted_ = true;
};

namespace mail {

// The address inside "Name <address>", or the whole trimmed text; kMailBadAddress when it is
// empty or holds a blank, a line break or an angle bracket.
std::string envelopeAddress(const std::string& mailbox);
// The text as one header value: encoded words when it is not plain ASCII.
std::string headerText(const std::string& value);
// The body as quoted-printable lines of at most 76 characters.
std::string quotedPrintable(const std::string& body);

}  // namespace mail

}  // namespace platform
