#include <functional>

#include "tests/platform/data_fixture.h"

namespace {

using namespace datatest;

using RecordsetTest = DataTest;

int32_t idOf(const RecordsetPtr& rs) { return rs->value("ID").toLong(); }

std::vector<int32_t> ids(const RecordsetPtr& rs) {
  std::vector<int32_t> out;
  if (rs->empty()) return out;
  for (rs->MoveFirst(); !rs->eof(); rs->MoveNext()) out.push_back(idOf(rs));
  return out;
}

const Variant kMissing = Variant::missing();

TEST_F(RecordsetTest, AnEmptySetIsAtBothEndsAndRefusesEveryMove) {
  auto rs = open("SELECT * FROM ITEMS WHERE ID < 0");
  EXPECT_TRUE(rs->BOF());
  EXPECT_TRUE(rs->EOF_());
  EXPECT_EQ(rs->RecordCount(), 0);
  const std::function<void()> moves[] = {[&] { rs->MoveFirst(); }, [&] { rs->MoveLast(); },
                                         [&] { rs->MoveNext(); },  [&] { rs->MovePrevious(); },
                                         [&] { rs->Move(0, kMissing); }, [&] { rs->Move(1, kMissing); }};
  for (const auto& move : moves) EXPECT_EQ(errorOf(move), vbError(vb::NoCurrentRecord));
  EXPECT_EQ(errorOf([&] { rs->value("ID"); }), vbError(vb::NoCurrentRecord));

  rs->addNew();  // still accepts a new row
  EXPECT_FALSE(rs->BOF());
  EXPECT_FALSE(rs->EOF_());
  EXPECT_EQ(rs->RecordCount(), 1);
}

// A walk over the four items (ordered by ID): the calls, then where it ends or the error.
struct Walk {
  const char* name;
  std::function<void(Recordset&)> calls;
  bool bof, eof;
  int32_t id;     // of the current row when neither end is reached
  int32_t error;  // of the last call, 0 for none
};

const Walk kWalks[] = {
    {"opens on the first row", [](Recordset&) {}, false, false, 1, 0},
    {"previous from the first reaches BOF", [](Recordset& r) { r.MovePrevious(); }, true, false, 0, 0},
    {"previous at BOF fails", [](Recordset& r) { r.MovePrevious(); r.MovePrevious(); }, true, false, 0, 3021},
    {"next from BOF is the first row", [](Recordset& r) { r.MovePrevious(); r.MoveNext(); }, false, false, 1, 0},
    {"next from the last reaches EOF", [](Recordset& r) { r.MoveLast(); r.MoveNext(); }, false, true, 0, 0},
    {"next at EOF fails", [](Recordset& r) { r.MoveLast(); r.MoveNext(); r.MoveNext(); }, false, true, 0, 3021},
    {"previous from EOF is the last row", [](Recordset& r) { r.MoveLast(); r.MoveNext(); r.MovePrevious(); }, false, false, 4, 0},
    {"move 0 at EOF fails", [](Recordset& r) { r.MoveLast(); r.MoveNext(); r.Move(0, kMissing); }, false, true, 0, 3021},
    {"move past the end stops at EOF", [](Recordset& r) { r.Move(10, kMissing); }, false, true, 0, 0},
    {"move back past the start stops at BOF", [](Recordset& r) { r.MoveLast(); r.Move(-10, kMissing); }, true, false, 0, 0},
    {"move counts from the current row", [](Recordset& r) { r.MoveNext(); r.Move(2, kMissing); }, false, false, 4, 0},
    {"move from a bookmark", [](Recordset& r) { r.MoveLast(); r.Move(1, Variant(1.0)); }, false, false, 2, 0},
    {"first from EOF", [](Recordset& r) { r.Move(10, kMissing); r.MoveFirst(); }, false, false, 1, 0},
};

class Navigation : public DataTest, public ::testing::WithParamInterface<Walk> {};

TEST_P(Navigation, FollowsTheMoveRules) {
  const Walk& w = GetParam();
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  EXPECT_EQ(errorOf([&] { w.calls(*rs); }), w.error ? vbError(w.error) : 0);
  EXPECT_EQ(rs->BOF(), w.bof);
  EXPECT_EQ(rs->EOF_(), w.eof);
  if (w.id) {
    EXPECT_EQ(idOf(rs), w.id);
  }
}

INSTANTIATE_TEST_SUITE_P(Walks, Navigation, ::testing::ValuesIn(kWalks),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

TEST_F(RecordsetTest, FieldsReadAsTheirDeclaredTypes) {
  auto rs = open("SELECT * FROM ITEMS WHERE ID = 1");
  // The embedded database keeps CHAR and VARCHAR as narrow text; the server keeps all text as
  // Unicode and reports the national types.
  const int32_t narrowChar = onPostgres() ? adWChar : adChar;
  const int32_t narrowVarChar = onPostgres() ? adVarWChar : adVarChar;
  struct Expect {
    const char* name;
    int32_t type;
    VarType value;
    int32_t size;
  };
  const Expect expected[] = {
      {"ID", adInteger, VarType::Long, 4},          {"NAME", adVarWChar, VarType::String, 20},
      {"PRICE", adCurrency, VarType::Currency, 8},  {"QTY", adSmallInt, VarType::Integer, 2},
      {"ACTIVE", adBoolean, VarType::Boolean, 2},   {"CREATED", adDBTimeStamp, VarType::Date, 16},
      {"RATE", adDouble, VarType::Double, 8},       {"AMOUNT", adNumeric, VarType::Double, 19},
      {"CODE", narrowChar, VarType::String, 3},         {"NOTE", adLongVarWChar, VarType::Null, 1073741823},
      {"LEVEL", adUnsignedTinyInt, VarType::Byte, 1}, {"REF", adGUID, VarType::Null, 16},
      {"LABEL", narrowVarChar, VarType::String, 30},
  };
  auto fields = rs->GetFields();
  ASSERT_EQ(fields->Count(), 13);
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.name);
    auto f = fields->Item(Variant(e.name));
    EXPECT_EQ(f->Type(), e.type);
    EXPECT_EQ(f->Value().type(), e.value);
    EXPECT_EQ(f->DefinedSize(), e.size);
  }
  EXPECT_EQ(rs->value("PRICE").toCurrency().scaled, 2500);
  EXPECT_EQ(rs->value("CREATED").toDate().serial, Date::fromParts(2024, 3, 1, 8, 30).serial);
  EXPECT_TRUE(rs->value("ACTIVE").toBool());
  EXPECT_EQ(fields->Item(Variant("AMOUNT"))->Precision(), 10);
  EXPECT_EQ(fields->Item(Variant("AMOUNT"))->NumericScale(), 2);
  EXPECT_EQ(fields->Item(Variant("NAME"))->ActualSize(), 8);  // "bolt" in two bytes a character
  EXPECT_TRUE(fields->Item(Variant("ID"))->Attributes() & adFldKeyColumn);
}

