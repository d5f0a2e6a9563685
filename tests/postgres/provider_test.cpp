#include <gtest/gtest.h>

#include "platform/data/command.h"
#include "platform/data/pool.h"
#include "platform/data/postgres/error.h"
#include "platform/data/recordset.h"
#include "tests/postgres/postgres_support.h"

namespace {

using namespace platform;
using namespace platform::data;
using pgtest::openSales;

class PostgresProvider : public testsupport::SalesTest {
 protected:
  void SetUp() override {
    SKIP_UNLESS_POSTGRES();
    SalesTest::SetUp();
    cn = openSales();
  }
  void TearDown() override {
    if (cn && cn->State() == adStateOpen) cn->Close();
  }

  // Codes of the countries, in order.
  std::vector<std::string> countries() {
    std::vector<std::string> codes;
    for (auto rs = cn->execute("SELECT COUNTRYCODE FROM COUNTRY ORDER BY COUNTRYCODE"); !rs->eof(); rs->MoveNext())
      codes.push_back(rs->value("COUNTRYCODE").toString());
    return codes;
  }

  bool hasCountry(const std::string& code) {
    return !cn->execute("SELECT COUNTRYCODE FROM COUNTRY WHERE COUNTRYCODE = '" + code + "'")->empty();
  }

  ConnectionPtr cn;
};

TEST_F(PostgresProvider, FieldsCarryUpperCaseNamesAndTheDeclaredTypes) {
  auto rs =
      cn->execute("SELECT * FROM PRODUCTCONFIGURATION WHERE CONFIGID = '" + testsupport::demoConfigurationId() + "'");
  ASSERT_FALSE(rs->empty());
  struct Expected {
    const char* column;
    int32_t type;
    VarType value;
  } expected[] = {
      {"CONFIGID", adVarWChar, VarType::String},
      {"COMPLETE", adBoolean, VarType::Boolean},
      {"PRICESTATUS", adSmallInt, VarType::Integer},
      {"PRICE", adCurrency, VarType::Currency},
  };
  for (const Expected& e : expected) {
    auto field = rs->field(e.column);
    EXPECT_EQ(field->Name(), e.column);
    EXPECT_EQ(field->Type(), e.type) << e.column;
    EXPECT_EQ(field->Value().type(), e.value) << e.column;
  }
  EXPECT_EQ(rs->field("CREATIONDATE")->Type(), adDBTimeStamp);
  EXPECT_EQ(rs->field("CONFIGID")->DefinedSize(), 40);
  // A computed column has no base table; a count reads as a Long, as on the embedded database.
  auto count = cn->execute("SELECT COUNT(*) AS N FROM COUNTRY");
  EXPECT_EQ(count->field("N")->Type(), adInteger);
  EXPECT_EQ(count->value("N").type(), VarType::Long);
}

TEST_F(PostgresProvider, AnAmountBeyondACurrencysRangeFailsTheReadersOfItsRowAlone) {
  // Rows are decoded when first read, so the set opens, and only the row that cannot be
  // read fails, each time it is read.
  auto rs = makeObject<Recordset>();
  rs->open("SELECT N, CAST(CASE WHEN N = 2 THEN 999999999999999.9999 ELSE N END AS NUMERIC(19,4)) AS PRICE "
           "FROM (VALUES (1), (2), (3)) AS T(N) ORDER BY N",
           cn, adOpenStatic, adLockReadOnly);
  EXPECT_EQ(rs->value("PRICE").rawCurrency(), 10000);
  rs->MoveNext();
  for (const char* column : {"PRICE", "PRICE", "N"}) {
    try {
      rs->value(column);
      ADD_FAILURE() << column << " read from a row holding an amount out of range";
    } catch (const ComError& e) {
      EXPECT_EQ(e.errNumber(), vb::Overflow) << column;
    }
  }
  rs->MoveNext();
  EXPECT_EQ(rs->value("N").toLong(), 3);
  EXPECT_EQ(rs->value("PRICE").rawCurrency(), 30000);
}

TEST_F(PostgresProvider, BusinessStatementsInTheOriginalDialectRun) {
  std::vector<std::string> top;
  for (auto rs = cn->execute("SELECT TOP 2 dbo.COUNTRY.COUNTRYCODE FROM dbo.COUNTRY ORDER BY COUNTRYCODE DESC");
       !rs->eof(); rs->MoveNext())
    top.push_back(rs->value("COUNTRYCODE").toString());
  EXPECT_EQ(top, (std::vector<std::string>{"US", "NL"}));
  auto quoted = cn->execute("SELECT [COUNTRYNAME] FROM [dbo].[COUNTRY] WHERE \"COUNTRYCODE\" = N'NL'");
  EXPECT_EQ(quoted->value("COUNTRYNAME").toString(), "Netherlands");
  auto now = cn->execute("SELECT GETDATE() AS NOW");
  EXPECT_EQ(now->value("NOW").type(), VarType::Date);
  EXPECT_EQ(now->value("NOW").toDate().dateOnly().serial, Date::today().serial);
}

TEST_F(PostgresProvider, RecordsAffectedCountsTheChangedRowsOnly) {
  EXPECT_EQ(cn->executeNoRecords("UPDATE CURRENCY SET CURRENCYDECIMALS = 3"), 3);
  EXPECT_EQ(cn->executeNoRecords("DELETE FROM CURRENCY WHERE CURRENCYCODE = 'XXX'"), 0);
  Variant affected;
  cn->Execute("SELECT * FROM CURRENCY", affected, Variant::missing());
  EXPECT_EQ(affected.toLong(), -1);
}

TEST_F(PostgresProvider, ServerErrorsFillErrorsWithStateAndMessage) {
  cn->GetErrors()->Clear();
  try {
    cn->execute("SELECT * FROM NOSUCHTABLE");
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, kProviderError);
    EXPECT_NE(e.description.find("nosuchtable"), std::string::npos) << e.description;
  }
  ASSERT_EQ(cn->GetErrors()->Count(), 1);
  auto error = cn->GetErrors()->Item(0);
  // The state the original's driver gave a missing table; the server's own in NativeError.
  EXPECT_EQ(error->SQLState(), "42S02");
  EXPECT_EQ(postgres::unpackSqlState(error->NativeError()), "42P01");
  EXPECT_EQ(error->Source(), "PostgreSQL");
  EXPECT_THROW(cn->executeNoRecords("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('NL')"), ComError);
  EXPECT_EQ(cn->GetErrors()->Item(0)->SQLState(), "23000");
  // The session is still good.
  EXPECT_EQ(countries().size(), 5u);
}

