// The two schemas cannot drift apart unnoticed: for every table of the one table list, the
// embedded database and the server report the same columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/data/pool.h"
#include "platform/data/recordset.h"
#include "schema/schema.h"
#include "tests/postgres/postgres_support.h"

namespace {

using namespace platform;
using namespace platform::data;

// One column as a line of text, so a difference shows the whole column.
std::vector<std::string> describeColumns(const ConnectionPtr& cn, const std::string& table) {
  std::vector<bool> keys;
  for (const ColumnInfo& c : cn->provider().tableColumns(table)) keys.push_back(c.key);
  std::vector<std::string> lines;
  auto rs = cn->OpenSchema(adSchemaColumns, Variant::array({Variant(), Variant(), Variant(table), Variant()}));
  for (size_t i = 0; !rs->eof(); rs->MoveNext(), ++i) {
    std::ostringstream line;
    auto text = [&](const char* column) {
      const Variant v = rs->value(column);
      return v.isNull() ? std::string("null") : v.toString();
    };
    line << text("ORDINAL_POSITION") << " " << text("COLUMN_NAME") << " type " << text("DATA_TYPE") << " nullable "
         << text("IS_NULLABLE") << " length " << text("CHARACTER_MAXIMUM_LENGTH") << " precision "
         << text("NUMERIC_PRECISION") << " scale " << text("NUMERIC_SCALE")
         << (i < keys.size() && keys[i] ? " key" : "");
    lines.push_back(line.str());
  }
  return lines;
}

class SchemaComparison : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_UNLESS_POSTGRES();
    server = pgtest::openSales();
    // The embedded database with its own schema, in a file of its own.
    path = std::filesystem::path(testsupport::corvaneHome()) / "compare.db";
    ConnectionPool::instance().closeIdle();  // no pooled session may keep the old file open
    std::filesystem::remove(path);
    embedded = makeObject<Connection>();
    embedded->open(platform::data::creatingDatabase("Provider=SQLite;Data Source=" + path.string()));
    for (const std::string& statement : schema::statements(schema::salesSchemaSql("SQLite")))
      embedded->executeNoRecords(statement);
  }
  void TearDown() override {
    for (auto* cn : {&server, &embedded})
      if (*cn && (*cn)->State() == adStateOpen) (*cn)->Close();
  }

  ConnectionPtr server, embedded;
  std::filesystem::path path;
};

TEST_F(SchemaComparison, EveryTableHasTheSameColumnsOnBothDatabases) {
  for (const std::string& table : schema::tableNames()) {
    const auto expected = describeColumns(embedded, table);
    ASSERT_FALSE(expected.empty()) << table << " is missing on the embedded database";
    EXPECT_EQ(describeColumns(server, table), expected) << table;
  }
}

TEST_F(SchemaComparison, TheErpsTablesHaveTheSameColumnsOnBothDatabases) {
  const auto file = std::filesystem::path(testsupport::corvaneHome()) / "compare_erp.db";
  std::filesystem::remove(file);
  auto erpEmbedded = makeObject<Connection>();
  erpEmbedded->open(platform::data::creatingDatabase("Provider=SQLite;Data Source=" + file.string()));
  for (const std::string& statement : schema::statements(schema::erpSchemaSql("SQLite")))
    erpEmbedded->executeNoRecords(statement);
  auto erpServer = makeObject<Connection>();
  erpServer->open(testsupport::erpConnectionString());
  for (const std::string& table : schema::erpTableNames()) {
    const auto expected = describeColumns(erpEmbedded, table);
    ASSERT_FALSE(expected.empty()) << table << " is missing on the embedded database";
    EXPECT_EQ(describeColumns(erpServer, table), expected) << table;
  }
  erpEmbedded->Close();
  erpServer->Close();
}

TEST_F(SchemaComparison, BothDatabasesHoldExactlyTheListedTables) {
  auto listed = schema::tableNames();
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(server->provider().tableNames(), listed);
  EXPECT_EQ(embedded->provider().tableNames(), listed);
}

// The procedures the embedded schema creates ("CREATE PROCEDURE GetPrice @PRODID INT, ..."),
// by name in upper case.
std::vector<std::string> embeddedProcedures() {
  std::vector<std::string> names;
  for (const std::string& statement : schema::statements(schema::salesSchemaSql("SQLite"))) {
    std::istringstream words(statement);
    std::string create, procedure, name;
    words >> create >> procedure >> name;
    if (!equalsNoCase(create, "CREATE") || !(equalsNoCase(procedure, "PROCEDURE") || equalsNoCase(procedure, "PROC")))
      continue;
    name = upperCase(name);
    for (const char* owner : {"DBO.", "[DBO]."})
      if (name.rfind(owner, 0) == 0) name.erase(0, std::string(owner).size());
    std::erase_if(name, [](char c) { return c == '[' || c == ']'; });
    names.push_back(name);
  }
  return names;
}

TEST_F(SchemaComparison, EveryProcedureIsAServerFunction) {
  for (const std::string& procedure : embeddedProcedures()) {
    auto found = server->execute(
        "SELECT COUNT(*) AS N FROM pg_proc WHERE proname = lower('" + procedure +
        "') AND pronamespace = current_schema()::regnamespace");
    EXPECT_EQ(found->value("N").toLong(), 1) << procedure << " has no function in schema/postgres";
  }
}

}  // namespace