TEST_F(RecordsetTest, FieldNamesIgnoreCaseAndUnknownOnesFailWith3265) {
  auto rs = open("SELECT ID, NAME AS Label, COUNT(*) AS N FROM ITEMS WHERE ID = 1 GROUP BY ID, NAME");
  EXPECT_EQ(rs->value("label").toString(), "bolt");
  // The alias as written; the server gives every name in upper case.
  EXPECT_EQ(rs->GetFields()->Item(Variant(1))->Name(), onPostgres() ? "LABEL" : "Label");
  EXPECT_EQ(rs->columnInfo(2).type, adInteger);  // a computed column takes its values' type
  EXPECT_EQ(errorOf([&] { rs->value("NOPE"); }), vbError(vb::ItemNotFound));
  EXPECT_EQ(errorOf([&] { rs->GetFields()->Item(Variant(3)); }), vbError(vb::ItemNotFound));
  // rs("NAME") late-bound: the default member reads and writes the value.
  EXPECT_EQ(rs->call("", {Variant("LABEL")}).toString(), "bolt");
  rs->put("", Variant("anchor"), {Variant("LABEL")});
  EXPECT_EQ(rs->GetFields()->call("", {Variant("label")}).as<Field>()->call("").toString(), "anchor");
}

TEST_F(RecordsetTest, OfTwoColumnsOfOneNameTheFirstIsFoundAmongMany) {
  // Enough columns that names share slots of the name index.
  std::string sql = "SELECT 1 AS dup";
  for (int i = 0; i < 40; ++i) sql += ", " + std::to_string(100 + i) + " AS c" + std::to_string(i);
  sql += ", 2 AS DUP FROM ITEMS WHERE ID = 1";
  auto rs = open(sql);
  EXPECT_EQ(rs->value("Dup").toLong(), 1);
  for (int i = 0; i < 40; i += 7) EXPECT_EQ(rs->value("C" + std::to_string(i)).toLong(), 100 + i);
  EXPECT_EQ(rs->GetFields()->Item(Variant(41))->Value().toLong(), 2);
  EXPECT_EQ(errorOf([&] { rs->value("C40"); }), vbError(vb::ItemNotFound));
}

