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
    // A home of its own per test, so that no pooled session of an earlier test's (removed)
    // installation is reused.
    static int tests = 0;
    home_ = fs::temp_directory_path() /
            ("merxa-command-test-" + std::to_string(getpid()) + "-" + std::to_string(++tests));
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

namespace {

// A page's road to a quotation through the command line alone: a basket made and filled, the
// header and line fields a page fills in set through the table manager, the basket handed to
// the quotation as the result of a nested call.
class QuotationCommandTest : public CommandTest {
 protected:
  // A new basket of `user` for `partner`, with the header fields a page fills in.
  std::string basketFor(const std::string& user, int partner, const std::string& customerCode) {
    const Outcome o = merxa("call Merxa.Basket Create " + user + " " + std::to_string(partner));
    const std::string key = "\"BASKETID\": \"";
    const size_t at = o.out.find(key);
    EXPECT_NE(at, std::string::npos) << o.out << o.err;
    const std::string id = o.out.substr(at + key.size(), 32);
    update("BASKETHEADER",
           "'[\"CUSTOMERCODE\",\"CUSTOMERNAME\",\"USERLOCALE\",\"KIROID\",\"DISCOUNTPERC\",\"DISCOUNTTOTAL\","
           "\"TOTALNETAMOUNT\",\"SUBTOTAL\"]' '[\"" + customerCode + "\",\"Customer\",1033,1,0,0,0,0]'",
           "'[\"BASKETID\"]' '[\"" + id + "\"]'");
    return id;
  }

  // Adds line `number` of `sku` to the basket, with the catalogue's part number.
  void addLine(const std::string& basket, int number, int sku, const std::string& partNumber,
               const std::string& configuration = "") {
    const std::string configured = configuration.empty() ? "false '\"\"'" : "true " + configuration;
    const Outcome o = merxa("call Merxa.Basket AddLine [ Merxa.Basket Restore " + basket + " ] " + std::to_string(sku) +
                            " 4 12/24/2026 " + configured);
    ASSERT_EQ(o.exitCode, 0) << o.err;
    update("BASKETLINE", "'[\"PARTNUMBER\"]' '[\"" + partNumber + "\"]'",
           "'[\"BASKETID\",\"BASKETLINENR\"]' '[\"" + basket + "\"," + std::to_string(number) + "]'");
  }

  void update(const std::string& table, const std::string& fieldsAndValues, const std::string& keys) {
    const Outcome o = merxa("call Merxa.Manager Update " + table + " " + fieldsAndValues + " " + keys);
    ASSERT_EQ(o.exitCode, 0) << o.err;
  }

  Outcome quote(const std::string& basket) {
    return merxa("call Merxa.Quotation Create [ Merxa.Basket Restore " + basket + " ]");
  }

  // The first value of `sql` on the installation's sales database, as text.
  std::string valueOf(const std::string& sql) {
    auto cn = platform::makeObject<platform::data::Connection>();
    cn->open("Provider=SQLite;Data Source=" + (home_ / "merxa" / "." / "sales.db").string());
    const std::string value = cn->execute(sql)->field(0)->Value().toString();
    cn->Close();
    return value;
  }

