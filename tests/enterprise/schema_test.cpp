#include "schema/schema.h"

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>

#include "enterprise/config_store.h"
#include "tests/enterprise/temp_home.h"

namespace {

// The tables a schema script creates, in its order.
std::vector<std::string> createdTables(const std::string& script) {
  std::vector<std::string> names;
  const std::regex create(R"(^CREATE\s+TABLE\s+(\w+))", std::regex::icase);
  for (const std::string& statement : schema::statements(script)) {
    std::smatch m;
    if (std::regex_search(statement, m, create)) names.push_back(m[1]);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> sortedTableNames() {
  std::vector<std::string> listed = schema::tableNames();
  std::sort(listed.begin(), listed.end());
  return listed;
}

TEST(Schema, SQLiteCreatesExactlyTheListedTablesBusinessTablesListedFirst) {
  const std::vector<std::string> listed = schema::tableNames();
  ASSERT_GE(listed.size(), 2u);
  EXPECT_EQ(listed[0], "BASKETHEADER");
  EXPECT_EQ(listed[1], "BASKETLINE");
  EXPECT_EQ(createdTables(schema::salesSchemaSql("SQLite")), sortedTableNames());
}

TEST(Schema, PostgreSQLCreatesExactlyTheListedTables) {
  std::string script;
  try {
    script = schema::salesSchemaSql("PostgreSQL");
  } catch (const std::invalid_argument&) {
    GTEST_SKIP() << "no PostgreSQL schema yet";
  }
  EXPECT_EQ(createdTables(script), sortedTableNames());
}

TEST(Schema, TheErpsDialectsCreateExactlyItsListedTables) {
  std::vector<std::string> listed = schema::erpTableNames();
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(createdTables(schema::erpSchemaSql("SQLite")), listed);
  EXPECT_EQ(createdTables(schema::erpSchemaSql("PostgreSQL")), listed);
}

TEST(Schema, TheErpDatabaseLivesBesideTheSalesDatabase) {
  EXPECT_EQ(schema::erpConnectionString("Provider=SQLite;Data Source=/srv/merxa/sales.db"),
            "Provider=SQLite;DATA SOURCE=/srv/merxa/erp.db");
  EXPECT_TRUE(schema::erpDatabaseStatements("Provider=SQLite;Data Source=/srv/merxa/sales.db").empty());
  // A path that needs quoting in a connection string keeps it.
  EXPECT_EQ(schema::erpConnectionString("Provider=SQLite;Data Source=\"/srv/a;b/sales.db\""),
            "Provider=SQLite;DATA SOURCE=\"/srv/a;b/erp.db\"");

  const std::string server = "Provider=PostgreSQL;Host=db;Port=5432;Database=merxa;User ID=merxa";
  EXPECT_EQ(schema::erpConnectionString(server + ";Schema=shop"),
            "Provider=PostgreSQL;DATABASE=merxa;HOST=db;PORT=5432;SCHEMA=shop_erp;USER ID=merxa");
  EXPECT_EQ(schema::erpDatabaseStatements(server + ";Schema=shop"),
            std::vector<std::string>{"CREATE SCHEMA IF NOT EXISTS shop_erp"});
  EXPECT_EQ(schema::erpDatabaseStatements(server, true), std::vector<std::string>{"DROP SCHEMA IF EXISTS erp CASCADE"});
}

TEST(Schema, StatementsSplitOnlyAtSemicolonsOutsideQuotesAndComments) {
  const auto parts = schema::statements(
      "-- leading; comment\nINSERT INTO T VALUES ('a;b', 'it''s -- not a comment');\n"
      "/* block; */ UPDATE \"X;Y\" SET A = 1 ;;  \n  -- trailing only\n");
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0], "INSERT INTO T VALUES ('a;b', 'it''s -- not a comment')");
  EXPECT_EQ(parts[1], "UPDATE \"X;Y\" SET A = 1");
}

TEST(Schema, InstallationsFileKeepsOrderAndSurvivesAwkwardPaths) {
  enterprisetest::TempHome home;
  home.write("installations.xml", schema::installationsXml({{"b", "/srv/R&D \"x\""}, {"a", "/srv/<a>"}}));
  const auto found = enterprise::readInstallations("Merxa");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].name, "b");
  EXPECT_EQ(found[0].configDir, "/srv/R&D \"x\"");
  EXPECT_EQ(enterprise::lastConfigDir(), "/srv/<a>");
}

}  // namespace
