// merxa notify as a scheduler runs it, killed in the middle of a run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/data/connection.h"
#include "tests/host/installation.h"
#include "platform/data/recordset.h"
#include "tests/support/smtp_sink.h"

namespace {

namespace fs = std::filesystem;
using hosttest::freshInstallation;
using hosttest::salesOf;

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

// Runs `merxa notify` to its end; its exit status.
int notifyOnce(const fs::path& home) {
  int status = 0;
  waitpid(startNotify(home), &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  if (fs::exists(folder))
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Without a mail server the demonstration shop's two due reminders become two message files,
// one to each quotation's user; the next run finds nothing due and writes none.
TEST(NotifyCommand, WithoutAServerTheDemoRemindersLandInThePickupFolderOnce) {
  const fs::path home = freshInstallation("pickup");
  ASSERT_FALSE(home.empty());
  const fs::path pickup = home / "mail" / "pickup";
  EXPECT_EQ(notifyOnce(home), 0);
  const std::vector<std::string> first = filesIn(pickup);
  ASSERT_EQ(first.size(), 2u);
  std::string recipients;
  for (const std::string& file : first) {
    EXPECT_EQ(fs::path(file).extension(), ".eml");
    const std::string message = readFile(file);
    for (const char* to : {"ann.archer@acme.example", "bernd.becker@acme.example"})
      if (message.find(std::string("To: ") + to) != std::string::npos) recipients += std::string(to) + " ";
  }
  EXPECT_EQ(recipients.size(), std::string("ann.archer@acme.example bernd.becker@acme.example ").size()) << recipients;
  EXPECT_EQ(notifyOnce(home), 0);
  EXPECT_EQ(filesIn(pickup), first);
  auto sales = salesOf(home);
  EXPECT_EQ(sales->execute("SELECT COUNT(*) AS N FROM QUOTATIONHEADER WHERE NOTIFICATIONSENT = 0")->value("N").toLong(), 0);
  sales->Close();
  fs::remove_all(home);
}

TEST(NotifyCommand, ARunKilledBetweenTwoSendsMailsNobodyTwice) {
  const fs::path home = freshInstallation("killed");
  ASSERT_FALSE(home.empty());
  auto sales = salesOf(home);
  sales->executeNoRecords("UPDATE QUOTATIONHEADER SET NOTIFICATIONSENT = 1");  // the demo shop's are not counted
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
