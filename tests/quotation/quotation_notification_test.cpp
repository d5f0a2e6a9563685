// The reminder run against a real SMTP server on the loopback address.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/encoding.h"
#include "common/formatting.h"
#include "common/site_user_product.h"
#include "tests/quotation/quotation_support.h"
#include "tests/support/smtp_sink.h"

namespace {

using namespace quotationtest;
namespace fs = std::filesystem;

class NotificationTest : public QuotationTest {
 protected:
  void TearDown() override { fs::remove(testsupport::corvaneHome() + "/mail.conf"); }

  // A quotation whose reminder is due today and which expires in three days.
  static void due(const std::string& id, const char* user, int locale, const std::string& reference) {
    run("INSERT INTO QUOTATIONHEADER (QUOTATIONID, CUSTOMERREFERENCE, CREATIONDATE, USERID, USERLOCALE, "
        "BUSINESSPARTNERID, EXPIRYDATE, NOTIFICATIONNEEDED, NOTIFICATIONDATE, NOTIFICATIONSENT) VALUES ('" + id +
        "', '" + reference + "', " + merxa::SqlLiteralDate(inDays(-20)) + ", '" + user + "', " +
        std::to_string(locale) + ", 1001, " + merxa::SqlLiteralDate(inDays(3)) + ", 1, " +
        merxa::SqlLiteralDate(Date::today()) + ", 0)");
  }
  static int32_t unmarked() { return countOf("SELECT COUNT(*) AS N FROM QUOTATIONHEADER WHERE NOTIFICATIONSENT = 0"); }

