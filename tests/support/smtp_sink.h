// A real SMTP server for the mail tests: tests/support/smtp_sink.py (Debian's python3-aiosmtpd)
// started on a free loopback port for the life of the object, and what it received.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

class SmtpSink {
 public:
  // `options` are passed to the server: "--refuse 3", "--hang 2".
  explicit SmtpSink(const std::vector<std::string>& options = {});
  ~SmtpSink();
  SmtpSink(const SmtpSink&) = delete;
  SmtpSink& operator=(const SmtpSink&) = delete;

  int port() const { return port_; }
  // The messages accepted so far, as they arrived (CR LF lines), and their envelopes.
  std::vector<std::string> messages() const;
  std::vector<std::string> envelopes() const;
  // Writes a mail.conf that sends through this server into the installation home `home`.
  void configure(const std::string& home) const;

 private:
  std::string folder_;
  int pid_ = -1;
  int port_ = 0;
};

// The decoded body of a quoted-printable message text, and one header's value (encoded words
// decoded), as a mail reader shows them.
std::string mailBody(const std::string& message);
std::string mailHeader(const std::string& message, const std::string& name);

}  // namespace testsupport
