#include <thread>

#include "platform/data/sqlite/provider.h"
#include "platform/data/testing.h"
#include "platform/registry.h"
#include "tests/platform/data_fixture.h"

namespace {

using namespace datatest;

using ConnectionTest = DataTest;

TEST_F(ConnectionTest, ExecuteReportsRecordsAffectedOfActionQueriesOnly) {
  Variant affected;
  auto rs = cn_->Execute("UPDATE ITEMS SET QTY = QTY + 1 WHERE ACTIVE = 1", affected, Variant::missing());
  EXPECT_EQ(affected.toLong(), 3);
  EXPECT_EQ(rs->State(), adStateClosed);

  rs = cn_->Execute("SELECT * FROM ITEMS", affected, Variant::missing());
  EXPECT_EQ(affected.toLong(), -1);
  EXPECT_EQ(rs->State(), adStateOpen);

  rs = cn_->Execute("DELETE FROM ITEMS WHERE ID > 2", affected, Variant(static_cast<int>(adExecuteNoRecords)));
  EXPECT_EQ(rs, nullptr);
  EXPECT_EQ(affected.toLong(), 2);
}

TEST_F(ConnectionTest, ExecuteGivesAForwardOnlyReadOnlySet) {
  auto rs = cn_->execute("SELECT ID FROM ITEMS ORDER BY ID");
  EXPECT_EQ(rs->CursorType(), adOpenForwardOnly);
  EXPECT_EQ(rs->LockType(), adLockReadOnly);
  EXPECT_EQ(rs->RecordCount(), -1);
  EXPECT_EQ(errorOf([&] { rs->MovePrevious(); }), kCannotScrollBack);
  EXPECT_EQ(errorOf([&] { rs->setValue("ID", Variant(9)); }), vbError(vb::FeatureNotAvailable));
  int n = 0;
  for (; !rs->eof(); rs->MoveNext()) ++n;
  EXPECT_EQ(n, 4);
}

TEST_F(ConnectionTest, ProviderFailuresFillErrorsAndRaiseTheProviderError) {
  auto errors = cn_->GetErrors();
  EXPECT_EQ(errors->Count(), 0);
  try {
    cn_->execute("SELECT * FROM NO_SUCH_TABLE");
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, kProviderError);
    EXPECT_EQ(e.source, providerName_);
    EXPECT_NE(lowerCase(e.description).find("no_such_table"), std::string::npos) << e.description;
  }
  ASSERT_EQ(errors->Count(), 1);
  EXPECT_EQ(errors->Item(0)->SQLState(), "42S02");
  EXPECT_EQ(errors->Item(0)->Number(), kProviderError);

  // A new failure replaces the entries; a success leaves them.
  EXPECT_NE(errorOf([&] { cn_->executeNoRecords("INSERT INTO ITEMS (ID, NAME) VALUES (1, 'dup')"); }), 0);
  ASSERT_EQ(errors->Count(), 1);
  EXPECT_EQ(errors->Item(0)->SQLState(), "23000");
  EXPECT_NE(errors->Item(0)->NativeError(), 0);
  cn_->execute("SELECT 1");
  EXPECT_EQ(errors->Count(), 1);
  EXPECT_EQ(errorOf([&] { errors->Item(1); }), vbError(vb::ItemNotFound));
  errors->Clear();
  EXPECT_EQ(errors->Count(), 0);
}

TEST_F(ConnectionTest, TransactionsNestAndOnlyTheInnermostLevelEnds) {
  EXPECT_EQ(cn_->BeginTrans(), 1);
  cn_->executeNoRecords("DELETE FROM ITEMS WHERE ID = 1");
  EXPECT_EQ(cn_->BeginTrans(), 2);
  cn_->executeNoRecords("DELETE FROM ITEMS WHERE ID = 2");
  cn_->RollbackTrans();
  EXPECT_EQ(cn_->transactionLevel(), 1);
  cn_->CommitTrans();
  EXPECT_EQ(count(), 3);
  EXPECT_EQ(count("ID = 2"), 1);
}