  static std::string expectedBody(const std::string& id, const std::string& reference, int locale) {
    const bool german = locale == 1031;
    const std::string tmpl = german ? "[tt.mm.jjjj]" : "[mm/dd/yyyy]";
    const std::string signature = "Merxa Demo Trading <sales@merxa.example>";
    return std::string(german ? "Sehr geehrte Kundin, sehr geehrter Kunde," : "Dear customer,") + "\r\n\r\n" +
           "       " + (german ? "Ihr Angebot" : "your quotation") + " " + reference + " ," +
           (german ? "erstellt am" : "created on") + " " + merxa::Sls_FormatDate(inDays(-20), locale) + tmpl +
           (german ? "l\xC3\xA4uft ab am" : "expires on") + " " + merxa::Sls_FormatDate(inDays(3), locale) + tmpl +
           ".\r\n" + (german ? "Hier k\xC3\xB6nnen Sie es ansehen und bestellen:" : "You can look at it and order it here:") +
           std::string(14, ' ') + "\r\n" + merxa::Sls_getSiteName() +
           "/Merxa/currentorder/QuotationDetail.asp?QuotationID=" + id + "&mode=active\r\n\r\n" +
           (german ? "Mit freundlichen Gr\xC3\xBC\xC3\x9F" "en" : "Kind regards,") + "\r\n" + signature;
  }
};

TEST_F(NotificationTest, EachUserGetsOneMailInTheirLanguageAndASecondRunSendsNone) {
  testsupport::SmtpSink server;
  server.configure(testsupport::corvaneHome());
  due("A1", "U1", 1033, "Q1");
  due("B1", "U2", 1031, "Fr\xC3\xBChjahr");
  due("A2", "U1", 1033, "Q2");
  run("UPDATE QUOTATIONHEADER SET EXPIRYDATE = " + merxa::SqlLiteralDate(Date::today()) + " WHERE QUOTATIONID = 'A2'");

  merxa::Quotation quotation;
  quotation.Run();
  EXPECT_EQ(quotation.RemindersSent(), 2);
  const auto mails = server.messages();
  ASSERT_EQ(mails.size(), 2u);  // A2 expires today: not selected
  // Sorted by user: U1's first.
  EXPECT_EQ(testsupport::mailHeader(mails[0], "Subject"), "Your quotation expires soon (Q1)");
  EXPECT_EQ(testsupport::mailHeader(mails[0], "To"), "ann.archer@acme.example");
  EXPECT_EQ(testsupport::mailHeader(mails[0], "From"), "Merxa Demo Trading <sales@merxa.example>");
  EXPECT_EQ(testsupport::mailBody(mails[0]), expectedBody("A1", "Q1", 1033));
  EXPECT_EQ(testsupport::mailHeader(mails[1], "Subject"), "Ihr Angebot l\xC3\xA4uft bald ab (Fr\xC3\xBChjahr)");
  EXPECT_EQ(testsupport::mailHeader(mails[1], "To"), "bernd.becker@acme.example");
  EXPECT_EQ(testsupport::mailBody(mails[1]), expectedBody("B1", "Fr\xC3\xBChjahr", 1031));
  EXPECT_EQ(server.envelopes()[0], "sales@merxa.example\nann.archer@acme.example\n");
  EXPECT_EQ(countOf("SELECT COUNT(*) AS N FROM QUOTATIONHEADER WHERE NOTIFICATIONSENT = 1"), 2);

  merxa::Quotation again;
  again.Run();
  EXPECT_EQ(again.RemindersSent(), 0);
  EXPECT_EQ(server.messages().size(), 2u);
}

// The server refuses the third of five mails: the first two stay marked, the run stops and
// logs it once, and the next run mails the other three.
TEST_F(NotificationTest, ARefusedMailStopsTheRunAndKeepsTheMarksOfTheMailsBeforeIt) {
  {
    testsupport::SmtpSink server({"--refuse", "3"});
    server.configure(testsupport::corvaneHome());
    for (int i = 1; i <= 5; ++i) due("Q" + std::to_string(i), i % 2 ? "U1" : "U4", 1033, "R" + std::to_string(i));
    testsupport::LogCapture log;
    merxa::Quotation quotation;
    quotation.Run();
    EXPECT_EQ(server.messages().size(), 2u);
    EXPECT_EQ(unmarked(), 3);
    int failures = 0;
    for (const auto& e : log.entries()) {
      if (e.message.find("Mail couldnot be sent for User:") != std::string::npos) {
        ++failures;
        EXPECT_NE(e.message.find("Message refused by the test server"), std::string::npos) << e.message;
      }
    }
    EXPECT_EQ(failures, 1);
  }
  testsupport::SmtpSink server;
  server.configure(testsupport::corvaneHome());
  merxa::Quotation next;
  next.Run();
  EXPECT_EQ(server.messages().size(), 3u);
  EXPECT_EQ(unmarked(), 0);
}

// A user the directory does not know, or one without a mail address, is logged and skipped;
// the others get their mails and the skipped quotations stay due.
TEST_F(NotificationTest, AnUnknownUserOrOneWithoutAddressIsLoggedAndSkipped) {
  testsupport::SmtpSink server;
  server.configure(testsupport::corvaneHome());
  run("UPDATE WEBUSER SET EMAILADDRESS = NULL WHERE USERID = 'U3'");
  due("N1", "NOBODY", 1033, "X");
  due("N2", "U3", 1033, "Y");
  due("N3", "U4", 1033, "Z");
  testsupport::LogCapture log;
  merxa::Quotation quotation;
  quotation.Run();
  ASSERT_EQ(server.messages().size(), 1u);
  EXPECT_EQ(testsupport::mailHeader(server.messages()[0], "To"), "dana@oconnell.example");
  EXPECT_EQ(unmarked(), 2);
  std::string all;
  for (const auto& e : log.entries()) all += e.message;
  EXPECT_NE(all.find("User details couldnot be obtained"), std::string::npos) << all;
  EXPECT_NE(all.find("No Email Address for the User "), std::string::npos) << all;
}

// Two runs started together mail each due quotation once.
TEST_F(NotificationTest, TwoRunsAtOnceSendEachReminderOnce) {
  testsupport::SmtpSink server;
  server.configure(testsupport::corvaneHome());
  for (int i = 1; i <= 6; ++i) due("C" + std::to_string(i), i % 2 ? "U1" : "U2", i % 2 ? 1033 : 1031, "R");
  int sent[2] = {0, 0};
  std::thread runs[2];
  for (int t = 0; t < 2; ++t)
    runs[t] = std::thread([&sent, t] {
      merxa::Quotation quotation;
      quotation.Run();
      sent[t] = quotation.RemindersSent();
    });
  for (auto& r : runs) r.join();
  EXPECT_EQ(sent[0] + sent[1], 6);
  EXPECT_EQ(server.messages().size(), 6u);
  EXPECT_EQ(unmarked(), 0);
}

TEST_F(NotificationTest, WithoutAServerEachMailBecomesOneFileInThePickupFolder) {
  const fs::path pickup = fs::path(testsupport::corvaneHome()) / "mail" / "pickup";
  fs::remove_all(pickup);
  due("P1", "U1", 1033, "Q1");
  due("P2", "U2", 1031, "Q2");
  merxa::Quotation quotation;
  quotation.Run();
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(pickup)) files.push_back(e.path().filename().string());
  ASSERT_EQ(files.size(), 2u);
  for (const auto& f : files) EXPECT_EQ(fs::path(f).extension(), ".eml") << f;
  merxa::Quotation again;
  again.Run();
  EXPECT_EQ(std::distance(fs::directory_iterator(pickup), fs::directory_iterator()), 2);
}

TEST_F(NotificationTest, WithQuotationsSwitchedOffTheRunSendsNothing) {
  const std::string path = testsupport::configDir() + "/MerxaConfiguration.xml";
  std::ifstream in(path);
  std::stringstream saved;
  saved << in.rdbuf();
  std::string text = saved.str();
  const std::string on = "<value key=\"QuotationImplemented\" type=\"boolean\">True</value>";
  text.replace(text.find(on), on.size(), "<value key=\"QuotationImplemented\" type=\"boolean\">False</value>");
  std::ofstream(path) << text;
  due("F1", "U1", 1033, "Q1");
  merxa::Quotation quotation;
  quotation.Run();
  std::ofstream(path) << saved.str();
  EXPECT_EQ(unmarked(), 1);
}

}  // namespace
