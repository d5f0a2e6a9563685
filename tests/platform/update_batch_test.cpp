#include "platform/data/storable_text.h"
#include "platform/data/testing.h"
#include "tests/platform/data_fixture.h"

namespace {

using namespace datatest;

using UpdateBatch = DataTest;

const Variant kMissing = Variant::missing();

// Every row of a table as text, for before/after comparisons.
std::string dump(const ConnectionPtr& cn, const std::string& table) {
  auto rs = cn->execute("SELECT * FROM " + table + " ORDER BY 1, 2");
  std::string out;
  for (; !rs->eof(); rs->MoveNext()) {
    for (int i = 0; i < rs->columnCount(); ++i) {
      const Variant v = rs->GetFields()->Item(Variant(i))->Value();
      out += (v.isNull() ? "Null" : v.toString()) + "|";
    }
    out += "\n";
  }
  return out;
}

// The other user: a second session that changes rows behind a recordset's back.
void elsewhere(const ConnectionPtr& cn, const std::string& sql) { cn->executeNoRecords(sql); }

TEST_F(UpdateBatch, WritesExactlyTheAddedChangedAndDeletedRows) {
  auto rs = open("SELECT * FROM HEADER ORDER BY HEADERID");
  rs->setValue("TITLE", Variant("first, renamed"));
  rs->MoveNext();
  rs->Delete(kMissing);
  rs->AddNew(Variant::array({Variant("HEADERID"), Variant("TOTAL")}), Variant::array({Variant("H3"), Variant(1.5)}));
  // Columns the set did not change keep what others wrote meanwhile.
  elsewhere(openConnection(), "UPDATE HEADER SET TOTAL = 11 WHERE HEADERID = 'H1'");

  rs->updateBatch();
  EXPECT_EQ(dump(cn_, "HEADER"), "H1|first, renamed|11|\nH3|Null|1.5|\n");
  EXPECT_EQ(rs->RecordCount(), 2);
  for (rs->MoveFirst(); !rs->eof(); rs->MoveNext()) {
    EXPECT_EQ(rs->Status(), adRecUnmodified);
    EXPECT_EQ(rs->EditMode(), adEditNone);
    for (int i = 0; i < rs->columnCount(); ++i) {
      auto f = rs->field(i);
      EXPECT_TRUE(sameKey(f->Value(), f->OriginalValue())) << f->Name();
    }
  }
}

TEST_F(UpdateBatch, AConflictRollsBackEveryRowAndKeepsThemPendingForARetry) {
  auto rs = open("SELECT * FROM HEADER ORDER BY HEADERID");
  rs->setValue("TITLE", Variant("one"));
  rs->MoveNext();
  rs->setValue("TITLE", Variant("two"));
  rs->update();
  auto other = openConnection();
  elsewhere(other, "UPDATE HEADER SET TITLE = 'theirs' WHERE HEADERID = 'H2'");
  const std::string before = dump(cn_, "HEADER");

  try {
    rs->updateBatch();
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, kRowNotLocated);
    EXPECT_EQ(e.description,
              "Row cannot be located for updating. Some values may have been changed since it was last read.");
  }
  EXPECT_EQ(dump(cn_, "HEADER"), before);  // H1 was written first, and undone
  EXPECT_EQ(cn_->GetErrors()->Item(0)->Number(), kRowNotLocated);
  rs->MoveFirst();
  EXPECT_EQ(rs->Status(), adRecModified);
  EXPECT_EQ(rs->value("TITLE").toString(), "one");

  elsewhere(other, "UPDATE HEADER SET TITLE = 'second' WHERE HEADERID = 'H2'");
  rs->updateBatch();
  EXPECT_EQ(dump(cn_, "HEADER"), "H1|one|10|\nH2|two|20|\n");
}

TEST_F(UpdateBatch, ARowDeletedElsewhereCannotBeLocated) {
  auto rs = open("SELECT * FROM LINE WHERE HEADERID = 'H1' ORDER BY LINENR");
  rs->Delete(kMissing);
  elsewhere(openConnection(), "DELETE FROM LINE WHERE HEADERID = 'H1' AND LINENR = 1");
  EXPECT_EQ(errorOf([&] { rs->updateBatch(); }), kRowNotLocated);
  EXPECT_EQ(rs->Status(), adRecDeleted);
}

