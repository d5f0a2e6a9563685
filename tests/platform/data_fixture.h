// A fresh SQLite database per test, with two small tables in the sales tier's style:
// ITEMS (every column type the layer maps) and a header/line pair for batch writes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/data/command.h"
#include "platform/data/pool.h"
#include "platform/data/recordset.h"

namespace datatest {

using namespace platform;
using namespace platform::data;

inline const char* kSchema = R"(
CREATE TABLE ITEMS (
  ID INT NOT NULL PRIMARY KEY,
  NAME NVARCHAR(20) NOT NULL,
  PRICE MONEY,
  QTY SMALLINT,
  ACTIVE BIT DEFAULT 1,
  CREATED DATETIME,
  RATE FLOAT,
  AMOUNT DECIMAL(10,2),
  CODE CHAR(3),
  NOTE NTEXT,
  LEVEL TINYINT,
  REF UNIQUEIDENTIFIER,
  LABEL VARCHAR(30)
);
CREATE TABLE HEADER (HEADERID VARCHAR(8) NOT NULL PRIMARY KEY, TITLE NVARCHAR(40), TOTAL MONEY);
CREATE TABLE LINE (
  HEADERID VARCHAR(8) NOT NULL,
  LINENR INT NOT NULL,
  SKU NVARCHAR(20),
  QTY INT,
  PRIMARY KEY (HEADERID, LINENR)
);
CREATE TABLE COUNTER (NR INTEGER PRIMARY KEY, TEXT NVARCHAR(10));
INSERT INTO ITEMS (ID, NAME, PRICE, QTY, ACTIVE, CREATED, RATE, AMOUNT, CODE, LEVEL, LABEL) VALUES
  (1, 'bolt', 0.25, 100, 1, '2024-03-01 08:30:00', 0.5, 12.5, 'EUR', 3, 'b'),
  (2, 'nut', 0.1, 250, 0, '2024-03-02 00:00:00', 1.5, 3.25, 'USD', 4, NULL),
  (3, 'Washer', 0.05, 75, 1, NULL, NULL, NULL, NULL, NULL, 'w'),
  (4, 'screw', 0.3, 40, 1, '2024-02-28 17:05:09', 2.25, 0, 'EUR', 1, 's');
INSERT INTO HEADER VALUES ('H1', 'first', 10), ('H2', 'second', 20);
INSERT INTO LINE VALUES ('H1', 1, 'A', 1), ('H1', 2, 'B', 2), ('H2', 1, 'C', 3);
)";

class DataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/merxa-data-XXXXXX";
    dir_ = mkdtemp(pattern);
    connectionString_ = "Provider=SQLite;Data Source=" + dir_ + "/sales.db";
    cn_ = makeObject<Connection>();
    cn_->open(connectionString_);
    cn_->executeNoRecords(kSchema);
  }

  void TearDown() override {
    if (cn_ && cn_->State() == adStateOpen) cn_->Close();
    cn_.reset();
    ConnectionPool::instance().closeIdle();
    std::filesystem::remove_all(dir_);
  }

  ConnectionPtr openConnection() const {
    auto cn = makeObject<Connection>();
    cn->open(connectionString_);
    return cn;
  }

  // A client-side recordset of `sql`.
  RecordsetPtr open(const std::string& sql, int32_t lockType = adLockBatchOptimistic) const {
    auto rs = makeObject<Recordset>();
    rs->open(sql, cn_, adOpenStatic, lockType);
    return rs;
  }

  // The first column of the first row of `sql`.
  Variant scalar(const std::string& sql) const {
    auto cn = openConnection();
    return cn->execute(sql)->field(0)->Value();
  }

  int32_t count(const std::string& where = "1 = 1", const std::string& table = "ITEMS") const {
    return scalar("SELECT COUNT(*) FROM " + table + " WHERE " + where).toLong();
  }

  std::string dir_;
  std::string connectionString_;
  ConnectionPtr cn_;
};

// The number a failed call raised (the full HRESULT), or 0 when it did not fail.
template <class F>
int32_t errorOf(F&& f) {
  try {
    f();
  } catch (const ComError& e) {
    return e.number;
  }
  return 0;
}

}  // namespace datatest
