// merxa notify as a scheduler runs it, killed in the middle of a run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "tests/support/smtp_sink.h"

namespace {

namespace fs = std::filesystem;

// Starts `merxa notify` on the installation `home`; its process id.
pid_t startNotify(const fs::path& home) {
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("CORVANE_HOME", home.c_str(), 1);
    setenv("CORVANE_LOG", (home / "log").c_str(), 1);
    execl(MERXA_COMMAND, MERXA_COMMAND, "notify", static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

TEST(NotifyCommand, ARunKilledBetweenTwoSendsMailsNobodyTwice) {
  const fs::path home = fs::temp_directory_path() / ("merxa-notify-test-" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  ASSERT_EQ(std::system((std::string("CORVANE_HOME='") + home.string() + "' " + MERXA_COMMAND + " setup --home '" +
                         home.string() + "' >/dev/null 2>&1").c_str()),
            0);
  auto sales = platform::makeObject<platform::data::Connection>();
  sales->open("Provider=SQLite;Data Source=" + (home / "merxa" / "." / "sales.db").string());
  for (int i = 1; i <= 3; ++i)
    sales->executeNoRecords("INSERT INTO QUOTATIONHEADER (QUOTATIONID, CUSTOMERREFERENCE, CREATIONDATE, USERID, "
                            "USERLOCALE, BUSINESSPARTNERID, EXPIRYDATE, NOTIFICATIONNEEDED, NOTIFICATIONDATE, "
                            "NOTIFICATIONSENT) VALUES ('K" + std::to_string(i) + "', 'R', '2020-01-01 00:00:00', 'U1', "
                            "1033, 1001, '2999-01-01 00:00:00', 1, '2020-01-01 00:00:00', 0)");
  const auto unmarked = [&] {
    return sales->execute("SELECT COUNT(*) AS N FROM QUOTATIONHEADER WHERE NOTIFICATIONSENT = 0")->value("N").toLong();
  };
  size_t delivered = 0;
  {
    testsupport::SmtpSink server({"--hang", "2"});  // never answers the second mail
    server.configure(home.string());
    const pid_t run = startNotify(home);
    for (int i = 0; i < 200 && server.messages().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the second mail is on its way
    kill(run, SIGKILL);
    waitpid(run, nullptr, 0);
    delivered = server.messages().size();
    EXPECT_EQ(delivered, 1u);
  }
  EXPECT_EQ(unmarked(), 2);
  testsupport::SmtpSink server;
  server.configure(home.string());
  const pid_t next = startNotify(home);
  int status = 0;
  waitpid(next, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(delivered + server.messages().size(), 3u);  // each quotation's user got one reminder
  EXPECT_EQ(unmarked(), 0);
  sales->Close();
  fs::remove_all(home);
}

}  // namespace