TEST_F(ConnectionTest, CommitOrRollbackWithoutATransactionFails) {
  EXPECT_EQ(errorOf([&] { cn_->CommitTrans(); }), kNoTransaction);
  EXPECT_EQ(errorOf([&] { cn_->RollbackTrans(); }), kNoTransaction);
  EXPECT_EQ(cn_->GetErrors()->Item(0)->Description(), "No transaction is active.");
}

TEST_F(ConnectionTest, CloseRollsBackAnOpenTransactionAndReturnsTheSessionToThePool) {
  auto cn = openConnection();
  cn->BeginTrans();
  cn->executeNoRecords("DELETE FROM ITEMS");
  const auto props = parseConnectionString(connectionString_);
  const size_t idle = ConnectionPool::instance().idleCount(props);
  cn->Close();
  EXPECT_EQ(ConnectionPool::instance().idleCount(props), idle + 1);
  EXPECT_EQ(count(), 4);
  EXPECT_EQ(cn->State(), adStateClosed);
}

TEST_F(ConnectionTest, AClosedConnectionRefusesWork) {
  auto cn = openConnection();
  cn->Close();
  EXPECT_EQ(errorOf([&] { cn->execute("SELECT 1"); }), vbError(vb::InvalidConnection));
  EXPECT_EQ(errorOf([&] { cn->BeginTrans(); }), vbError(vb::ObjectClosed));
  EXPECT_EQ(errorOf([&] { cn->Close(); }), vbError(vb::ObjectClosed));
  EXPECT_EQ(errorOf([&] { cn_->SetConnectionString("x"); }), vbError(vb::ObjectOpen));
}

TEST_F(ConnectionTest, UnknownProviderAndUnopenableFileFail) {
  auto cn = makeObject<Connection>();
  EXPECT_EQ(errorOf([&] { cn->open("Provider=Nothing;Data Source=x"); }), vbError(kProviderNotFound));
  EXPECT_EQ(errorOf([&] { cn->open("Provider=SQLite;Data Source=/no/such/dir/x.db"); }), kProviderError);
  EXPECT_EQ(cn->GetErrors()->Item(0)->SQLState(), "08001");
}

// Field types and sizes of the columns schema, per declared type.
struct SchemaType {
  const char* column;
  int dataType;
  Variant maxLength;
  Variant precision;
  Variant scale;
};

TEST_F(ConnectionTest, ColumnsSchemaReportsRawTypesSizesAndDefaults) {
  auto rs = cn_->OpenSchema(adSchemaColumns, Variant::array({Variant(), Variant(), Variant("dbo.items"), Variant()}));
  EXPECT_EQ(rs->RecordCount(), 13);
  // The embedded database keeps CHAR and VARCHAR as narrow text; the server keeps all text as
  // Unicode and reports the national types.
  const int narrowText = onPostgres() ? adWChar : adChar;
  const SchemaType expected[] = {
      {"ID", 3, Variant::null(), Variant::integer(10), Variant::null()},
      {"NAME", 130, Variant(20), Variant::null(), Variant::null()},
      {"PRICE", 6, Variant::null(), Variant::integer(19), Variant::null()},
      {"QTY", 2, Variant::null(), Variant::integer(5), Variant::null()},
      {"ACTIVE", 11, Variant::null(), Variant::null(), Variant::null()},
      {"CREATED", 135, Variant::null(), Variant::null(), Variant::null()},
      {"RATE", 5, Variant::null(), Variant::integer(15), Variant::null()},
      {"AMOUNT", 131, Variant::null(), Variant::integer(10), Variant::integer(2)},
      {"CODE", narrowText, Variant(3), Variant::null(), Variant::null()},
      {"NOTE", 130, Variant(1073741823), Variant::null(), Variant::null()},
      {"LEVEL", 17, Variant::null(), Variant::integer(3), Variant::null()},
      {"REF", 72, Variant::null(), Variant::null(), Variant::null()},
      {"LABEL", narrowText, Variant(30), Variant::null(), Variant::null()},
  };
  int ordinal = 0;
  for (const SchemaType& t : expected) {
    SCOPED_TRACE(t.column);
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->value("TABLE_NAME").toString(), "ITEMS");
    EXPECT_EQ(rs->value("COLUMN_NAME").toString(), t.column);
    EXPECT_EQ(rs->value("ORDINAL_POSITION").toLong(), ++ordinal);
    EXPECT_EQ(rs->value("DATA_TYPE").toLong(), t.dataType);
    for (auto [name, want] : {std::pair{"CHARACTER_MAXIMUM_LENGTH", t.maxLength}, std::pair{"NUMERIC_PRECISION", t.precision},
                              std::pair{"NUMERIC_SCALE", t.scale}}) {
      const Variant got = rs->value(name);
      EXPECT_EQ(got.isNull(), want.isNull()) << name;
      if (!want.isNull() && !got.isNull()) {
        EXPECT_EQ(got.toLong(), want.toLong()) << name;
      }
    }
    rs->MoveNext();
  }
  rs->MoveFirst();
  EXPECT_FALSE(rs->value("IS_NULLABLE").toBool());  // ID
  rs->Find("COLUMN_NAME = 'ACTIVE'", 0, Variant::missing(), Variant::missing());
  EXPECT_TRUE(rs->value("COLUMN_HASDEFAULT").toBool());
  EXPECT_EQ(rs->value("COLUMN_DEFAULT").toString(), "1");
  EXPECT_TRUE(rs->value("IS_NULLABLE").toBool());
}