TEST_F(PostgresProvider, AFailingStatementInATransactionUndoesOnlyItself) {
  cn->BeginTrans();
  cn->executeNoRecords("INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME) VALUES ('AA', 'First')");
  EXPECT_THROW(cn->executeNoRecords("INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME) VALUES ('NL', 'Twice')"), ComError);
  EXPECT_THROW(cn->execute("SELECT NOSUCHCOLUMN FROM COUNTRY"), ComError);
  cn->executeNoRecords("INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME) VALUES ('ZZ', 'Last')");
  cn->CommitTrans();
  EXPECT_TRUE(hasCountry("AA"));
  EXPECT_TRUE(hasCountry("ZZ"));
  EXPECT_EQ(cn->execute("SELECT COUNTRYNAME FROM COUNTRY WHERE COUNTRYCODE = 'NL'")->value("COUNTRYNAME").toString(),
            "Netherlands");
}

TEST_F(PostgresProvider, NestedTransactionsUndoTheirOwnLevel) {
  cn->BeginTrans();
  cn->executeNoRecords("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('AA')");
  EXPECT_EQ(cn->BeginTrans(), 2);
  cn->executeNoRecords("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('BB')");
  cn->RollbackTrans();
  cn->executeNoRecords("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('CC')");
  cn->CommitTrans();
  EXPECT_TRUE(hasCountry("AA"));
  EXPECT_FALSE(hasCountry("BB"));
  EXPECT_TRUE(hasCountry("CC"));

  cn->BeginTrans();
  cn->executeNoRecords("DELETE FROM COUNTRY");
  cn->RollbackTrans();
  EXPECT_EQ(countries().size(), 7u);
}

