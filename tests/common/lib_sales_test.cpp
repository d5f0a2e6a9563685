#include "common/lib_sales.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "common/encoding.h"
#include "common/error_handling.h"
#include "platform/data/recordset.h"
#include "tests/support/sales_fixture.h"

namespace {

using platform::Variant;

TEST(SlsHasValue, TellsValuesFromNothing) {
  struct Case {
    Variant value;
    bool expected;
  };
  const Case cases[] = {{Variant::null(), false}, {Variant(), false},     {Variant(""), false},
                        {Variant("0"), false},    {Variant(0), false},    {Variant(0.0), false},
                        {Variant("00"), true},    {Variant(" "), true},   {Variant("A"), true},
                        {Variant(0.5), true},     {Variant(false), true}, {Variant(7), true}};
  for (const Case& c : cases) EXPECT_EQ(merxa::Sls_HasValue(c.value), c.expected) << c.value.toString();
}

TEST(SlsCreateGUID, GivesThirtyTwoUpperCaseHexDigitsEveryTime) {
  std::set<std::string> seen;
  const std::regex hex("^[0-9A-F]{32}$");
  for (int i = 0; i < 200; ++i) {
    const std::string id = merxa::Sls_CreateGUID();
    EXPECT_TRUE(std::regex_match(id, hex)) << id;
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 200u);
}

TEST(SlsEscapeSQLQuotes, DoublesQuotesAndKeepsNull) {
  EXPECT_EQ(merxa::Sls_EscapeSQLQuotes(Variant("O'Brien's")).toString(), "O''Brien''s");
  EXPECT_TRUE(merxa::Sls_EscapeSQLQuotes(Variant::null()).isNull());
}

class LibSalesTest : public testsupport::SalesTest {};

TEST_F(LibSalesTest, ConnectionStringIsReadOncePerThread) {
  const std::string first = merxa::Sls_ConnectionString();
  EXPECT_EQ(first, testsupport::connectionString());
  EXPECT_EQ(merxa::Sls_ConnectionString(), first);
}

TEST_F(LibSalesTest, LiteralsRoundTripThroughTheDatabase) {
  const std::string cs = merxa::Sls_ConnectionString();
  EXPECT_EQ(merxa::SqlLiteralValue(Variant::null()), "NULL");
  EXPECT_EQ(merxa::SqlLiteralValue(Variant("")), "''");
  // A caller's quote cannot end the literal early.
  EXPECT_FALSE(merxa::Sls_RecordExists(
      "SELECT BASKETID FROM BASKETHEADER WHERE BASKETID = " + merxa::SqlLiteralText("x' OR '1'='1"), cs));
  auto rs = merxa::Sls_GetDisconnectedRecordset(
      "SELECT " + merxa::SqlLiteralText("it's") + " AS T, " + merxa::SqlLiteralLong(-42) + " AS L", cs);
  EXPECT_EQ(rs->value("T").toString(), "it's");
  EXPECT_EQ(rs->value("L").toLong(), -42);
  EXPECT_TRUE(rs->ActiveConnection().isNothing());
}

TEST_F(LibSalesTest, ConnectionErrorsTextListsEveryError) {
  auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
  EXPECT_EQ(merxa::ConnectionErrorsText(cn), "");
  EXPECT_THROW(cn->execute("SELECT * FROM NO_SUCH_TABLE"), platform::ComError);
  const std::string text = merxa::ConnectionErrorsText(cn);
  EXPECT_EQ(text.rfind("Error(s) from connection object:  (1)", 0), 0u) << text;
  EXPECT_NE(text.find("[-2147467259]"), std::string::npos) << text;
  merxa::Sls_CloseConnection(cn);
  EXPECT_EQ(cn, nullptr);
  EXPECT_EQ(merxa::ConnectionErrorsText(Variant::nothing()), "");
}

TEST_F(LibSalesTest, DisconnectedRecordsetNamesTheStatementWhenItFails) {
  testsupport::LogCapture log;
  try {
    merxa::Sls_GetDisconnectedRecordset("SELECT * FROM NO_SUCH_TABLE", merxa::Sls_ConnectionString());
    FAIL();
  } catch (const platform::ComError& e) {
    EXPECT_NE(e.description.find("METHOD: Lib_Sales.Sls_GetDisconnectedRecordset"), std::string::npos);
    EXPECT_NE(e.description.find(" executing: 'SELECT * FROM NO_SUCH_TABLE'."), std::string::npos);
  }
}

TEST(SlsGetComponent, NamesTheProgIDThatCouldNotBeCreated) {
  testsupport::LogCapture log;
  try {
    merxa::Sls_GetComponent("No.SuchClass");
    FAIL();
  } catch (const platform::ComError& e) {
    EXPECT_EQ(e.errNumber(), 429);
    EXPECT_NE(e.description.find(" INFO: CreateObject(No.SuchClass) failed.\r\n"), std::string::npos);
  }
}

}  // namespace
