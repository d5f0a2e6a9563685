// Rows a provider hands over undecoded: each is decoded once, when first read, and a row that
// cannot be decoded fails its reader without spoiling the rest. A scripted statement stands in
// for the provider, so every decode can be counted.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/data/provider.h"
#include "platform/data/recordset.h"
#include "platform/data/types.h"
#include "platform/error.h"

namespace {

using namespace platform;
using namespace platform::data;

struct Script {
  std::vector<std::vector<Variant>> rows;
  std::vector<int> decodes;  // per row
  int failing = -1;          // a row that cannot be decoded
};

class ScriptedRows final : public HeldRows {
 public:
  ScriptedRows(std::shared_ptr<Script> script, size_t first, size_t count)
      : script_(std::move(script)), first_(first), count_(count) {}
  size_t size() const override { return count_; }
  void appendRow(size_t row, std::vector<Variant>& values) const override {
    const size_t at = first_ + row;
    ++script_->decodes[at];
    values.push_back(script_->rows[at][0]);  // half a row, then the failure
    if (static_cast<int>(at) == script_->failing) raiseVb(vb::Overflow, "Scripted");
    for (size_t c = 1; c < script_->rows[at].size(); ++c) values.push_back(script_->rows[at][c]);
  }

 private:
  std::shared_ptr<Script> script_;
  size_t first_, count_;
};

class ScriptedStatement final : public ProviderStatement {
 public:
  explicit ScriptedStatement(std::shared_ptr<Script> script) : script_(std::move(script)) {
    for (const char* name : {"ID", "NAME"}) {
      ColumnInfo& c = columns_.emplace_back();
      c.name = name;
      c.type = c.name == "ID" ? adInteger : adVarWChar;
    }
  }
  void bind(int, const Variant&) override {}
  bool step() override { return ++row_ < static_cast<int>(script_->rows.size()); }
  int columnCount() const override { return static_cast<int>(columns_.size()); }
  const ColumnInfo& column(int i) const override { return columns_[static_cast<size_t>(i)]; }
  Variant value(int) const override { throw std::logic_error("held rows are never read one by one"); }
  std::shared_ptr<const HeldRows> holdRows(size_t limit) override {
    const size_t first = static_cast<size_t>(row_), rest = script_->rows.size() - first;
    auto held = std::make_shared<ScriptedRows>(script_, first, limit > 0 && limit < rest ? limit : rest);
    handedOver = held;
    row_ = static_cast<int>(script_->rows.size());
    return held;
  }
  int64_t rowsAffected() const override { return 0; }

  std::weak_ptr<const HeldRows> handedOver;

 private:
  std::shared_ptr<Script> script_;
  std::vector<ColumnInfo> columns_;
  int row_ = -1;
};

std::shared_ptr<Script> fourRows() {
  auto s = std::make_shared<Script>();
  for (int id : {3, 1, 4, 2}) s->rows.push_back({Variant(id), Variant("item " + std::to_string(id))});
  s->decodes.assign(s->rows.size(), 0);
  return s;
}

// A client-side recordset over the statement's rows, as the tier opens its sets.
RecordsetPtr load(ScriptedStatement& stmt, int32_t maxRecords = 0) {
  auto rs = makeObject<Recordset>();
  rs->SetCursorLocation(adUseClient);
  rs->loadFrom(stmt, maxRecords);
  return rs;
}

int32_t idOf(const RecordsetPtr& rs) { return rs->value("ID").toLong(); }

TEST(HeldRows, EachRowIsDecodedOnceWhenFirstReadAndTheProvidersRowsAreThenLetGo) {
  auto script = fourRows();
  ScriptedStatement stmt(script);
  auto rs = load(stmt);
  EXPECT_EQ(rs->RecordCount(), 4);
  rs->MoveLast();
  EXPECT_EQ(rs->Status(), adRecUnmodified);  // moving and asking for state read no values
  EXPECT_EQ(script->decodes, (std::vector<int>{0, 0, 0, 0}));

  EXPECT_EQ(idOf(rs), 2);
  EXPECT_EQ(rs->value("NAME").toString(), "item 2");
  auto clone = rs->Clone(Variant::missing());  // shares the rows, decoded or not
  clone->MoveLast();
  EXPECT_EQ(idOf(clone), 2);
  EXPECT_EQ(script->decodes, (std::vector<int>{0, 0, 0, 1}));
  EXPECT_FALSE(stmt.handedOver.expired());

  // A sort reads every row it orders.
  rs->SetSort("ID");
  std::vector<int32_t> ids;
  for (rs->MoveFirst(); !rs->eof(); rs->MoveNext()) ids.push_back(idOf(rs));
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(script->decodes, (std::vector<int>{1, 1, 1, 1}));
  EXPECT_TRUE(stmt.handedOver.expired());
}

TEST(HeldRows, ARowThatCannotBeDecodedFailsEachReadAndLeavesTheOthersReadable) {
  auto script = fourRows();
  script->failing = 1;
  ScriptedStatement stmt(script);
  auto rs = load(stmt);
  rs->MoveNext();
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      rs->value("NAME");
      ADD_FAILURE() << "read a row that cannot be decoded";
    } catch (const ComError& e) {
      EXPECT_EQ(e.errNumber(), vb::Overflow);
    }
  }
  EXPECT_EQ(script->decodes[1], 2);  // nothing half-decoded was kept
  rs->MoveNext();
  EXPECT_EQ(idOf(rs), 4);
  rs->MoveFirst();
  EXPECT_EQ(rs->value("NAME").toString(), "item 3");
  EXPECT_FALSE(stmt.handedOver.expired());  // the failing row still needs them
}

TEST(HeldRows, MaxRecordsHoldsNoMoreRowsThanAsked) {
  auto script = fourRows();
  ScriptedStatement stmt(script);
  auto rs = load(stmt, 3);
  EXPECT_EQ(rs->RecordCount(), 3);
  rs->MoveLast();
  EXPECT_EQ(idOf(rs), 4);
}

}  // namespace