TEST_F(UpdateBatch, AFailureAtAnyStatementLeavesTheDatabaseAndTheRowsAsTheyWere) {
  auto rs = open("SELECT * FROM LINE ORDER BY HEADERID, LINENR");
  rs->setValue("QTY", Variant(10));                                            // update H1/1
  rs->MoveNext();
  rs->Delete(kMissing);                                                        // delete H1/2
  rs->AddNew(Variant::array({Variant("HEADERID"), Variant("LINENR")}), Variant::array({Variant("H1"), Variant(2)}));
  rs->AddNew(Variant::array({Variant("HEADERID"), Variant("LINENR")}), Variant::array({Variant("H3"), Variant(1)}));
  const std::string before = dump(cn_, "LINE");
  for (int n = 1; n <= 4; ++n) {
    {
      StatementFailure failure(n);
      EXPECT_EQ(errorOf([&] { rs->updateBatch(); }), kProviderError) << "statement " << n;
      EXPECT_EQ(failure.executed(), n);
    }
    EXPECT_EQ(dump(cn_, "LINE"), before) << "statement " << n;
    rs->SetFilter(Variant(static_cast<int>(adFilterPendingRecords)));
    EXPECT_EQ(rs->RecordCount(), 4) << "statement " << n;
    rs->SetFilter(Variant(static_cast<int>(adFilterNone)));
  }
  {
    StatementFailure none(5);
    rs->updateBatch();
    EXPECT_EQ(none.executed(), 4);  // one statement a row: the delete goes before the insert of its key
  }
  EXPECT_EQ(dump(cn_, "LINE"), "H1|1|A|10|\nH1|2|Null|Null|\nH2|1|C|3|\nH3|1|Null|Null|\n");
}

TEST_F(UpdateBatch, RowsWrittenInATransactionThatRollsBackArePendingAgain) {
  auto rs = open("SELECT * FROM HEADER ORDER BY HEADERID");
  rs->setValue("TITLE", Variant("kept"));
  rs->MoveNext();
  rs->Delete(kMissing);
  rs->AddNew(Variant::array({Variant("HEADERID")}), Variant::array({Variant("H9")}));
  cn_->BeginTrans();
  cn_->executeNoRecords("UPDATE LINE SET QTY = 0");
  rs->updateBatch();
  EXPECT_EQ(rs->RecordCount(), 2);
  cn_->RollbackTrans();

  const std::string unchanged = "H1|first|10|\nH2|second|20|\n";
  EXPECT_EQ(dump(cn_, "HEADER"), unchanged);
  EXPECT_EQ(rs->RecordCount(), 2);  // H2 is a pending delete again
  rs->SetFilter(Variant(static_cast<int>(adFilterPendingRecords)));
  EXPECT_EQ(rs->RecordCount(), 3);
  rs->SetFilter(Variant(static_cast<int>(adFilterNone)));

  // A batch that fails inside the caller's transaction takes back only its own statements.
  cn_->BeginTrans();
  cn_->executeNoRecords("UPDATE LINE SET QTY = 0");
  {
    StatementFailure failure(2);
    EXPECT_NE(errorOf([&] { rs->updateBatch(); }), 0);
  }
  EXPECT_EQ(count("QTY = 0", "LINE"), 0);  // others cannot see the open transaction
  cn_->CommitTrans();
  EXPECT_EQ(count("QTY = 0", "LINE"), 3);
  EXPECT_EQ(dump(cn_, "HEADER"), unchanged);

  rs->updateBatch();
  EXPECT_EQ(dump(cn_, "HEADER"), "H1|kept|10|\nH9|Null|Null|\n");
}

TEST_F(UpdateBatch, ADetachedSetIsEditedOfflineAndWrittenThroughAnotherConnection) {
  auto rs = open("SELECT * FROM HEADER ORDER BY HEADERID");
  rs->detach();
  cn_->Close();
  EXPECT_TRUE(rs->ActiveConnection().isNothing());
  rs->setValue("TOTAL", Variant(99));
  rs->update();
  EXPECT_EQ(errorOf([&] { rs->updateBatch(); }), vbError(vb::InvalidConnection));
  auto closed = makeObject<Connection>();
  EXPECT_EQ(errorOf([&] { rs->attach(closed); }), vbError(vb::InvalidConnection));

  auto later = openConnection();
  rs->attach(later);
  rs->updateBatch();
  EXPECT_EQ(scalar("SELECT TOTAL FROM HEADER WHERE HEADERID = 'H1'").toLong(), 99);
}

TEST_F(UpdateBatch, ImmediateModeWritesAtUpdateAndDelete) {
  auto rs = open("SELECT * FROM HEADER ORDER BY HEADERID", adLockOptimistic);
  rs->setValue("TITLE", Variant("now"));
  rs->update();
  EXPECT_EQ(scalar("SELECT TITLE FROM HEADER WHERE HEADERID = 'H1'").toString(), "now");
  EXPECT_EQ(rs->Status(), adRecUnmodified);
  rs->MoveNext();
  rs->Delete(kMissing);
  EXPECT_EQ(count("1 = 1", "HEADER"), 1);
  rs->AddNew(Variant::array({Variant("HEADERID")}), Variant::array({Variant("H5")}));
  EXPECT_EQ(count("HEADERID = 'H5'", "HEADER"), 1);

  // A conflict leaves the edit pending, to be cancelled or tried again.
  rs->MoveFirst();
  elsewhere(openConnection(), "UPDATE HEADER SET TITLE = 'theirs' WHERE HEADERID = 'H1'");
  rs->setValue("TITLE", Variant("mine"));
  EXPECT_EQ(errorOf([&] { rs->update(); }), kRowNotLocated);
  EXPECT_EQ(rs->EditMode(), adEditInProgress);
  rs->CancelUpdate();
  EXPECT_EQ(rs->value("TITLE").toString(), "now");
}

