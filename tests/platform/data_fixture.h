// A fresh database per test, with small tables in the sales tier's style: ITEMS (every column
// type the layer maps), a header/line pair for batch writes and COUNTER with a numbered key.
// The database is a new SQLite file or, when MERXA_TEST_CONNECTION names a PostgreSQL server,
// the tables made afresh in the process's own schema there. The same rows go into both.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/data/command.h"
#include "platform/data/pool.h"
#include "platform/data/recordset.h"
#include "tests/support/test_server.h"

namespace datatest {

using namespace platform;
using namespace platform::data;

// The tables in the SQL Server types the business code is written for, as the embedded
// database takes them.
inline const char* kSqliteTables = R"(
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
)";

// The same tables with the server's counterparts of those types, as schema/postgres declares
// them: MONEY numeric(19,4), DATETIME timestamp(0), BIT the smallint domain FLAG; TINYINT is a
// domain of that name, which the provider reports as an unsigned byte. Whatever an earlier
// test left is dropped first.
inline const char* kPostgresTables = R"(
DROP TABLE IF EXISTS ITEMS, HEADER, LINE, COUNTER;
DROP DOMAIN IF EXISTS FLAG;
DROP DOMAIN IF EXISTS TINYINT;
CREATE DOMAIN FLAG AS SMALLINT;
CREATE DOMAIN TINYINT AS SMALLINT CHECK (VALUE BETWEEN 0 AND 255);
CREATE TABLE ITEMS (
  ID INTEGER NOT NULL PRIMARY KEY,
  NAME VARCHAR(20) NOT NULL,
  PRICE NUMERIC(19,4),
  QTY SMALLINT,
  ACTIVE FLAG DEFAULT 1,
  CREATED TIMESTAMP(0),
  RATE DOUBLE PRECISION,
  AMOUNT NUMERIC(10,2),
  CODE CHAR(3),
  NOTE TEXT,
  LEVEL TINYINT,
  REF UUID,
  LABEL VARCHAR(30)
);
CREATE TABLE HEADER (HEADERID VARCHAR(8) NOT NULL PRIMARY KEY, TITLE VARCHAR(40), TOTAL NUMERIC(19,4));
CREATE TABLE LINE (
  HEADERID VARCHAR(8) NOT NULL,
  LINENR INTEGER NOT NULL,
  SKU VARCHAR(20),
  QTY INTEGER,
  PRIMARY KEY (HEADERID, LINENR)
);
CREATE TABLE COUNTER (NR SERIAL PRIMARY KEY, TEXT VARCHAR(10));
)";

inline const char* kRows = R"(
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
    connectionString_ = testsupport::serverConnectionString();
    if (!testsupport::namesPostgres(connectionString_)) {
      char pattern[] = "/tmp/merxa-data-XXXXXX";
      ASSERT_NE(mkdtemp(pattern), nullptr);
      dir_ = pattern;
      connectionString_ = "Provider=SQLite;Data Source=" + dir_ + "/sales.db";
    }
    cn_ = makeObject<Connection>();
    cn_->open(platform::data::creatingDatabase(connectionString_));
    providerName_ = cn_->provider().name();
    cn_->executeNoRecords(std::string(onPostgres() ? kPostgresTables : kSqliteTables) + kRows);
  }

  void TearDown() override {
    if (cn_ && cn_->State() == adStateOpen) cn_->Close();
    cn_.reset();
    ConnectionPool::instance().closeIdle();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  bool onPostgres() const { return providerName_ == "PostgreSQL"; }

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

  std::string dir_;  // of the SQLite file; empty on a server
  std::string connectionString_;
  std::string providerName_;  // "SQLite", "PostgreSQL"
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
