#include <gtest/gtest.h>

#include "platform/data/dialect.h"
#include "platform/data/provider.h"

namespace {

using platform::data::DialectOptions;
using platform::data::translateSql;

struct Rewrite {
  const char* from;
  const char* to;
};

const Rewrite kSqlite[] = {
    {"SELECT TOP 1 * FROM BASKET", "SELECT * FROM BASKET LIMIT 1"},
    {"select top 5 NAME from ITEMS order by NAME;", "select NAME from ITEMS order by NAME LIMIT 5;"},
    {"SELECT DISTINCT TOP (3) SKU FROM LINE", "SELECT DISTINCT SKU FROM LINE LIMIT 3"},
    {"SELECT * FROM A WHERE ID IN (SELECT TOP 1 ID FROM B ORDER BY ID DESC) ORDER BY ID",
     "SELECT * FROM A WHERE ID IN (SELECT ID FROM B ORDER BY ID DESC LIMIT 1) ORDER BY ID"},
    {"SELECT TOP 10 PERCENT * FROM A", "SELECT TOP 10 PERCENT * FROM A"},
    {"SELECT * FROM dbo.BASKETLINE WHERE BASKETID = 'AB12' order by BASKETLINENR",
     "SELECT * FROM BASKETLINE WHERE BASKETID = 'AB12' order by BASKETLINENR"},
    {"DELETE FROM [dbo].[BASKET] WHERE X = 1", "DELETE FROM [BASKET] WHERE X = 1"},
    {"UPDATE T SET NAME = N'Straße' WHERE NAME = 'dbo.x TOP 1'", "UPDATE T SET NAME = 'Straße' WHERE NAME = 'dbo.x TOP 1'"},
    {"SELECT ISNULL(A, 0) FROM T -- TOP 1 dbo.x", "SELECT IFNULL(A, 0) FROM T -- TOP 1 dbo.x"},
    {"SELECT \"dbo\".T.ISNULL FROM T", "SELECT T.ISNULL FROM T"},
    {"SELECT 'it''s' FROM T WHERE A = ?", "SELECT 'it''s' FROM T WHERE A = ?"},
};

class SqliteDialect : public ::testing::TestWithParam<Rewrite> {};

TEST_P(SqliteDialect, RewritesOnlyWhatTheEngineNeeds) {
  DialectOptions o;
  o.ifNullForIsNull = true;
  EXPECT_EQ(translateSql(GetParam().from, o), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(Table, SqliteDialect, ::testing::ValuesIn(kSqlite));

TEST(Dialect, NumberedPlaceholdersSkipQuotedQuestionMarks) {
  DialectOptions o;
  o.numberedPlaceholders = true;
  EXPECT_EQ(translateSql("SELECT '?' FROM T WHERE A = ? AND B = ?", o), "SELECT '?' FROM T WHERE A = $1 AND B = $2");
}

TEST(ConnectionString, KeysIgnoreCaseAndQuotedValuesMayHoldSemicolons) {
  const auto p = platform::data::parseConnectionString(
      " provider = SQLite ; data source='/tmp/a;b.db' ;Busy Timeout=5;Password=\"x\"\"y\"");
  EXPECT_EQ(p.at("PROVIDER"), "SQLite");
  EXPECT_EQ(p.at("DATA SOURCE"), "/tmp/a;b.db");
  EXPECT_EQ(p.at("BUSY TIMEOUT"), "5");
  EXPECT_EQ(p.at("PASSWORD"), "x\"y");
}

}  // namespace