TEST_F(RecordsetTest, RecordCountAndMaxRecordsAndAClosedSet) {
  auto rs = makeObject<Recordset>();
  rs->SetCursorLocation(adUseClient);
  rs->SetMaxRecords(3);
  rs->Open(Variant("SELECT * FROM ITEMS"), Variant(cn_), kMissing, kMissing, kMissing);
  EXPECT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ(rs->CursorType(), adOpenStatic);  // a client cursor is static whatever was asked
  EXPECT_EQ(errorOf([&] { rs->SetMaxRecords(0); }), vbError(vb::ObjectOpen));
  rs->Close();
  EXPECT_EQ(rs->CursorType(), adOpenForwardOnly);
  EXPECT_EQ(errorOf([&] { rs->RecordCount(); }), vbError(vb::ObjectClosed));
  EXPECT_EQ(errorOf([&] { rs->BOF(); }), vbError(vb::ObjectClosed));
}

TEST_F(RecordsetTest, AddNewAppendsAndCancelUpdateReturnsToThePreviousRow) {
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  rs->MoveNext();
  rs->addNew();
  EXPECT_EQ(rs->EditMode(), adEditAdd);
  rs->setValue("ID", Variant(9));
  rs->CancelUpdate();
  EXPECT_EQ(idOf(rs), 2);
  EXPECT_EQ(rs->RecordCount(), 4);
  EXPECT_EQ(rs->EditMode(), adEditNone);

  rs->AddNew(Variant::array({Variant("ID"), Variant("NAME")}), Variant::array({Variant(9), Variant("pin")}));
  EXPECT_EQ(rs->Status(), adRecNew);
  EXPECT_EQ(rs->EditMode(), adEditAdd);  // not in the database until UpdateBatch
  EXPECT_EQ(rs->value("NAME").toString(), "pin");
  rs->MoveNext();
  EXPECT_TRUE(rs->eof());  // the new row is the last
  EXPECT_EQ(rs->RecordCount(), 5);
}

TEST_F(RecordsetTest, EditsGoThroughABufferThatMovingCommits) {
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  auto clone = rs->Clone(kMissing);
  rs->setValue("QTY", Variant("12"));  // converted to the field's type
  EXPECT_EQ(rs->value("QTY").type(), VarType::Integer);
  EXPECT_EQ(rs->EditMode(), adEditInProgress);
  EXPECT_EQ(clone->value("QTY").toLong(), 100);  // others see the row as it was
  rs->MoveNext();
  EXPECT_EQ(clone->value("QTY").toLong(), 12);
  EXPECT_EQ(clone->Status(), adRecModified);
  EXPECT_EQ(clone->GetFields()->Item(Variant("QTY"))->OriginalValue().toLong(), 100);
}

TEST_F(RecordsetTest, ValuesTheFieldCannotHoldAreRefused) {
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  EXPECT_EQ(errorOf([&] { rs->setValue("QTY", Variant("many")); }), kMultipleStep);
  EXPECT_EQ(errorOf([&] { rs->setValue("QTY", Variant(70000)); }), kMultipleStep);
  EXPECT_EQ(errorOf([&] { rs->setValue("NAME", Variant(std::string(21, 'x'))); }), kMultipleStep);
  rs->setValue("NAME", Variant("Straßenbahnschiene20"));  // twenty characters, more bytes
  auto readOnly = open("SELECT * FROM ITEMS", adLockReadOnly);
  EXPECT_EQ(errorOf([&] { readOnly->setValue("QTY", Variant(1)); }), vbError(vb::FeatureNotAvailable));
  EXPECT_EQ(errorOf([&] { readOnly->addNew(); }), vbError(vb::FeatureNotAvailable));
}

TEST_F(RecordsetTest, ADeletedRowStaysCurrentButCannotBeReadAndIsSkipped) {
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  rs->MoveNext();
  rs->Delete(kMissing);
  EXPECT_EQ(rs->Status(), adRecDeleted);
  EXPECT_EQ(rs->EditMode(), adEditDelete);
  EXPECT_EQ(errorOf([&] { rs->value("NAME"); }), kDeletedRow);
  EXPECT_EQ(errorOf([&] { rs->Delete(kMissing); }), kDeletedRow);
  EXPECT_EQ(rs->GetFields()->Item(Variant("NAME"))->OriginalValue().toString(), "nut");
  EXPECT_EQ(rs->RecordCount(), 3);
  rs->MoveNext();
  EXPECT_EQ(idOf(rs), 3);
  rs->MovePrevious();
  EXPECT_EQ(idOf(rs), 1);
  EXPECT_EQ(ids(rs), (std::vector<int32_t>{1, 3, 4}));
  EXPECT_EQ(errorOf([&] { rs->Delete(Variant(static_cast<int>(adAffectAll))); }), vbError(vb::InvalidArgument));
}