TEST_F(PostgresProvider, BatchUpdatesLocateRowsOfEveryColumnType) {
  const std::string sql =
      "SELECT * FROM PRODUCTCONFIGURATION WHERE CONFIGID = '" + testsupport::demoConfigurationId() + "'";
  auto rs = makeObject<Recordset>();
  rs->SetCursorLocation(adUseClient);
  rs->open(sql, cn, adOpenStatic, adLockBatchOptimistic);
  rs->setValue("PRICE", Variant(Currency{1234567}));
  rs->setValue("CREATIONDATE", Variant(Date::fromParts(2026, 1, 2, 3, 4, 5)));
  rs->setValue("COMPLETE", Variant(false));
  rs->setValue("DESCRIPTION", Variant("It's changed"));
  rs->updateBatch();

  // A second change starts from the values just written: each must match what is stored.
  rs->setValue("PRICE", Variant(Currency{1}));
  rs->setValue("CREATIONDATE", Variant(Date::fromParts(2026, 1, 3)));
  rs->setValue("COMPLETE", Variant(true));
  rs->setValue("DESCRIPTION", Variant("Again"));
  rs->updateBatch();

  auto stored = cn->execute(sql);
  EXPECT_EQ(stored->value("PRICE").rawCurrency(), 1);
  EXPECT_EQ(stored->value("CREATIONDATE").toDate().serial, Date::fromParts(2026, 1, 3).serial);
  EXPECT_TRUE(stored->value("COMPLETE").toBool());
  EXPECT_EQ(stored->value("DESCRIPTION").toString(), "Again");
}

TEST_F(PostgresProvider, AddedRowsAndSchemaRowsetsUseTheCatalog) {
  auto rs = makeObject<Recordset>();
  rs->SetCursorLocation(adUseClient);
  rs->open("SELECT * FROM COUNTRY WHERE 1 = 0", cn, adOpenStatic, adLockBatchOptimistic);
  rs->addNew();
  rs->setValue("COUNTRYCODE", Variant("FR"));
  rs->setValue("COUNTRYNAME", Variant("France"));
  rs->updateBatch();
  EXPECT_TRUE(hasCountry("FR"));

  auto columns = cn->OpenSchema(adSchemaColumns, Variant::array({Variant(), Variant(), Variant("COUNTRY"), Variant()}));
  ASSERT_EQ(columns->RecordCount(), 2);
  EXPECT_EQ(columns->value("COLUMN_NAME").toString(), "COUNTRYCODE");
  EXPECT_FALSE(columns->value("IS_NULLABLE").toBool());
  EXPECT_EQ(cn->provider().tableColumns("dbo.COUNTRY").at(0).key, true);
  EXPECT_TRUE(cn->provider().tableColumns("NOSUCHTABLE").empty());
}

TEST_F(PostgresProvider, AKeyNumberedByTheServerComesBackIntoTheAddedRow) {
  cn->executeNoRecords("DROP TABLE IF EXISTS COUNTER; CREATE TABLE COUNTER (NR SERIAL PRIMARY KEY, LABEL VARCHAR(10))");
  cn->executeNoRecords("INSERT INTO COUNTER (LABEL) VALUES ('first')");
  auto rs = makeObject<Recordset>();
  rs->SetCursorLocation(adUseClient);
  rs->open("SELECT * FROM COUNTER WHERE 1 = 0", cn, adOpenStatic, adLockBatchOptimistic);
  for (const char* label : {"a", "b"}) {
    rs->addNew();
    rs->setValue("LABEL", Variant(label));
  }
  rs->updateBatch();
  EXPECT_EQ(rs->value("NR").toLong(), 3);
  rs->setValue("LABEL", Variant("c"));  // located by the key it learnt
  rs->updateBatch();
  EXPECT_EQ(cn->execute("SELECT LABEL FROM COUNTER WHERE NR = 3")->value("LABEL").toString(), "c");
  // After a row of a table without a numbered key, no key of an earlier table is taken for its.
  cn->executeNoRecords("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('FR')");
  EXPECT_TRUE(cn->provider().lastInsertKey().isNull());
  cn->executeNoRecords("DROP TABLE COUNTER");  // the schema holds the listed tables only
}