TEST_F(ConnectionTest, ColumnsSchemaRestrictsByColumnAndListsAllTablesWithoutCriteria) {
  auto one = cn_->OpenSchema(adSchemaColumns, Variant::array({Variant(), Variant(), Variant(), Variant("qty")}));
  EXPECT_EQ(one->RecordCount(), 2);  // ITEMS.QTY and LINE.QTY
  auto all = cn_->OpenSchema(adSchemaColumns, Variant::missing());
  EXPECT_EQ(all->RecordCount(), 13 + 3 + 4 + 2);
  EXPECT_EQ(all->value("TABLE_NAME").toString(), "COUNTER");  // tables in name order
  auto none = cn_->OpenSchema(adSchemaColumns, Variant::array({Variant("other"), Variant(), Variant(), Variant()}));
  EXPECT_TRUE(none->empty());
}

TEST_F(ConnectionTest, CommandBindsTypedParametersInOrder) {
  auto cmd = makeObject<Command>();
  cmd->SetActiveConnection(Variant(cn_));
  cmd->SetCommandText("SELECT NAME FROM ITEMS WHERE PRICE >= ? AND CREATED < ? ORDER BY ID");
  cmd->SetCommandType(adCmdText);
  cmd->GetParameters()->Append(cmd->CreateParameter(Variant("min"), Variant(static_cast<int>(adCurrency)),
                                                    Variant::missing(), Variant::missing(), Variant("0.2")));
  cmd->GetParameters()->Append(cmd->CreateParameter(Variant("before"), Variant(static_cast<int>(adDBTimeStamp)),
                                                    Variant::missing(), Variant::missing(), Variant("3/1/2024 9:00 AM")));
  Variant affected;
  auto rs = cmd->Execute(affected, Variant::missing(), Variant::missing());
  ASSERT_FALSE(rs->eof());
  EXPECT_EQ(rs->value("NAME").toString(), "bolt");
  rs->MoveNext();
  EXPECT_EQ(rs->value("NAME").toString(), "screw");

  // Values passed to Execute replace the stored ones; Missing keeps a value.
  rs = cmd->Execute(affected, Variant::array({Variant(0.28), Variant::missing()}), Variant::missing());
  EXPECT_EQ(rs->value("NAME").toString(), "screw");
  rs->MoveNext();
  EXPECT_TRUE(rs->eof());
}

TEST_F(ConnectionTest, ARecordsetOpenedFromACommandIsBoundToIt) {
  auto cmd = makeObject<Command>();
  cmd->SetActiveConnection(Variant(connectionString_));  // a string opens a connection of its own
  cmd->SetCommandText("SELECT * FROM ITEMS WHERE QTY > ? ORDER BY ID");
  auto p = cmd->CreateParameter(Variant(), Variant(static_cast<int>(adInteger)), Variant::missing(),
                                Variant::missing(), Variant(90));
  cmd->GetParameters()->Append(p);
  auto rs = makeObject<Recordset>();
  rs->SetCursorLocation(adUseClient);
  rs->Open(Variant(cmd), Variant::missing(), Variant::missing(), Variant::missing(), Variant::missing());
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->Source(), cmd->CommandText());
  EXPECT_EQ(errorOf([&] { rs->detach(); }), vbError(vb::BoundToCommand));

  cn_->executeNoRecords("UPDATE ITEMS SET QTY = 99");
  rs->Requery(Variant::missing());
  EXPECT_EQ(rs->RecordCount(), 4);
}

