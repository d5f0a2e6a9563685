// The merxa command as a user runs it: a process with an installation of its own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode;
  std::string out, err;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() / ("merxa-command-test-" + std::to_string(getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
    ASSERT_EQ(merxa("setup --home " + home_.string()).exitCode, 0);
  }
  void TearDown() override { fs::remove_all(home_); }

  // Runs `merxa ARGS` against the test's installation; an argument with blanks or quotes must
  // come quoted for the shell.
  Outcome merxa(const std::string& args) {
    const fs::path out = home_ / "out.txt", err = home_ / "err.txt";
    const std::string command = "CORVANE_HOME='" + home_.string() + "' CORVANE_LOG='" + (home_ / "log").string() +
                                "' " + MERXA_COMMAND + " " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
  }

  fs::path home_;
};

TEST_F(CommandTest, ACopyOfWhatIsNoDocumentFailsWithObjectRequiredAsTheOtherMembersDo) {
  for (const char* source : {"hello", "5", "null", "'{\"a\":1}'"}) {
    for (const std::string member : {"Copy", "Save"}) {
      const Outcome o = merxa("call Merxa.Basket " + member + " " + source + (member == "Copy" ? " x" : ""));
      EXPECT_EQ(o.exitCode, 1) << member << " " << source << "\n" << o.err;
      EXPECT_NE(o.err.find("error 0x800A01A8"), std::string::npos) << o.err;
    }
  }
}

TEST_F(CommandTest, AnArgumentNoCallCanTakeIsRefusedBeforeTheCall) {
  const Outcome o = merxa("call Merxa.Basket Create U1 1e400");
  EXPECT_EQ(o.exitCode, 2);
  EXPECT_NE(o.err.find("cannot be passed"), std::string::npos) << o.err;
}

TEST_F(CommandTest, AMissingDatabaseFileIsReportedAndNotCreated) {
  const fs::path database = home_ / "merxa" / "sales.db";
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(database.string() + suffix);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const Outcome o = merxa("call Merxa.Basket Create U1 1001");
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("unable to open database file"), std::string::npos) << o.err;  // the same answer twice
    EXPECT_FALSE(fs::exists(database));
  }
}

}  // namespace

namespace {

// The lines of `text` that start with `prefix`.
std::vector<std::string> linesStarting(const std::string& text, const std::string& prefix) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  return out;
}

TEST_F(CommandTest, SeveralMembersRunOnOneObjectAndTheErpKeepsWhatEachProcessChanged) {
  const std::string allocate = "call Merxalink.Allocate InitializeAction tv5 MXL-NL01 0 --then Allocate 100001 ";
  Outcome o = merxa(allocate + "20 null");  // 1000 nuts, 200 in stock
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(linesStarting(o.out, "=="), (std::vector<std::string>{"== InitializeAction", "== Allocate"}));
  EXPECT_EQ(linesStarting(o.out, "argument 3"), std::vector<std::string>{"argument 3: 2"});

  // The bolts of line 10 are taken once: by the first process, not again by the next.
  EXPECT_EQ(linesStarting(merxa(allocate + "10 null").out, "argument 3"), std::vector<std::string>{"argument 3: 0"});
  platform::data::ConnectionPtr erp = platform::makeObject<platform::data::Connection>();
  erp->open("Provider=SQLite;Data Source=" + (home_ / "merxa" / "erp.db").string());
  auto stock = [&] {
    return erp->execute("SELECT QUANTITY FROM STOCK WHERE ITEMCODE = 'BOLT-M8-50'")->value("QUANTITY").toDouble();
  };
  EXPECT_DOUBLE_EQ(stock(), 460);
  merxa(allocate + "10 null");
  EXPECT_DOUBLE_EQ(stock(), 460);
  erp->Close();

  EXPECT_EQ(merxa("call Merxalink.Backend VersionInfo tv4 null null null null null --then").exitCode, 2);
}

TEST_F(CommandTest, AnUnsupportedTovoTypeIsReportedInTheErrorCodeAndLoggedOnce) {
  const Outcome o = merxa("call Merxalink.PriceTax InitializeAction tv6 C1 null");
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_NE(o.out.find("argument 3: -2147221151"), std::string::npos) << o.out;  // 0x80040161
  const std::string log = slurp(home_ / "log");
  EXPECT_NE(log.find("INFO: Tovo Type: tv6, BusComponent: C1."), std::string::npos) << log;
  EXPECT_EQ(log.find("Tovo Type"), log.rfind("Tovo Type"));
}

}  // namespace