TEST_F(PostgresProvider, StoredProcedureCommandsCallTheServerFunction) {
  cn->executeNoRecords(
      "CREATE OR REPLACE FUNCTION PRICEOF(P_CODE VARCHAR, P_FACTOR INTEGER, P_ON TIMESTAMP) "
      "RETURNS TABLE (CODE VARCHAR, SCALED INTEGER, ASKED TIMESTAMP) LANGUAGE SQL STABLE AS "
      "'SELECT CURRENCYCODE, CURRENCYDECIMALS * P_FACTOR, P_ON FROM CURRENCY WHERE CURRENCYCODE >= P_CODE "
      "ORDER BY CURRENCYCODE'");
  auto cmd = makeObject<Command>();
  cmd->SetActiveConnection(Variant(cn));
  cmd->SetCommandText("dbo.PriceOf");
  cmd->SetCommandType(adCmdStoredProc);
  auto params = cmd->GetParameters();
  const Date on = Date::fromParts(2026, 5, 1, 12, 0, 0);
  params->Append(
      cmd->CreateParameter(Variant("@CODE"), Variant(adWChar), Variant(adParamInput), Variant(3), Variant("GBP")));
  params->Append(
      cmd->CreateParameter(Variant("@FACTOR"), Variant(adInteger), Variant(adParamInput), Variant(4), Variant(10)));
  params->Append(cmd->CreateParameter(Variant("@ON"), Variant(adDBTimeStamp), Variant(adParamInput), Variant::missing(),
                                      Variant(on)));
  Variant affected;
  auto rs = cmd->Execute(affected, Variant::missing(), Variant(adCmdStoredProc));
  std::vector<std::string> rows;
  for (; !rs->eof(); rs->MoveNext())
    rows.push_back(rs->value("CODE").toString() + " " + rs->value("SCALED").toString() + " " +
                   rs->value("ASKED").toString());
  EXPECT_EQ(rows, (std::vector<std::string>{"GBP 20 5/1/2026 12:00:00 PM", "USD 20 5/1/2026 12:00:00 PM"}));
}

TEST_F(PostgresProvider, AProcedureNameCannotChangeTheStatementAroundIt) {
  Variant affected;
  EXPECT_THROW(cn->Execute("NOW()); DELETE FROM COUNTRY; --", affected, Variant(adCmdStoredProc)), ComError);
  EXPECT_EQ(countries().size(), 5u);
}

TEST_F(PostgresProvider, ABrokenSessionIsNotHandedOutAgain) {
  const auto props = parseConnectionString(testsupport::connectionString());
  cn->Close();
  ConnectionPool::instance().closeIdle();
  cn = openSales();
  // The server ends the session under the connection.
  const int32_t pid = cn->execute("SELECT pg_backend_pid() AS PID")->value("PID").toLong();
  openSales()->execute("SELECT pg_terminate_backend(" + std::to_string(pid) + ", 10000)");
  EXPECT_EQ(ConnectionPool::instance().idleCount(props), 1u);  // the session that ended it
  EXPECT_THROW(cn->execute("SELECT 1"), ComError);
  EXPECT_EQ(cn->GetErrors()->Item(0)->SQLState(), "08S01");
  cn->Close();
  EXPECT_EQ(ConnectionPool::instance().idleCount(props), 1u);
  auto other = openSales();
  cn = openSales();
  EXPECT_EQ(countries().size(), 5u);
  other->Close();
}

TEST(PostgresConnect, AnUnreachableServerIsReportedAsAConnectionFailure) {
  auto cn = makeObject<Connection>();
  try {
    cn->open("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=merxa;User ID=merxa;Connect Timeout=2");
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, kProviderError);
  }
  ASSERT_EQ(cn->GetErrors()->Count(), 1);
  EXPECT_EQ(cn->GetErrors()->Item(0)->SQLState(), "08001");
  EXPECT_EQ(cn->State(), adStateClosed);
}

TEST(PostgresConnect, ASchemaNameIsNeverPastedIntoTheSession) {
  auto cn = makeObject<Connection>();
  EXPECT_THROW(cn->open("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Schema=x -c log_statement=all"), ComError);
}

}  // namespace
