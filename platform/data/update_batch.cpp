// Writing a recordset's pending rows to its base table.
//
// The change set is collected from the row statuses and applied in one transaction: the
// connection's own when the caller has none open, otherwise a savepoint inside the caller's,
// so that a batch that fails half-way never leaves half of itself behind for the caller to
// commit. Deletes go first, then updates, then inserts, so a key freed by a delete can be
// taken by a new row of the same batch. Each row is one statement and counts for the
// fault-injection hook.
//
// A changed or deleted row is located by its key columns plus the changed columns at their
// original values; when that finds no row, someone else changed or deleted it since it was
// read, and the whole batch fails with kRowNotLocated.
#include "platform/data/dialect.h"
#include "platform/data/recordset_impl.h"
#include "platform/data/storable_text.h"

namespace platform::data {

namespace {

constexpr const char* kSource = "ADODB.Recordset";
constexpr const char* kBatchSavepoint = "merxa_batch";

// The base table a batch writes to and its columns in the recordset.
struct Target {
  std::string table;
  std::vector<int> columns;  // result columns that come from the table
  std::vector<int> keys;     // those of them in its primary key
};

// The table of the first key column, or else of the first column with a base table: with a
// join, only that one table is written.
Target findTarget(const std::vector<ColumnInfo>& cols) {
  Target t;
  for (const ColumnInfo& c : cols)
    if (c.key && !c.baseTable.empty()) {
      t.table = c.baseTable;
      break;
    }
  if (t.table.empty())
    for (const ColumnInfo& c : cols)
      if (!c.baseTable.empty()) {
        t.table = c.baseTable;
        break;
      }
  if (t.table.empty()) raiseError(kProviderError, kSource, "Insufficient base table information for updating or refreshing.");
  for (size_t i = 0; i < cols.size(); ++i) {
    if (!equalsNoCase(cols[i].baseTable, t.table)) continue;
    t.columns.push_back(static_cast<int>(i));
    if (cols[i].key) t.keys.push_back(static_cast<int>(i));
  }
  return t;
}

struct RowStatement {
  std::string sql;
  std::vector<Variant> binds;
  std::vector<int> bindColumns;  // the result column each bind comes from
};

class StatementBuilder {
 public:
  StatementBuilder(ProviderConnection& provider, const std::vector<ColumnInfo>& cols, const Target& target)
      : provider_(provider), cols_(cols), t_(target), table_(quoteIdentifier(target.table)) {}

  RowStatement insert(const Row& r) const {
    RowStatement s;
    std::string names, marks;
    for (int c : t_.columns) {
      if (!r.changed[static_cast<size_t>(c)]) continue;  // the others keep the table's defaults
      names += (names.empty() ? "" : ", ") + column(c);
      marks += marks.empty() ? "?" : ", ?";
      s.binds.push_back(r.values[static_cast<size_t>(c)]);
      s.bindColumns.push_back(c);
    }
    s.sql = names.empty() ? "INSERT INTO " + table_ + " DEFAULT VALUES"
                          : "INSERT INTO " + table_ + " (" + names + ") VALUES (" + marks + ")";
    return s;
  }

  // Empty when none of the table's columns changed.
  RowStatement update(const Row& r) const {
    RowStatement s;
    std::string set;
    for (int c : t_.columns) {
      if (!r.changed[static_cast<size_t>(c)]) continue;
      set += (set.empty() ? "" : ", ") + column(c) + " = ?";
      s.binds.push_back(r.values[static_cast<size_t>(c)]);
      s.bindColumns.push_back(c);
    }
    if (set.empty()) return s;
    s.sql = "UPDATE " + table_ + " SET " + set;
    where(r, s);
    return s;
  }

  RowStatement remove(const Row& r) const {
    RowStatement s;
    s.sql = "DELETE FROM " + table_;
    where(r, s);
    return s;
  }

 private:
  std::string column(int c) const { return quoteIdentifier(cols_[static_cast<size_t>(c)].baseColumn); }

  // Key columns and changed columns at their original values. Without a key in the set,
  // every column of the table takes part, so the statement cannot hit a row it did not read.
  void where(const Row& r, RowStatement& s) const {
    std::vector<int> criteria = t_.keys.empty() ? t_.columns : t_.keys;
    if (!t_.keys.empty())
      for (int c : t_.columns)
        if (r.changed[static_cast<size_t>(c)] && !cols_[static_cast<size_t>(c)].key) criteria.push_back(c);
    const char* glue = " WHERE ";
    for (int c : criteria) {
      const Variant& original = r.originalAt(static_cast<size_t>(c));
      s.sql += glue;
      glue = " AND ";
      if (original.isNull()) {
        s.sql += column(c) + " IS NULL";
      } else {
        s.sql += provider_.originalValueCondition(cols_[static_cast<size_t>(c)], column(c));
        s.binds.push_back(original);
        s.bindColumns.push_back(c);
      }
    }
  }

  ProviderConnection& provider_;
  const std::vector<ColumnInfo>& cols_;
  const Target& t_;
  std::string table_;
};

// The batch's transaction: rolled back unless committed.
class BatchTransaction {
 public:
  explicit BatchTransaction(Connection& cn) : cn_(cn), nested_(cn.transactionLevel() > 0) {
    cn_.guard([&] {
      if (nested_) cn_.provider().savepoint(kBatchSavepoint);
      else cn_.provider().begin();
    });
  }

