// One-row INSERTs whose values are bound as parameters and whose compiled form is kept: what
// is lifted, that the database stores exactly what the written literal stores, and that a kept
// statement survives failures and schema changes.
#include "platform/data/insert_values.h"

#include <gtest/gtest.h>

#include "tests/platform/data_fixture.h"

namespace {

using namespace datatest;

TEST(InsertValues, OnlyWholeLiteralsOfOneRowAreLifted) {
  LiftedInsert out;
  ASSERT_TRUE(liftInsertValues("INSERT INTO T (A, B, C, D, E) VALUES ('it''s', -12, 2.50, NULL, GETDATE())", {}, out));
  EXPECT_EQ(out.sql, "INSERT INTO T (A, B, C, D, E) VALUES (?, ?, ?, NULL, GETDATE())");
  ASSERT_EQ(out.values.size(), 3u);
  EXPECT_EQ(out.values[0].toString(), "it's");
  EXPECT_EQ(out.values[1].type(), VarType::Long);
  EXPECT_EQ(out.values[1].toLong(), -12);
  EXPECT_EQ(out.values[2].type(), VarType::Double);
  EXPECT_DOUBLE_EQ(out.values[2].toDouble(), 2.5);

  ASSERT_TRUE(liftInsertValues("insert into T values ( 'a' , 1 + 2, 'b')", {true, false}, out));
  EXPECT_EQ(out.sql, "insert into T values ( $1 , 1 + 2, $2)");

  // Left alone: no literal, placeholders, several rows or statements, trailing comments,
  // numbers a Long or 15 digits cannot hold, exponents, decimals when not wanted.
  for (const char* sql : {"INSERT INTO T (A) VALUES (NULL)", "INSERT INTO T (A, B) VALUES (?, 'x')",
                          "INSERT INTO T (A) VALUES ('x'), ('y')", "INSERT INTO T (A) VALUES ('x'); DELETE FROM T",
                          "INSERT INTO T (A) VALUES ('x') -- as written", "INSERT INTO T (A) VALUES (3000000000)",
                          "INSERT INTO T (A) VALUES (1e5)", "INSERT INTO T (A) VALUES (0.1234567890123456)",
                          "INSERT INTO T (A) SELECT 'x'", "UPDATE T SET A = 'x'", "INSERT INTO T (A) VALUES ('x"})
    EXPECT_FALSE(liftInsertValues(sql, {}, out)) << sql;
  EXPECT_FALSE(liftInsertValues("INSERT INTO T (A) VALUES (2.5)", {false, false}, out));
}

class InsertValuesTest : public DataTest {
 protected:
  // Each column as the database holds it, in a form that shows its storage.
  std::string stored(int id) {
    const std::string columns[] = {"NAME", "PRICE", "QTY", "ACTIVE", "CREATED", "RATE", "AMOUNT", "CODE", "LABEL"};
    std::string out;
    for (const std::string& c : columns) {
      const std::string shown = onPostgres() ? "CAST(" + c + " AS TEXT)" : "typeof(" + c + ") || ':' || quote(" + c + ")";
      const Variant v = scalar("SELECT " + shown + " FROM ITEMS WHERE ID = " + std::to_string(id));
      out += c + "=" + (v.isNull() ? "NULL" : v.toString()) + " ";
    }
    return out;
  }
};

TEST_F(InsertValuesTest, ALiftedValueIsStoredAsItsLiteralWouldBe) {
  // Values of every kind into columns of every kind, each row stored lifted and as written
  // (a comment keeps it from being lifted).
  const char* rows[] = {
      "'bolt', 0.25, 100, 1, '2024-03-01 08:30:00', 0.5, 12.5, 'EUR', 'x'",
      "'12', '7.5', '8', '0', '2024-03-01', '1.25', '3', 'A''B', '0012'",
      "'nut', 12, -3, 0, NULL, 7, 100.125, 'GBP', 12",
      "'', 1234567.8912, 0, 1, '2024-12-31 23:59:59', 0.1, -0.5, '', 2.5",
      "'Grüße', 0.0001, 32767, 1, '2000-01-01 00:00:00', 123456789012.5, 99999999.99, 'ÄÖÜ', 2147483647",
  };
  int id = 100;
  for (const char* values : rows) {
    const std::string insert = "INSERT INTO ITEMS (ID, NAME, PRICE, QTY, ACTIVE, CREATED, RATE, AMOUNT, CODE, LABEL) VALUES (";
    cn_->executeNoRecords(insert + std::to_string(++id) + ", " + values + ")");
    cn_->executeNoRecords(insert + std::to_string(id + 1000) + ", " + values + ") -- as written");
    EXPECT_EQ(stored(id), stored(id + 1000)) << values;
  }
}

TEST_F(InsertValuesTest, AKeptStatementSurvivesItsOwnFailureAndASchemaChange) {
  const std::string insert = "INSERT INTO LINE (HEADERID, LINENR, SKU, QTY) VALUES ('H9', ";
  cn_->executeNoRecords(insert + "1, 'A', 1)");
  EXPECT_NE(errorOf([&] { cn_->executeNoRecords(insert + "1, 'B', 2)"); }), 0);  // the key is taken
  cn_->executeNoRecords(insert + "2, 'C', 3)");
  EXPECT_EQ(count("HEADERID = 'H9'", "LINE"), 2);

  // Another session changes the table; the kept statement still inserts the right columns.
  openConnection()->executeNoRecords("ALTER TABLE LINE ADD COLUMN NOTE VARCHAR(10)");
  cn_->executeNoRecords(insert + "3, 'D', 4)");
  EXPECT_EQ(scalar("SELECT SKU FROM LINE WHERE HEADERID = 'H9' AND LINENR = 3").toString(), "D");

  // Dropped and made anew with other columns: the same text now means another statement.
  cn_->executeNoRecords("DROP TABLE LINE");
  cn_->executeNoRecords("CREATE TABLE LINE (QTY INT, SKU VARCHAR(20), LINENR INT, HEADERID VARCHAR(8))");
  cn_->executeNoRecords(insert + "4, 'E', 5)");
  EXPECT_EQ(scalar("SELECT QTY FROM LINE WHERE LINENR = 4").toLong(), 5);
  EXPECT_EQ(count("1 = 1", "LINE"), 1);
}

}  // namespace