// Find from a starting row: the criterion, where the search starts, skip and direction, and
// the row found (0 for none, which leaves the set at EOF forwards and BOF backwards).
struct Search {
  const char* criteria;
  int32_t startId;
  int32_t skip;
  int32_t direction;
  int32_t foundId;
};

const Search kSearches[] = {
    {"NAME = 'nut'", 1, 0, adSearchForward, 2},
    {"NAME = 'bolt'", 1, 0, adSearchForward, 1},  // the current row itself is tested
    {"NAME = 'bolt'", 1, 1, adSearchForward, 0},
    {"name = 'BOLT'", 1, 0, adSearchForward, 1},  // text compares without regard to case
    {"PRICE > 0.2", 4, 0, adSearchBackward, 4},
    {"PRICE > 0.2", 3, 0, adSearchBackward, 1},
    {"NAME LIKE 'w*'", 1, 0, adSearchForward, 3},
    {"NAME LIKE '*re*'", 1, 0, adSearchForward, 4},
    {"CREATED > #3/1/2024#", 2, 0, adSearchForward, 2},
    {"CREATED < #2024-03-01#", 1, 0, adSearchForward, 4},  // Null never matches
    {"[LABEL] <> 'b'", 1, 0, adSearchForward, 3},
    {"ID >= 3", 1, 1, adSearchForward, 3},
    {"ID = 9", 1, 0, adSearchForward, 0},
    {"ID = 9", 4, 0, adSearchBackward, 0},
};

class Finding : public DataTest, public ::testing::WithParamInterface<Search> {};

