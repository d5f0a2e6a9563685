#include "tests/support/smtp_sink.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> filesEnding(const std::string& folder, const std::string& ending) {
  std::vector<fs::path> paths;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ending) paths.push_back(e.path());
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> out;
  for (const auto& p : paths) out.push_back(slurp(p));
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string unbase64(const std::string& text) {
  static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const size_t v = digits.find(c);
    if (v == std::string::npos) continue;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

}  // namespace

SmtpSink::SmtpSink(const std::vector<std::string>& options) {
  folder_ = (fs::temp_directory_path() / ("merxa-smtp-" + std::to_string(getpid()) + "-" +
                                          std::to_string(std::chrono::steady_clock::now().time_since_epoch().count())))
                .string();
  fs::create_directories(folder_);
  // Debian's interpreter, which has Debian's aiosmtpd, also where another python3 comes first.
  const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  std::vector<std::string> argv = {python, std::string(MERXA_SMTP_SINK), folder_};
  argv.insert(argv.end(), options.begin(), options.end());
  pid_ = fork();
  if (pid_ == 0) {
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    execvp(raw[0], raw.data());
    _exit(127);
  }
  for (int i = 0; i < 200 && !fs::exists(folder_ + "/port"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!fs::exists(folder_ + "/port")) throw std::runtime_error("the SMTP test server did not start");
  port_ = std::stoi(slurp(folder_ + "/port"));
}

SmtpSink::~SmtpSink() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

std::vector<std::string> SmtpSink::messages() const { return filesEnding(folder_, ".eml"); }
std::vector<std::string> SmtpSink::envelopes() const { return filesEnding(folder_, ".env"); }

void SmtpSink::configure(const std::string& home) const {
  std::ofstream(home + "/mail.conf") << "# the tests' own server\nserver = 127.0.0.1\nport = " << port_
                                     << "\ntimeout = 20\n";
}

std::string mailBody(const std::string& message) {
  const size_t start = message.find("\r\n\r\n");
  if (start == std::string::npos) return "";
  const std::string qp = message.substr(start + 4);
  std::string out;
  for (size_t i = 0; i < qp.size(); ++i) {
    if (qp[i] == '=' && i + 2 < qp.size() && qp[i + 1] == '\r' && qp[i + 2] == '\n') {
      i += 2;
    } else if (qp[i] == '=' && i + 2 < qp.size() && hexValue(qp[i + 1]) >= 0 && hexValue(qp[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(qp[i + 1]) * 16 + hexValue(qp[i + 2]));
      i += 2;
    } else {
      out += qp[i];
    }
  }
  if (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0) out.resize(out.size() - 2);
  return out;
}

std::string mailHeader(const std::string& message, const std::string& name) {
  const std::string head = message.substr(0, message.find("\r\n\r\n"));
  size_t at = ("\r\n" + head).find("\r\n" + name + ": ");
  if (at == std::string::npos) return "(missing)";
  at += name.size() + 2;
  std::string value;
  for (size_t end; (end = head.find("\r\n", at)) != std::string::npos || at < head.size();) {
    value += head.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (end == std::string::npos || end + 2 >= head.size() || head[end + 2] != ' ') break;
    at = end + 3;  // a folded line goes on after its blank
  }
  // Encoded words, as the mail object writes them.
  std::string out;
  for (size_t i = 0; i < value.size();) {
    const size_t open = value.find("=?UTF-8?B?", i);
    if (open == std::string::npos) {
      out += value.substr(i);
      break;
    }
    out += value.substr(i, open - i);
    const size_t close = value.find("?=", open + 10);
    out += unbase64(value.substr(open + 10, close - open - 10));
    i = close + 2;
  }
  return out;
}

}  // namespace testsupport