  static std::string inDays(int days) {
    const platform::Date today = platform::Date::today();
    return platform::Variant(platform::Date{today.serial + days}).toString();
  }
};

TEST_F(QuotationCommandTest, QuotationsArePricedExpireAndAreCopiedThroughTheCommandLine) {
  // Acme (web pricing; quotations last 21 days): its own bolt price, the nuts' list price. The
  // nuts stop being sold in ten days, which cuts the expiry back.
  update("PRODUCT", "'[\"PRODUCTEXPIRYDATE\"]' '[\"" + inDays(10) + "\"]'", "'[\"PRODUCTID\"]' '[4712]'");
  const std::string acme = basketFor("U1", 1001, "C1001");
  addLine(acme, 1, 4711, "BOLT-M8-50");
  addLine(acme, 2, 4712, "NUT-M8");
  addLine(acme, 3, 4713, "WASHER-M8");
  Outcome o = quote(acme);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::string where = " FROM QUOTATIONLINE WHERE QUOTATIONID = '" + acme + "' AND LINENUMBER = ";
  EXPECT_EQ(valueOf("SELECT PRODUCTPRICE" + where + "1"), "11");
  EXPECT_EQ(valueOf("SELECT PRICINGMETHOD FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + acme + "'"), "1");
  EXPECT_EQ(valueOf("SELECT EXPIRYDATE FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + acme + "'"), inDays(10));
  EXPECT_EQ(valueOf("SELECT COUNT(*) FROM BASKETHEADER WHERE BASKETID = '" + acme + "'"), "0");

  // Without the nuts' end of sale the customer's 21 days hold.
  update("PRODUCT", "'[\"PRODUCTEXPIRYDATE\"]' '[null]'", "'[\"PRODUCTID\"]' '[4712]'");
  const std::string plain = basketFor("U1", 1001, "C1001");
  addLine(plain, 1, 4711, "BOLT-M8-50");
  ASSERT_EQ(quote(plain).exitCode, 0);
  EXPECT_EQ(valueOf("SELECT EXPIRYDATE FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + plain + "'"), inDays(21));

  // A copy of lines 1 and 2 after the nuts expired: the bolts only, the nuts rejected.
  update("PRODUCT", "'[\"PRODUCTEXPIRYDATE\"]' '[\"" + inDays(-1) + "\"]'", "'[\"PRODUCTID\"]' '[4712]'");
  o = merxa("call Merxa.Quotation CopyQuotation " + acme + " '{\"COMMENTS\":\"Accepted\"}' '[1,2]'");
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_NE(o.out.find("\"NUT-M8\": "), std::string::npos) << o.out;
  const std::string key = "\"QUOTATIONID\": \"";
  const size_t at = o.out.find(key);
  ASSERT_NE(at, std::string::npos) << o.out;
  const std::string copy = o.out.substr(at + key.size(), 32);
  EXPECT_EQ(valueOf("SELECT COUNT(*) FROM QUOTATIONLINE WHERE QUOTATIONID = '" + copy + "'"), "1");
  EXPECT_EQ(valueOf("SELECT PARTNUMBER FROM QUOTATIONLINE WHERE QUOTATIONID = '" + copy + "'"), "BOLT-M8-50");

  // Brightline is priced by the ERP; a configured conveyor belt by the configurator.
  const std::string brightline = basketFor("U1", 1002, "C1002");
  addLine(brightline, 1, 4711, "BOLT-M8-50");
  addLine(brightline, 2, 502, "CONV-BELT", "CFG0001");
  o = quote(brightline);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::string lines = " FROM QUOTATIONLINE WHERE QUOTATIONID = '" + brightline + "' AND LINENUMBER = ";
  EXPECT_EQ(valueOf("SELECT PRICINGMETHOD FROM QUOTATIONHEADER WHERE QUOTATIONID = '" + brightline + "'"), "2");
  EXPECT_EQ(valueOf("SELECT PRODUCTPRICE" + lines + "1"), "10.2");
  EXPECT_EQ(valueOf("SELECT PRODUCTPRICE" + lines + "2"), "1000.4");  // 1250.5 euros in pounds
}

TEST_F(CommandTest, ANestedCallNeedsItsBracketsClosedAndAClassAndMember) {
  for (const char* args : {"[ Merxa.Basket Restore X", "[ ]", "[ Merxa.Basket ]", "X ]", "[ [ Merxa.Basket Restore X ] ]"}) {
    const Outcome o = merxa(std::string("call Merxa.Quotation Create ") + args);
    EXPECT_EQ(o.exitCode, 2) << args << "\n" << o.err;
  }
}

}  // namespace

namespace {

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

}  // namespace
