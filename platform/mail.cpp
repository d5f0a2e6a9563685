#include "platform/mail.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/guid.h"
#include "platform/registry.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSource = "CDO.Message";

std::string trimmed(const std::string& s) {
  const size_t begin = s.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

std::string installationHome() {
  if (const char* h = std::getenv("CORVANE_HOME"); h && *h) return h;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : ".") + "/.corvane";
}

bool plainAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Header values are one line: a caller's line break would start a header of its own.
std::string oneLine(const std::string& value) {
  std::string out = value;
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

std::string base64(const std::string& bytes) {
  static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    out += {digits[n >> 18], digits[(n >> 12) & 63], digits[(n >> 6) & 63], digits[n & 63]};
  }
  if (i + 1 == bytes.size()) {
    const uint32_t n = uint8_t(bytes[i]) << 16;
    out += {digits[n >> 18], digits[(n >> 12) & 63], '=', '='};
  } else if (i + 2 == bytes.size()) {
    const uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8);
    out += {digits[n >> 18], digits[(n >> 12) & 63], digits[(n >> 6) & 63], '='};
  }
  return out;
}

// "Name <address>" with the name encoded where it needs to be.
std::string mailboxHeader(const std::string& mailbox) {
  const std::string value = trimmed(oneLine(mailbox));
  const size_t open = value.rfind('<');
  if (open == std::string::npos || open == 0) return value;
  const std::string name = trimmed(value.substr(0, open));
  return (name.empty() ? std::string() : mail::headerText(name) + " ") + value.substr(open);
}

std::string rfc5322Date() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[64];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", &utc);
  return text;
}

std::string newId() {
  Guid g;
  newGuid(g);
  std::string id;
  for (char c : guidText(g))
    if (c != '{' && c != '}' && c != '-') id += c;
  return id;
}

[[noreturn]] void badSettings(const std::string& what) {
  raiseError(kMailBadSettings, kSource, "mail.conf: " + what);
}

// ---- the two ways out ---------------------------------------------------------------------

void writeToPickup(const std::string& folder, const std::string& text) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::string id = newId();
  const fs::path aside = fs::path(folder) / ("." + id + ".tmp");
  const fs::path final = fs::path(folder) / (id + ".eml");
  {
    std::ofstream out(aside, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
      fs::remove(aside, ec);
      raiseError(kMailNotSent, kSource, "The message could not be written into the pickup folder " + folder);
    }
  }
  fs::rename(aside, final, ec);
  if (ec) {
    fs::remove(aside, ec);
    raiseError(kMailNotSent, kSource, "The message could not be placed into the pickup folder " + folder);
  }
}

struct Upload {
  const std::string* text = nullptr;
  size_t offset = 0;
  std::vector<std::string> answers;  // what the server said, line by line
};

size_t readUpload(char* buffer, size_t size, size_t count, void* user) {
  auto* up = static_cast<Upload*>(user);
  const size_t n = std::min(size * count, up->text->size() - up->offset);
  std::memcpy(buffer, up->text->data() + up->offset, n);
  up->offset += n;
  return n;
}

int keepAnswers(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  if (type == CURLINFO_HEADER_IN) {
    auto* up = static_cast<Upload*>(user);
    up->answers.push_back(trimmed(std::string(data, size)));
    if (up->answers.size() > 8) up->answers.erase(up->answers.begin());
  }
  return 0;
}

void sendBySmtp(const MailSettings& s, const std::string& from, const std::string& to, const std::string& text) {
  const bool implicitTls = s.security == "tls";
  const bool startTls = s.security == "starttls";
  if (!implicitTls && !startTls && s.security != "none") badSettings("security is none, starttls or tls, not " + s.security);
  if (!s.user.empty() && !implicitTls && !startTls) badSettings("credentials are sent only over starttls or tls");

  std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) raiseError(kMailNotSent, kSource, "The mail transport could not be started");
  const int port = s.port ? s.port : (implicitTls ? 465 : 25);
  const std::string url = std::string(implicitTls ? "smtps://" : "smtp://") + s.server + ":" + std::to_string(port);
  const std::string envelopeFrom = "<" + from + ">";
  curl_slist* recipients = curl_slist_append(nullptr, ("<" + to + ">").c_str());
  std::unique_ptr<curl_slist, void (*)(curl_slist*)> keep(recipients, curl_slist_free_all);
  Upload upload;
  upload.text = &text;
  char error[CURL_ERROR_SIZE] = "";

  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, envelopeFrom.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients);
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(c, CURLOPT_READFUNCTION, readUpload);
  curl_easy_setopt(c, CURLOPT_READDATA, &upload);
  curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(text.size()));
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, s.timeoutSeconds);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, keepAnswers);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, &upload);
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // the debug function then sees the server's answers
  if (startTls) curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  if (!s.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, s.caFile.c_str());
  if (!s.user.empty()) {
    curl_easy_setopt(c, CURLOPT_USERNAME, s.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, s.password.c_str());
  }
  const CURLcode rc = curl_easy_perform(c);
  if (rc != CURLE_OK) {
    std::string description = "The message to " + to + " could not be sent through " + s.server + ":" +
                              std::to_string(port) + ": " + (*error ? error : curl_easy_strerror(rc));
    if (!upload.answers.empty()) description += ". The server answered: " + upload.answers.back();
    raiseError(kMailNotSent, kSource, description);
  }
}