TEST_F(UpdateBatch, AnAutoNumberedKeyComesBackIntoTheRow) {
  auto rs = open("SELECT * FROM COUNTER");
  rs->AddNew(Variant("TEXT"), Variant("a"));
  rs->AddNew(Variant("TEXT"), Variant("b"));
  rs->updateBatch();
  EXPECT_EQ(rs->value("NR").toLong(), scalar("SELECT NR FROM COUNTER WHERE TEXT = 'b'").toLong());
  rs->setValue("TEXT", Variant("c"));  // located by the key it learnt
  rs->updateBatch();
  EXPECT_EQ(count("TEXT = 'c'", "COUNTER"), 1);
}

TEST_F(UpdateBatch, ValuesAreStoredInTheColumnsFormAndLooselyStoredOnesStillLocateTheirRow) {
  // Written by hand, as a script might: a date without time, money with binary noise.
  cn_->executeNoRecords("UPDATE ITEMS SET CREATED = '2024-03-02', PRICE = 0.1 + 0.2 WHERE ID = 2");
  auto rs = open("SELECT * FROM ITEMS WHERE ID = 2");
  rs->setValue("CREATED", Variant(Date::fromParts(2024, 5, 6, 7, 8, 9)));
  rs->setValue("PRICE", Variant(Currency{12345}));
  rs->setValue("ACTIVE", Variant(true));
  rs->setValue("NAME", Variant("x'); DROP TABLE T--"));
  rs->updateBatch();
  auto raw = cn_->execute("SELECT CREATED || '', PRICE * 1, ACTIVE + 0, NAME FROM ITEMS WHERE ID = 2");
  EXPECT_EQ(raw->field(0)->Value().toString(), "2024-05-06 07:08:09");
  EXPECT_EQ(raw->field(1)->Value().toDouble(), 1.2345);
  EXPECT_EQ(raw->field(2)->Value().toLong(), 1);
  EXPECT_EQ(raw->field(3)->Value().toString(), "x'); DROP TABLE T--");
}

TEST_F(UpdateBatch, WithAJoinOnlyTheTableOfTheKeyIsWritten) {
  auto rs = open("SELECT L.HEADERID, L.LINENR, L.QTY, H.TITLE FROM LINE L JOIN HEADER H ON H.HEADERID = L.HEADERID "
                 "WHERE L.HEADERID = 'H2'");
  rs->setValue("QTY", Variant(7));
  rs->setValue("TITLE", Variant("not written"));
  rs->updateBatch();
  EXPECT_EQ(count("QTY = 7", "LINE"), 1);
  EXPECT_EQ(count("TITLE = 'second'", "HEADER"), 1);
}

TEST_F(UpdateBatch, ASetWithoutABaseTableCannotBeWritten) {
  auto rs = open("SELECT 1 AS A");
  rs->setValue("A", Variant("2"));
  EXPECT_EQ(errorOf([&] { rs->updateBatch(); }), kProviderError);
  EXPECT_EQ(rs->Status(), adRecModified);
}

// Text that one database would refuse and the other store is refused on both before any
// statement runs, naming the column and the row; nothing of the batch is written.
TEST_F(UpdateBatch, TextNoDatabaseStoresAlikeIsRefusedNamingColumnAndRow) {
  for (const std::string& bad : {std::string("a\0b", 3), std::string("caf\xE9"), std::string("\xED\xA0\x80")}) {
    SCOPED_TRACE(bad.size());
    auto rs = open("SELECT * FROM HEADER ORDER BY HEADERID");
    const std::string before = dump(cn_, "HEADER");
    rs->setValue("TITLE", Variant("fine"));
    rs->MoveNext();
    rs->setValue("TITLE", Variant(bad));
    try {
      rs->updateBatch();
      ADD_FAILURE() << "no failure";
    } catch (const ComError& e) {
      EXPECT_EQ(e.number, kProviderError);
      EXPECT_NE(e.description.find("Column TITLE of row 2 of HEADER"), std::string::npos) << e.description;
      EXPECT_EQ(cn_->GetErrors()->Item(0)->SQLState(), "22021");
    }
    EXPECT_EQ(dump(cn_, "HEADER"), before);
  }
  EXPECT_EQ(platform::data::unstorableText("Grüße, 東京 😀"), nullptr);
  EXPECT_NE(platform::data::unstorableText("\xC0\xAF"), nullptr);  // overlong "/"
}

}  // namespace
