// Statements whose compiled form a session keeps for the next one of the same text: a kept
// SELECT answers with the columns and types a fresh one would, also after another session
// changed its table, and a script is never kept as if it were its last statement.
#include <gtest/gtest.h>

#include "tests/platform/data_fixture.h"

namespace {

using namespace datatest;

class KeptStatementTest : public DataTest {
 protected:
  std::vector<std::string> columnNames(const RecordsetPtr& rs) {
    std::vector<std::string> names;
    for (int i = 0; i < rs->columnCount(); ++i) names.push_back(rs->columnInfo(i).name);
    return names;
  }
};

TEST_F(KeptStatementTest, AKeptSelectShowsAColumnAnotherSessionAdded) {
  cn_->executeNoRecords("INSERT INTO HEADER (HEADERID, TITLE, TOTAL) VALUES ('K1', 'first', 10)");
  const std::string select = "SELECT * FROM HEADER WHERE HEADERID = 'K1'";
  EXPECT_EQ(columnNames(open(select)), (std::vector<std::string>{"HEADERID", "TITLE", "TOTAL"}));
  EXPECT_EQ(open(select)->value("TITLE").toString(), "first");

  openConnection()->executeNoRecords("ALTER TABLE HEADER ADD COLUMN REMARK VARCHAR(10)");
  openConnection()->executeNoRecords("UPDATE HEADER SET REMARK = 'new' WHERE HEADERID = 'K1'");
  const RecordsetPtr after = open(select);
  EXPECT_EQ(columnNames(after), (std::vector<std::string>{"HEADERID", "TITLE", "TOTAL", "REMARK"}));
  EXPECT_EQ(after->value("REMARK").toString(), "new");
  EXPECT_EQ(after->value("TOTAL").toDouble(), 10);
}

TEST_F(KeptStatementTest, AComputedColumnTypesAsAFreshStatementWould) {
  // The first run settles the computed column's type from its value; the kept statement must
  // not carry that into a run that finds no value.
  cn_->executeNoRecords("INSERT INTO HEADER (HEADERID, TITLE, TOTAL) VALUES ('K2', 'x', 12.5)");
  const std::string select = "SELECT MAX(TOTAL) AS TOP FROM HEADER WHERE HEADERID LIKE 'K%'";
  EXPECT_EQ(open(select)->value("TOP").toDouble(), 12.5);
  cn_->executeNoRecords("DELETE FROM HEADER WHERE HEADERID LIKE 'K%'");
  const RecordsetPtr kept = open(select), fresh = open(select + " -- fresh");
  EXPECT_TRUE(kept->value("TOP").isNull());
  EXPECT_EQ(kept->columnInfo(0).type, fresh->columnInfo(0).type);
}

TEST_F(KeptStatementTest, AScriptRunsWholeEveryTime) {
  cn_->executeNoRecords("INSERT INTO ITEMS (ID, NAME, QTY) VALUES (77, 'script', 0)");
  const std::string script = "UPDATE ITEMS SET QTY = QTY + 1 WHERE ID = 77; UPDATE ITEMS SET QTY = QTY + 10 WHERE ID = 77";
  cn_->executeNoRecords(script);
  cn_->executeNoRecords(script);
  EXPECT_EQ(scalar("SELECT QTY FROM ITEMS WHERE ID = 77").toLong(), 22);
}

}  // namespace
