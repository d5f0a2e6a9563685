// Inside the Recordset: the row store that clones share, and the state of one recordset over
// it (its order, position, filter and edit buffer). Private to the data layer.
//
// The store only ever grows. A row keeps its index for the store's lifetime, which is what a
// bookmark names and what keeps clones with different positions consistent: a row deleted
// through one clone is marked (status adRecDeleted), and after UpdateBatch it is marked gone;
// every recordset skips such rows when it moves.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <memory>
#include <optional>
#include <vector>

#include "platform/data/criteria.h"
#include "platform/data/recordset.h"

namespace platform::data {

class Command;

// Which columns of a row were assigned since it was last written: nothing is stored until
// the first assignment, since most rows are only read.
class ColumnFlags {
 public:
  void assign(size_t n, bool value) {
    size_ = n;
    if (value) flags_.assign(n, true);
    else flags_.clear();
  }
  size_t size() const { return size_; }
  bool operator[](size_t i) const { return !flags_.empty() && flags_[i]; }
  std::vector<bool>::reference operator[](size_t i) {
    if (flags_.empty()) flags_.assign(size_, false);
    return flags_[i];
  }

 private:
  size_t size_ = 0;
  std::vector<bool> flags_;  // empty while no column is marked
};

struct Row {
  std::vector<Variant> values;    // current values, as the caller sees them
  // As last read from or written to the database; empty while that is `values` itself, so
  // that rows read and never changed (most of them) hold each value once.
  std::vector<Variant> original;
  ColumnFlags changed;            // columns assigned since the row was last written
  int32_t status = adRecUnmodified;
  bool gone = false;              // deleted in the database, or an AddNew that was cancelled
  bool held = false;              // its values still with the provider (see RowStore::row)

  const Variant& originalAt(size_t column) const { return original.empty() ? values[column] : original[column]; }
  std::vector<Variant> originals() const { return original.empty() ? values : original; }
  // Keeps the original values apart before `values` changes.
  void keepOriginal() {
    if (original.empty()) original = values;
  }
};

struct RowStore {
  RowStore() = default;
  RowStore(const RowStore&) = delete;  // shared by the recordsets that view it, never copied
  RowStore& operator=(const RowStore&) = delete;

  std::vector<ColumnInfo> columns;

  size_t size() const { return rows_.size(); }
  // Row `i` with its values; a row the provider still holds is decoded here, once. Should
  // that fail, the row stays held and the error is raised to the reader.
  Row& row(size_t i) {
    Row& r = rows_[i];
    if (r.held) decode(i);
    return r;
  }
  // Row `i` for its status and flags alone: its values may not be decoded yet.
  const Row& peek(size_t i) const { return rows_[i]; }
  Row& append(Row r) { return rows_.emplace_back(std::move(r)); }
  // Takes the rows a provider holds as the store's next rows, to be decoded as they are read.
  void hold(std::shared_ptr<const HeldRows> rows);

  int columnIndex(std::string_view name) const;  // letter case ignored; -1 when unknown
  bool pending(size_t row) const;                // added, changed or deleted, and not yet written
  // Indexes the column names for columnIndex; to be called whenever `columns` is set. Until
  // then (or should the columns change size) names are looked up one by one.
  void indexColumns();

 private:
  void decode(size_t i);

  std::deque<Row> rows_;
  // The provider's rows behind held store rows [heldFrom_, heldFrom_ + held_->size()); let go
  // of once the last of them is decoded.
  std::shared_ptr<const HeldRows> held_;
  size_t heldFrom_ = 0;
  size_t stillHeld_ = 0;
  // Open addressing over the column positions: a slot holds a position + 1, or 0 when free. Its
  // size is a power of two, at least twice the number of columns; the first column of each
  // name is the one found.
  std::vector<int32_t> slots_;
  size_t indexed_ = 0;  // columns.size() when indexed
};

struct Recordset::Impl {
  explicit Impl(Recordset& owner) : rs(owner) {}

  Recordset& rs;
  bool open = false;
  std::shared_ptr<RowStore> store;
  ConnectionPtr connection;          // null while detached
  std::shared_ptr<Command> command;  // the source, when opened from a Command
  int32_t cursorType = adOpenForwardOnly;  // in effect while open
  int32_t lockType = adLockReadOnly;
  std::vector<ColumnInfo> appended;  // Fields.Append before Open

  // This recordset's view of the store: store indices in the order it shows them (sorted,
  // filtered), and its position. Rows other recordsets append join at the end.
  std::vector<size_t> order;
  size_t synced = 0;                 // store rows already taken into `order`
  bool bof = true;
  bool eof = true;
  size_t at = 0;                     // index into `order` while neither BOF nor EOF
  Variant filter = Variant(static_cast<int>(adFilterNone));
  std::optional<Criteria> filterCriteria;  // a criteria filter
  bool pendingFilter = false;              // adFilterPendingRecords: the rows not yet written
  std::vector<SortKey> sortKeys;
  int32_t openOptions = -1;                // Open's options, for Requery

  // The edit buffer: a copy of the current row while it is edited or added.
  int32_t edit = adEditNone;
  std::vector<Variant> buffer;
  std::vector<bool> touched;
  struct Position {
    bool bof, eof;
    size_t at;
  } beforeAdd{true, true, 0};

  // ---- state checks (recordset.cpp) ----
  void requireOpen() const;                 // 3704
  void requireUpdatable() const;            // 3704, 3251 on a read-only set
  bool forwardOnly() const { return cursorType == adOpenForwardOnly; }
  bool batch() const { return lockType == adLockBatchOptimistic; }
  bool connected() const;                   // attached to an open connection
  int column(const Variant& nameOrIndex) const;  // 3265 when unknown

  // ---- view and navigation (recordset.cpp) ----
  void sync();
  bool visible(size_t pos) const;
  bool anyVisible();
  ptrdiff_t step(ptrdiff_t from, int direction);  // next visible position, -1 when none
  void moveToFirst();                             // first visible row, or BOF and EOF
  void rebuildOrder();                            // after Sort or Filter changed
  Row* currentRow();                              // null at BOF/EOF
  const Row* currentState() const;                // the same, its values perhaps not decoded
  Row& rowForRead();                              // 3021 without one, kDeletedRow when deleted
  size_t currentIndex() const { return order[at]; }
  ptrdiff_t positionOf(size_t storeIndex);        // -1 when not in this view
  ptrdiff_t positionOfBookmark(const Variant& bookmark);  // 3001 when it names no row here
  void openWith(std::shared_ptr<RowStore> s);

  // ---- editing (recordset_edit.cpp) ----
  void assign(int column, const Variant& v);
  void commitEdit();
  void cancelEdit();
  void implicitUpdate();
  void deleteRow(size_t storeIndex);
  void writeThrough(const std::vector<size_t>& rows);  // immediate mode, when connected
  std::vector<size_t> pendingRows(const Variant& affect);  // rows an Affect argument names, with changes
};

// Reads the rows of a statement into a store (at most maxRecords, 0 for all).
void readRows(ProviderStatement& stmt, RowStore& store, int32_t maxRecords);

// UpdateBatch's writer (update_batch.cpp): writes the pending rows of a store to its base
// table in one transaction (a savepoint when the connection has one open) and, only when all
// of them went through, marks them written. On any failure the database and the rows are as
// before, and the error is raised. Rows written inside the caller's transaction become
// pending again if that transaction is rolled back.
void writePendingRows(Connection& cn, const std::shared_ptr<RowStore>& store, const std::vector<size_t>& rows);

}  // namespace platform::data