  void commit() {
    cn_.guard([&] {
      if (nested_) cn_.provider().releaseSavepoint(kBatchSavepoint);
      else cn_.provider().commit();
    });
    done_ = true;
  }

  ~BatchTransaction() {
    if (done_) return;
    try {
      if (nested_) cn_.provider().rollbackToSavepoint(kBatchSavepoint);
      else cn_.provider().rollback();
    } catch (...) {
      // The error that brought us here is the one to report.
    }
  }

  BatchTransaction(const BatchTransaction&) = delete;
  BatchTransaction& operator=(const BatchTransaction&) = delete;

 private:
  Connection& cn_;
  bool nested_;
  bool done_ = false;
};

// Runs the statement of the row at `position` (0-based) of the recordset; returns the rows it
// touched. Text no database could store alike is refused first, naming its column and row.
int64_t run(Connection& cn, const RowStatement& s, const std::vector<ColumnInfo>& cols, const Target& target,
            size_t position) {
  for (size_t i = 0; i < s.binds.size(); ++i) {
    if (!s.binds[i].isString()) continue;
    if (const char* reason = unstorableText(s.binds[i].rawString()))
      refuseText(cn,
                 "Column " + cols[static_cast<size_t>(s.bindColumns[i])].name + " of row " +
                     std::to_string(position + 1) + " of " + target.table,
                 reason);
  }
  auto stmt = cn.prepareStatement(s.sql);
  return cn.guard([&] {
    for (size_t i = 0; i < s.binds.size(); ++i) stmt->bind(static_cast<int>(i) + 1, s.binds[i]);
    stmt->step();
    return stmt->rowsAffected();
  });
}

void requireOneRow(Connection& cn, int64_t affected) {
  if (affected == 1) return;
  ProviderError e;
  e.source = cn.provider().name();
  if (affected == 0) {
    e.number = kRowNotLocated;
    e.description = "Row cannot be located for updating. Some values may have been changed since it was last read.";
    e.sqlState = "01001";
  } else {
    e.number = kProviderError;
    e.description = "Key column information is insufficient or incorrect. Too many rows were affected by update.";
    e.sqlState = "01001";
  }
  cn.fail(e);
}

struct GeneratedKey {
  size_t row;
  size_t column;
  Variant value;
};

// Takes back the marking of one written row when the transaction it was written in is rolled
// back: it is pending again against the database's original values, and keeps any change made
// since. A key the database had numbered goes back to what it was.
void restoreRow(Row& row, const Row& before) {
  if (row.status == adRecDeleted && !row.gone) {  // deleted again after the write
    if (before.status == adRecNew) row.gone = true;
    row.original = before.originals();
    return;
  }
  if (row.gone) {
    row.gone = false;
    row.status = adRecDeleted;
    row.original = before.originals();
    row.changed = before.changed;
    return;
  }
  for (size_t c = 0; c < row.values.size(); ++c) {
    if (!row.changed[c]) row.values[c] = before.values[c];
    row.changed[c] = row.changed[c] || before.changed[c];
  }
  row.original = before.originals();
  row.status = before.status;
}

}  // namespace

void writePendingRows(Connection& cn, const std::shared_ptr<RowStore>& shared, const std::vector<size_t>& rows) {
  RowStore& store = *shared;
  const Target target = findTarget(store.columns);
  const StatementBuilder build(cn.provider(), store.columns, target);
  // A single whole-number key left empty is numbered by the database; the row learns it.
  const bool autoKey = target.keys.size() == 1 && [&] {
    const int32_t type = store.columns[static_cast<size_t>(target.keys[0])].type;
    return type == adInteger || type == adBigInt || type == adSmallInt;
  }();
  std::vector<GeneratedKey> generated;
  {
    BatchTransaction tx(cn);
    for (size_t i : rows)
      if (store.row(i).status == adRecDeleted)
        requireOneRow(cn, run(cn, build.remove(store.row(i)), store.columns, target, i));
    for (size_t i : rows) {
      if (store.row(i).status != adRecModified) continue;
      const RowStatement s = build.update(store.row(i));
      if (!s.sql.empty()) requireOneRow(cn, run(cn, s, store.columns, target, i));
    }
    for (size_t i : rows) {
      const Row& r = store.row(i);
      if (r.status != adRecNew) continue;
      run(cn, build.insert(r), store.columns, target, i);
      const auto key = static_cast<size_t>(autoKey ? target.keys[0] : 0);
      if (autoKey && r.values[key].isNull()) {
        Variant id = cn.provider().lastInsertKey();
        if (!id.isNull()) generated.push_back({i, key, std::move(id)});
      }
    }
    tx.commit();
  }
  // All went through: the rows now match the database, for as long as the caller's
  // transaction (if any) lasts.
  std::vector<std::pair<size_t, Row>> before;
  if (cn.transactionLevel() > 0)
    for (size_t i : rows) before.emplace_back(i, store.row(i));
  for (GeneratedKey& g : generated) store.row(g.row).values[g.column] = std::move(g.value);
  for (size_t i : rows) {
    Row& r = store.row(i);
    if (r.status == adRecDeleted) {
      r.gone = true;
      continue;
    }
    r.original.clear();  // the database now holds the values
    r.changed.assign(r.changed.size(), false);
    r.status = adRecUnmodified;
  }
  if (!before.empty()) {
    cn.onRollback([weak = std::weak_ptr<RowStore>(shared), before = std::move(before)] {
      if (auto s = weak.lock())
        for (const auto& [i, row] : before) restoreRow(s->row(i), row);
    });
  }
}

}  // namespace platform::data
