// Recordset ("ADODB.Recordset") with a client-side cursor: all rows are held in memory.
//
// Invariants:
//  - Rows live once in a shared RowStore (values, original values, status); a Clone shares
//    the store and keeps its own position. A Field is a view of (recordset, column).
//  - Position is BOF, a row index, or EOF; rows marked deleted are skipped by navigation and
//    not counted by RecordCount.
//  - Batch-optimistic sets collect added, changed and deleted rows until UpdateBatch, which
//    writes exactly those rows to the base table inside the connection's transaction (or a
//    transaction of its own), locating changed and deleted rows by key plus the changed
//    columns' original values. A row that cannot be located raises kRowNotLocated; on any
//    failure the rows keep their pending changes, and rows written inside the caller's
//    transaction are pending again if that transaction is rolled back. Other lock types write
//    each Update and Delete at once while attached (detached, their rows wait like batch rows).
//  - A set may be detached (ActiveConnection = Nothing) and attached to another open
//    connection later.
// Navigation and errors follow the original platform: moves past the ends set BOF/EOF,
// moves from BOF/EOF the wrong way and any move on an empty set raise 3021, as does reading a
// field without a current row.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/provider.h"
#include "platform/data/types.h"
#include "platform/object.h"

namespace platform::data {

struct RowStore;  // recordset.cpp
class Recordset;

class Field : public Object {
 public:
  Field(std::shared_ptr<Recordset> owner, int column);
  const DispatchTable& dispatch() const override;

  std::string Name() const;
  int32_t Type() const;
  Variant Value() const;  // 3021 without a current row; kDeletedRow on a deleted row
  void SetValue(const Variant& v);
  Variant OriginalValue() const;
  Variant UnderlyingValue() const;
  int32_t DefinedSize() const;
  int32_t ActualSize() const;
  uint8_t Precision() const;
  uint8_t NumericScale() const;
  int32_t Attributes() const;

 private:
  std::shared_ptr<Recordset> owner_;
  int column_;
};

using FieldPtr = std::shared_ptr<Field>;

class Fields : public Object {
 public:
  explicit Fields(std::shared_ptr<Recordset> owner) : owner_(std::move(owner)) {}
  const DispatchTable& dispatch() const override;
  int32_t Count() const;
  FieldPtr Item(const Variant& nameOrIndex) const;  // 3265 when unknown
  // Defines a field of a recordset made in memory, before Open (3705 while open).
  void Append(const std::string& name, int32_t type, const Variant& definedSize, const Variant& attributes,
              const Variant& value);
  void Refresh() {}

 private:
  std::shared_ptr<Recordset> owner_;
};

using FieldsPtr = std::shared_ptr<Fields>;

class Recordset : public Object {
 public:
  Recordset();
  ~Recordset() override;
  const DispatchTable& dispatch() const override;

  // Properties.
  int32_t CursorLocation() const { return cursorLocation_; }
  void SetCursorLocation(int32_t v);
  int32_t CursorType() const;
  void SetCursorType(int32_t v);
  int32_t LockType() const;
  void SetLockType(int32_t v);
  int32_t MaxRecords() const { return maxRecords_; }
  void SetMaxRecords(int32_t v);
  Variant ActiveConnection() const;             // the Connection, or Nothing
  void SetActiveConnection(const Variant& v);   // Nothing, a Connection or a connection string
  std::string Sort() const { return sort_; }
  void SetSort(const std::string& v);
  Variant Filter() const;
  void SetFilter(const Variant& v);
  std::string Source() const { return source_; }
  void SetSource(const std::string& v);  // 3705 while open
  int32_t State() const;
  bool BOF() const;
  bool EOF_() const;
  int32_t RecordCount() const;
  int32_t AbsolutePosition() const;
  int32_t Status() const;
  int32_t EditMode() const;
  Variant Bookmark() const;
  void SetBookmark(const Variant& v);
  FieldsPtr GetFields();
  Variant Collect(const Variant& nameOrIndex);  // default member: rs("NAME") is the value
  void SetCollect(const Variant& nameOrIndex, const Variant& value);  // rs("NAME") = value

  // Methods.
  void Open(const Variant& source, const Variant& activeConnection, const Variant& cursorType,
            const Variant& lockType, const Variant& options);
  void Close();
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();
  void Move(int32_t n, const Variant& start);
  void AddNew(const Variant& fieldList, const Variant& values);
  void Update(const Variant& fieldList, const Variant& values);
  void CancelUpdate();
  void Delete(const Variant& affect);
  void UpdateBatch(const Variant& affect);
  void CancelBatch(const Variant& affect);
  std::shared_ptr<Recordset> Clone(const Variant& lockType);
  void Find(const std::string& criteria, int32_t skipRows, const Variant& searchDirection, const Variant& start);
  void Requery(const Variant& options);

  // C++ conveniences used by the business code.
  bool eof() const { return EOF_(); }
  bool bof() const { return BOF(); }
  bool empty() const { return BOF() && EOF_(); }
  int columnCount() const;
  const ColumnInfo& columnInfo(int i) const;
  int columnIndex(std::string_view name) const;  // -1 when unknown
  FieldPtr field(std::string_view name);           // 3265 when unknown
  FieldPtr field(int index);
  Variant value(std::string_view name) const;      // the current row's value
  // The current row's value of column `index`, read in place: valid until the row or the
  // position changes. For code that walks every cell of many rows.
  const Variant& valueAt(int index) const;
  void setValue(std::string_view name, const Variant& v);
  void addNew() { AddNew(Variant::missing(), Variant::missing()); }
  void update() { Update(Variant::missing(), Variant::missing()); }
  void updateBatch() { UpdateBatch(Variant(static_cast<int>(adAffectAll))); }
  void detach() { SetActiveConnection(Variant::nothing()); }
  void attach(const ConnectionPtr& cn) { SetActiveConnection(Variant(cn)); }
  // Opens `sql` on `cn` with a client cursor.
  void open(const std::string& sql, const ConnectionPtr& cn, int32_t cursorType, int32_t lockType,
            int32_t options = -1);

  // Used by Connection::Execute and OpenSchema to build sets from a statement or from rows.
  void loadFrom(ProviderStatement& stmt, int32_t maxRecords);
  void loadRows(std::vector<ColumnInfo> columns, std::vector<std::vector<Variant>> rows);

 private:
  friend class Field;
  friend class Fields;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int32_t cursorLocation_ = adUseServer;
  int32_t cursorType_ = adOpenForwardOnly;
  int32_t lockType_ = adLockReadOnly;
  int32_t maxRecords_ = 0;
  std::string sort_;
  std::string source_;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

}  // namespace platform::data
