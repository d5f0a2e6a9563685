#include "enterprise/log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/enterprise/temp_home.h"

namespace {

using enterprisetest::TempHome;
using platform::Variant;

std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Log, AppendsEntriesWithTheMessageIntactUnderTheHomeByDefault) {
  TempHome home;
  testsupport::ScopedEnv noLogFile("CORVANE_LOG", "");
  auto log = platform::makeObject<enterprise::Log>();
  const std::string message = "\r\nERROR 0x8004014A\r\n METHOD: Merxa.Order.Restore()\r\n DESC: gone.\r\n";
  log->WriteEntry("Merxa.Order", message, 0, Variant());
  log->call("WriteEntry", {Variant("Merxa.Basket"), Variant("careful"), Variant(2)});  // extra left off

  const std::string text = readAll(home.path() / "log" / "merxa.log");
  const std::regex header(R"(=== \d{4}-\d\d-\d\d \d\d:\d\d:\d\d level 0 \(error\) Merxa\.Order\n)");
  EXPECT_TRUE(std::regex_search(text, header)) << text;
  EXPECT_NE(text.find("Merxa.Order\n" + message + "\n\n"), std::string::npos);
  EXPECT_NE(text.find("level 2 (warning) Merxa.Basket\ncareful\n\n"), std::string::npos) << text;
}

TEST(Log, EntriesFromManyThreadsNeverInterleave) {
  TempHome home;
  const std::string file = (home.path() / "elsewhere" / "shared.log").string();
  testsupport::ScopedEnv logFile("CORVANE_LOG", file);
  const std::string body(6000, 'x');  // larger than PIPE_BUF: only one write per entry keeps it whole
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t, &body] {
      auto log = platform::makeObject<enterprise::Log>();
      for (int i = 0; i < 50; ++i)
        log->WriteEntry("T" + std::to_string(t), "begin\r\n" + body + "\r\nend", 0, Variant("extra"));
    });
  for (auto& t : threads) t.join();

  // Each entry must be a whole header line followed by its whole message, one after another.
  const std::string text = readAll(file);
  const std::string tail = "begin\r\n" + body + "\r\nend\nextra: extra\n\n";
  const std::regex header(R"(=== [0-9: -]+ level 0 \(error\) T[0-7])");
  size_t at = 0;
  int n = 0;
  while (at < text.size()) {
    const size_t eol = text.find('\n', at);
    ASSERT_NE(eol, std::string::npos);
    ASSERT_TRUE(std::regex_match(text.substr(at, eol - at), header)) << text.substr(at, 80);
    ASSERT_EQ(text.compare(eol + 1, tail.size(), tail), 0) << "entry " << n;
    at = eol + 1 + tail.size();
    ++n;
  }
  EXPECT_EQ(n, 400);
}

}  // namespace