TEST_P(Finding, SearchesFromTheCurrentRow) {
  const Search& s = GetParam();
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  rs->Find("ID = " + std::to_string(s.startId), 0, kMissing, kMissing);
  rs->Find(s.criteria, s.skip, Variant(static_cast<int>(s.direction)), kMissing);
  if (s.foundId) {
    ASSERT_FALSE(rs->eof() || rs->bof()) << s.criteria;
    EXPECT_EQ(idOf(rs), s.foundId) << s.criteria;
  } else {
    EXPECT_TRUE(s.direction == adSearchForward ? rs->eof() : rs->bof()) << s.criteria;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, Finding, ::testing::ValuesIn(kSearches));

TEST_F(RecordsetTest, FindTakesOneCriterionOnAKnownColumn) {
  auto rs = open("SELECT * FROM ITEMS");
  for (const char* bad : {"NAME = 'x' AND ID = 1", "NAME LIKE 'a*b'", "NAME = ", "ID = Null", "NAME LIKE '*a'"})
    EXPECT_EQ(errorOf([&] { rs->Find(bad, 0, kMissing, kMissing); }), vbError(vb::InvalidArgument)) << bad;
  EXPECT_EQ(errorOf([&] { rs->Find("NOPE = 1", 0, kMissing, kMissing); }), vbError(vb::ItemNotFound));
  auto empty = open("SELECT * FROM ITEMS WHERE ID < 0");
  EXPECT_EQ(errorOf([&] { empty->Find("ID = 1", 0, kMissing, kMissing); }), vbError(vb::NoCurrentRecord));
}

TEST_F(RecordsetTest, SortOrdersWithoutMovingRowsAndEmptyRestoresTheOrder) {
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  rs->MoveLast();
  rs->SetSort("NAME");
  EXPECT_EQ(idOf(rs), 4);  // the current row stays current
  EXPECT_EQ(ids(rs), (std::vector<int32_t>{1, 2, 4, 3}));  // bolt, nut, screw, Washer
  rs->SetSort("ACTIVE DESC, PRICE ASC");
  EXPECT_EQ(ids(rs), (std::vector<int32_t>{3, 1, 4, 2}));
  rs->SetSort("CREATED");
  EXPECT_EQ(ids(rs).front(), 3);  // Null first
  rs->SetSort("");
  EXPECT_EQ(ids(rs), (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(errorOf([&] { rs->SetSort("NOPE"); }), vbError(vb::ItemNotFound));
  auto server = makeObject<Recordset>();
  EXPECT_EQ(errorOf([&] { server->SetSort("ID"); }), vbError(vb::FeatureNotAvailable));
}

TEST_F(RecordsetTest, FilterLimitsTheRowsAndTheCount) {
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  rs->SetFilter(Variant("ACTIVE = True AND PRICE > 0.2"));
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(ids(rs), (std::vector<int32_t>{1, 4}));
  rs->SetFilter(Variant("(NAME = 'nut' OR NAME = 'washer') AND QTY > 50"));
  EXPECT_EQ(ids(rs), (std::vector<int32_t>{2, 3}));
  rs->SetFilter(Variant("ID = 99"));
  EXPECT_TRUE(rs->empty());
  rs->SetFilter(Variant(static_cast<int>(adFilterNone)));
  EXPECT_EQ(rs->RecordCount(), 4);
  EXPECT_EQ(idOf(rs), 1);

  rs->MoveNext();
  rs->Delete(kMissing);
  rs->MoveNext();
  rs->setValue("QTY", Variant(1));
  rs->update();
  rs->SetFilter(Variant(static_cast<int>(adFilterPendingRecords)));
  EXPECT_EQ(rs->RecordCount(), 2);  // the deleted row shows here
  EXPECT_EQ(rs->Status(), adRecDeleted);
}

TEST_F(RecordsetTest, ClonesShareRowsButKeepTheirOwnPosition) {
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  rs->MoveLast();
  auto clone = rs->Clone(kMissing);
  EXPECT_EQ(idOf(clone), 1);  // a clone starts on the first row
  clone->MoveNext();
  rs->MovePrevious();
  rs->MovePrevious();
  ASSERT_EQ(idOf(rs), 2);
  rs->Delete(kMissing);  // the row the clone stands on
  EXPECT_EQ(errorOf([&] { clone->value("ID"); }), kDeletedRow);
  clone->MoveNext();
  EXPECT_EQ(idOf(clone), 3);
  EXPECT_EQ(clone->RecordCount(), 3);

  clone->addNew();
  clone->setValue("ID", Variant(5));
  clone->setValue("NAME", Variant("rivet"));
  clone->update();
  EXPECT_EQ(rs->RecordCount(), 4);
  EXPECT_EQ(ids(rs), (std::vector<int32_t>{1, 3, 4, 5}));

  auto readOnly = rs->Clone(Variant(static_cast<int>(adLockReadOnly)));
  EXPECT_EQ(errorOf([&] { readOnly->setValue("NAME", Variant("x")); }), vbError(vb::FeatureNotAvailable));
  EXPECT_EQ(errorOf([&] { rs->Clone(Variant(static_cast<int>(adLockOptimistic))); }), vbError(vb::InvalidArgument));
  rs->Close();
  EXPECT_EQ(clone->RecordCount(), 4);  // closing one closes no other
}

TEST_F(RecordsetTest, BookmarksReturnToARowAndAreSharedByClones) {
  auto rs = open("SELECT * FROM ITEMS ORDER BY ID");
  rs->MoveNext();
  rs->MoveNext();
  const Variant mark = rs->Bookmark();
  rs->MoveFirst();
  rs->SetBookmark(mark);
  EXPECT_EQ(idOf(rs), 3);
  auto clone = rs->Clone(kMissing);
  clone->SetSort("NAME DESC");
  clone->SetBookmark(mark);
  EXPECT_EQ(idOf(clone), 3);
  EXPECT_EQ(clone->AbsolutePosition(), 1);  // Washer sorts first, descending
  EXPECT_EQ(errorOf([&] { rs->SetBookmark(Variant(99.0)); }), vbError(vb::InvalidArgument));
}

TEST_F(RecordsetTest, AppendedFieldsMakeARecordsetInMemory) {
  auto rs = makeObject<Recordset>();
  rs->SetCursorLocation(adUseClient);
  auto fields = rs->GetFields();
  fields->Append("KEY", adVarWChar, Variant(10), kMissing, kMissing);
  fields->Append("AMOUNT", adCurrency, kMissing, kMissing, kMissing);
  rs->Open(kMissing, kMissing, Variant(static_cast<int>(adOpenStatic)),
           Variant(static_cast<int>(adLockBatchOptimistic)), kMissing);
  EXPECT_TRUE(rs->empty());
  rs->AddNew(Variant::array({Variant("KEY"), Variant("AMOUNT")}), Variant::array({Variant("a"), Variant(1.23456)}));
  EXPECT_EQ(rs->value("AMOUNT").toCurrency().scaled, 12346);
  EXPECT_EQ(errorOf([&] { fields->Append("MORE", adInteger, kMissing, kMissing, kMissing); }), vbError(vb::ObjectOpen));
}

}  // namespace