const bool registered = [] {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  registerClass("CDO.Message", "{CD000001-8B95-11D1-82DB-00C04FB1625D}", [] { return makeObject<MailMessage>(); });
  return true;
}();

}  // namespace

// ---- settings -----------------------------------------------------------------------------

MailSettings MailSettings::ofInstallation() {
  MailSettings s;
  const std::string home = installationHome();
  s.pickupFolder = home + "/mail/pickup";
  std::ifstream in(home + "/mail.conf");
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    line = trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) badSettings("line " + std::to_string(number) + " is not name = value");
    const std::string name = trimmed(line.substr(0, eq)), value = trimmed(line.substr(eq + 1));
    const auto number_ = [&](long low, long high) {
      char* end = nullptr;
      const long n = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end || n < low || n > high) badSettings(name + " is not a number from " +
                                                                    std::to_string(low) + " to " + std::to_string(high));
      return n;
    };
    if (name == "server") s.server = value;
    else if (name == "port") s.port = static_cast<int>(number_(1, 65535));
    else if (name == "security") s.security = value;
    else if (name == "user") s.user = value;
    else if (name == "password") s.password = value;
    else if (name == "cafile") s.caFile = value;
    else if (name == "timeout") s.timeoutSeconds = number_(1, 3600);
    else if (name == "pickup") s.pickupFolder = value;
    else badSettings("unknown setting " + name);
  }
  return s;
}

// ---- the message --------------------------------------------------------------------------

const DispatchTable& MailMessage::dispatch() const {
  static const DispatchTable table = Members<MailMessage>(kSource)
                                         .property("Subject", &MailMessage::Subject, &MailMessage::SetSubject)
                                         .property("Sender", &MailMessage::Sender, &MailMessage::SetSender)
                                         .property("From", &MailMessage::From, &MailMessage::SetFrom)
                                         .property("To", &MailMessage::To, &MailMessage::SetTo)
                                         .property("TextBody", &MailMessage::TextBody, &MailMessage::SetTextBody)
                                         .property("MimeFormatted", &MailMessage::MimeFormatted,
                                                   &MailMessage::SetMimeFormatted)
                                         .method("Send", &MailMessage::Send);
  return table;
}

std::string MailMessage::text() const {
  const std::string from = from_.empty() ? sender_ : from_;
  std::string t = "Date: " + rfc5322Date() + "\r\n";
  t += "From: " + mailboxHeader(from) + "\r\n";
  if (!sender_.empty() && trimmed(sender_) != trimmed(from)) t += "Sender: " + mailboxHeader(sender_) + "\r\n";
  t += "To: " + mailboxHeader(to_) + "\r\n";
  t += "Subject: " + mail::headerText(oneLine(subject_)) + "\r\n";
  t += "Message-ID: <" + newId() + "@merxa.mail>\r\n";
  t += "MIME-Version: 1.0\r\n";
  t += "Content-Type: text/plain; charset=utf-8\r\n";
  t += "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
  t += mail::quotedPrintable(textBody_);
  return t;
}

void MailMessage::Send() { send(MailSettings::ofInstallation()); }

void MailMessage::send(const MailSettings& settings) {
  const std::string sender = mail::envelopeAddress(from_.empty() ? sender_ : from_);
  const std::string recipient = mail::envelopeAddress(to_);
  const std::string message = text();
  if (settings.server.empty()) writeToPickup(settings.pickupFolder, message);
  else sendBySmtp(settings, sender, recipient, message);
}

// ---- encodings ----------------------------------------------------------------------------

namespace mail {

std::string envelopeAddress(const std::string& mailbox) {
  std::string address = trimmed(mailbox);
  if (const size_t open = address.rfind('<'); open != std::string::npos) {
    const size_t close = address.find('>', open);
    address = close == std::string::npos ? "" : address.substr(open + 1, close - open - 1);
  }
  const bool usable = !address.empty() && address.find_first_of(" \t\r\n<>,") == std::string::npos &&
                      address.find('@') != std::string::npos;
  if (!usable) raiseError(kMailBadAddress, kSource, "'" + oneLine(mailbox) + "' is no mail address");
  return address;
}

std::string headerText(const std::string& value) {
  if (plainAscii(value)) return value;
  // Encoded words of at most 75 characters each, never splitting a character.
  std::string out;
  size_t i = 0;
  while (i < value.size()) {
    size_t end = std::min(value.size(), i + 45);
    while (end < value.size() && (uint8_t(value[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + base64(value.substr(i, end - i)) + "?=";
    i = end;
  }
  return out;
}

std::string quotedPrintable(const std::string& body) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = body.size();
    size_t stop = end;
    if (stop > start && body[stop - 1] == '\r') --stop;
    if (last && start == end) break;  // the body ended with its line break
    std::string line;
    size_t width = 0;
    for (size_t i = start; i < stop; ++i) {
      const unsigned char c = body[i];
      std::string token;
      const bool trailingBlank = (c == ' ' || c == '\t') && i + 1 == stop;
      if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !trailingBlank)) token = std::string(1, c);
      else token = {'=', hex[c >> 4], hex[c & 15]};
      if (width + token.size() > 75) {
        line += "=\r\n";
        width = 0;
      }
      line += token;
      width += token.size();
    }
    out += line + "\r\n";
    if (last) break;
    start = end + 1;
  }
  return out;
}

}  // namespace mail

}  // namespace platform