TEST_F(ConnectionTest, CommandParametersNeedATypeAndATextSize) {
  auto cmd = makeObject<Command>();
  auto p = cmd->CreateParameter(Variant("x"), Variant(static_cast<int>(adVarWChar)), Variant::missing(),
                                Variant::missing(), Variant("a"));
  EXPECT_EQ(errorOf([&] { cmd->GetParameters()->Append(p); }), vbError(kParameterImproperlyDefined));
  p->SetSize(10);
  cmd->GetParameters()->Append(p);
  EXPECT_EQ(cmd->GetParameters()->Item(Variant("X"))->Value().toString(), "a");
  Variant affected;
  EXPECT_EQ(errorOf([&] { cmd->Execute(affected, Variant::missing(), Variant::missing()); }),
            vbError(vb::InvalidConnection));
}

TEST_F(ConnectionTest, StoredProcedureRunsTheRegisteredBody) {
  if (onPostgres()) GTEST_SKIP() << "registers an embedded-database procedure; postgres_tests call server functions";
  sqlite::registerProcedure("ItemsCheaperThan", "SELECT ID FROM ITEMS WHERE PRICE < ? ORDER BY ID");
  auto cmd = makeObject<Command>();
  cmd->SetActiveConnection(Variant(cn_));
  cmd->SetCommandText("dbo.ItemsCheaperThan");
  cmd->SetCommandType(adCmdStoredProc);
  auto p = cmd->CreateParameter(Variant("limit"), Variant(static_cast<int>(adDouble)), Variant::missing(),
                                Variant::missing(), Variant(0.2));
  cmd->GetParameters()->Append(p);
  Variant affected;
  auto rs = cmd->Execute(affected, Variant::missing(), Variant::missing());
  EXPECT_EQ(rs->value("ID").toLong(), 2);
  sqlite::unregisterProcedure("ItemsCheaperThan");
  EXPECT_EQ(errorOf([&] { cmd->Execute(affected, Variant::missing(), Variant::missing()); }), kProviderError);
}

TEST_F(ConnectionTest, InjectedFailureHitsTheNthStatementOnThisThread) {
  StatementFailure failure(2, "disk on fire");
  cn_->execute("SELECT 1");
  try {
    cn_->execute("SELECT 2");
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.description, "disk on fire");
  }
  EXPECT_EQ(failure.executed(), 2);
  cn_->execute("SELECT 3");
}

TEST_F(ConnectionTest, ClassesAreCreatableByProgId) {
  for (const char* progId : {"ADODB.Connection", "ADODB.Recordset", "ADODB.Command", "ADODB.Parameter"})
    EXPECT_EQ(createObject(progId)->typeName(), progId);
  auto cn = createObject("ADODB.Connection");
  cn->call("Open", {Variant(connectionString_)});
  Args args{Variant("SELECT COUNT(*) FROM ITEMS"), Variant()};
  auto rs = cn->invoke("Execute", CallKind::Method, args).as<Recordset>();
  EXPECT_EQ(rs->call("", {Variant(0)}).toLong(), 4);  // rs(0): the default member gives the value
}

TEST_F(ConnectionTest, SeveralThreadsWriteOneDatabaseThroughThePool) {
  constexpr int kThreads = 4, kRows = 25;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      try {
        for (int i = 0; i < kRows; ++i) {
          auto cn = openConnection();
          cn->BeginTrans();
          cn->executeNoRecords("INSERT INTO COUNTER (TEXT) VALUES ('t" + std::to_string(t) + "')");
          cn->CommitTrans();
          cn->Close();
        }
      } catch (...) {
        ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(count("1 = 1", "COUNTER"), kThreads * kRows);
}

}  // namespace