namespace {

// Two export runs of one instance started together: each pending order reaches the ERP once,
// and a run prints per order the ERP's number or its error.
TEST_F(CommandTest, TwoExportRunsAtOnceSendEachPendingOrderOnce) {
  // Paths of their own, so that no pooled session of an earlier test's installation is reused.
  auto sales = platform::makeObject<platform::data::Connection>();
  sales->open("Provider=SQLite;Data Source=" + (home_ / "merxa" / "." / "sales.db").string());
  for (int i = 1; i <= 5; ++i) {
    const std::string id = "'O" + std::to_string(i) + "'";
    sales->executeNoRecords(
        "INSERT INTO ORDERHEADER (ORDERID, USERID, SHIPPINGADDRESSID, BILLINGADDRESSID, BUSINESSPARTNERID, ORDERSTATUS, "
        "ORDERTYPE, KIROID, CUSTOMERCODE, CURRENCYCODE, CALCULATETAX) VALUES (" + id +
        ", 'U1', 102, 101, 1001, 0, 'SO', 1, 'C1001', 'EUR', 1)");
    sales->executeNoRecords("INSERT INTO ORDERLINE (ORDERID, LINENR, QUANTITY, PRICE, AMOUNT, LINESTATUS, PARTNUMBER, "
                            "ADDRESSID, UNITCODE) VALUES (" + id + ", 1, 1, 10, 10, 0, " +
                            (i == 5 ? "'NO-SUCH-ITEM'" : "'NUT-M8'") + ", 102, 'BOX')");
  }
  const fs::path first = home_ / "first.txt", second = home_ / "second.txt";
  Outcome o = merxa("export 1 >'" + first.string() + "' 2>&1 & CORVANE_HOME='" + home_.string() + "' CORVANE_LOG='" +
                    (home_ / "log").string() + "' " + MERXA_COMMAND + " export 1 >'" + second.string() +
                    "' 2>&1; wait");
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::string both = slurp(first) + slurp(second);
  EXPECT_NE(both.find("O1: ERP sales order "), std::string::npos) << both;
  EXPECT_NE(both.find("O5: not sent in full, ERP sales order "), std::string::npos) << both;
  EXPECT_NE(both.find("Item 'NO-SUCH-ITEM"), std::string::npos) << both;

  auto erp = platform::makeObject<platform::data::Connection>();
  erp->open("Provider=SQLite;Data Source=" + (home_ / "merxa" / "." / "erp.db").string());
  EXPECT_EQ(erp->execute("SELECT COUNT(*) AS N FROM SALESORDER WHERE SALESORDER <> '100001'")->value("N").toLong(), 5);
  EXPECT_EQ(erp->execute("SELECT COUNT(*) AS N FROM SALESORDERLINE WHERE SALESORDER <> '100001'")->value("N").toLong(), 4);
  EXPECT_EQ(sales->execute("SELECT COUNT(*) AS N FROM ORDERHEADER WHERE ORDERSTATUS = 1")->value("N").toLong(), 4);
  erp->Close();
  sales->Close();
}

}  // namespace

TEST_F(CommandTest, WhereUsedListsTheClassesAndTablesThatReferToAProductWithTheirRowCounts) {
  const Outcome used = merxa("where-used PRODUCT PRODUCTID=4711");
  ASSERT_EQ(used.exitCode, 0) << used.err;
  EXPECT_NE(used.out.find("Merxa.Pricing: PRODUCTPRICE.PRODUCTID, 2 rows\n"), std::string::npos) << used.out;
  EXPECT_EQ(used.out.find("no class refers"), std::string::npos) << used.out;

  // Lower-case names, a value with a quote and an unknown id: nothing refers to them.
  for (const char* key : {"productid=999999", "PRODUCTID=\"4711' OR 1=1 --\""}) {
    const Outcome none = merxa(std::string("where-used product ") + key);
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out.find("Merxa."), std::string::npos) << key << "\n" << none.out;
    EXPECT_NE(none.out.find("no class refers to it"), std::string::npos) << none.out;
  }
  EXPECT_EQ(merxa("where-used PRODUCT 4711").exitCode, 2);
}
