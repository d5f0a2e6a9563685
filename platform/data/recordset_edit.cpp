// Recordset: changing rows (AddNew, Update, Delete, UpdateBatch and their cancels).
//
// An edit goes into the recordset's own buffer first; Update copies it into the shared row.
// In batch mode (adLockBatchOptimistic) rows then wait, marked, until UpdateBatch writes them;
// in immediate mode Update and Delete write at once while the set is attached to an open
// connection, and wait like batch rows while it is detached.
#include <algorithm>

#include "platform/data/convert.h"
#include "platform/data/recordset_impl.h"

namespace platform::data {

namespace {

constexpr const char* kSource = "ADODB.Recordset";

[[noreturn]] void multipleStep() {
  raiseError(kMultipleStep, kSource, "Multiple-step operation generated errors. Check each status value.");
}

// Undoes a row's pending change: an added row goes, a changed or deleted one gets its original
// values back.
void revertRow(Row& r) {
  if (r.gone) return;
  if (r.status == adRecNew) {
    r.gone = true;
    r.status = adRecDeleted;
    return;
  }
  if (!r.original.empty()) r.values = std::move(r.original);
  r.original.clear();
  r.changed.assign(r.changed.size(), false);
  r.status = adRecUnmodified;
}

}  // namespace

// ---- the edit buffer ---------------------------------------------------------------------

void Recordset::Impl::assign(int column, const Variant& v) {
  requireUpdatable();
  const Row& row = rowForRead();
  const ColumnInfo& info = store->columns[static_cast<size_t>(column)];
  Variant typed;
  try {
    typed = toTypedValue(v, info.type);
  } catch (const ComError&) {
    multipleStep();
  }
  // Text longer than the column holds would be cut or refused by the database; refuse it here,
  // where the caller can still see which field it was.
  if (typed.isString() && isTextType(info.type) && info.type != adGUID && info.definedSize > 0 &&
      characterCount(typed.rawString()) > info.definedSize)
    multipleStep();
  if (edit == adEditNone) {
    buffer = row.values;
    touched.assign(buffer.size(), false);
    edit = adEditInProgress;
  }
  buffer[static_cast<size_t>(column)] = std::move(typed);
  touched[static_cast<size_t>(column)] = true;
}

void Recordset::Impl::commitEdit() {
  if (edit == adEditNone) return;
  const size_t index = currentIndex();
  Row& row = store->row(index);
  const Row before = row;
  row.keepOriginal();
  for (size_t c = 0; c < touched.size(); ++c) {
    if (!touched[c]) continue;
    row.values[c] = buffer[c];
    row.changed[c] = true;
  }
  if (row.status == adRecUnmodified) row.status = adRecModified;
  if (!batch() && connected()) {
    try {
      writeThrough({index});
    } catch (...) {
      row = before;  // the edit stays pending in the buffer
      throw;
    }
  }
  edit = adEditNone;
  buffer.clear();
  touched.clear();
}

void Recordset::Impl::cancelEdit() {
  if (edit == adEditAdd) {
    Row& r = store->row(currentIndex());
    r.gone = true;
    r.status = adRecDeleted;
    bof = beforeAdd.bof;
    eof = beforeAdd.eof;
    at = beforeAdd.at;
  }
  edit = adEditNone;
  buffer.clear();
  touched.clear();
}

void Recordset::Impl::implicitUpdate() {
  if (edit != adEditNone) commitEdit();
}

void Recordset::Impl::deleteRow(size_t storeIndex) {
  Row& r = store->row(storeIndex);
  if (r.gone || r.status == adRecDeleted) return;
  if (r.status == adRecNew) {  // never written: nothing to delete in the database
    r.gone = true;
    r.status = adRecDeleted;
    return;
  }
  const int32_t before = r.status;
  r.status = adRecDeleted;
  if (!batch() && connected()) {
    try {
      writeThrough({storeIndex});
    } catch (...) {
      r.status = before;
      throw;
    }
  }
}

void Recordset::Impl::writeThrough(const std::vector<size_t>& rows) { writePendingRows(*connection, store, rows); }

// ---- methods -----------------------------------------------------------------------------

void Recordset::AddNew(const Variant& fieldList, const Variant& values) {
  Impl& m = *impl_;
  m.requireUpdatable();
  m.implicitUpdate();
  m.sync();
  const size_t n = m.store->columns.size();
  Row r;
  r.values.assign(n, Variant::null());
  r.changed.assign(n, false);
  r.status = adRecNew;
  const Row& added = m.store->append(std::move(r));
  m.sync();
  m.beforeAdd = {m.bof, m.eof, m.at};
  m.at = m.order.size() - 1;
  m.bof = m.eof = false;
  m.edit = adEditAdd;
  m.buffer = added.values;
  m.touched.assign(n, false);
  if (!isOmitted(fieldList)) Update(fieldList, values);
}

void Recordset::Update(const Variant& fieldList, const Variant& values) {
  Impl& m = *impl_;
  m.requireUpdatable();
  if (!isOmitted(fieldList)) {
    if (fieldList.isArray() != values.isArray()) raiseVb(vb::InvalidArgument, kSource);
    if (fieldList.isArray()) {
      const auto& names = fieldList.array().items;
      const auto& vals = values.array().items;
      if (names.size() != vals.size()) raiseVb(vb::InvalidArgument, kSource);
      for (size_t i = 0; i < names.size(); ++i) m.assign(m.column(names[i]), vals[i]);
    } else {
      m.assign(m.column(fieldList), values);
    }
  }
  m.commitEdit();
}

void Recordset::CancelUpdate() {
  Impl& m = *impl_;
  m.requireOpen();
  if (m.edit != adEditNone) {
    m.cancelEdit();
    return;
  }
  // In batch mode an Update already made can still be taken back.
  if (Row* r = m.currentRow(); r && m.batch()) revertRow(*r);
}

void Recordset::Delete(const Variant& affect) {
  Impl& m = *impl_;
  m.requireUpdatable();
  const int32_t a = optionalLong(affect, adAffectCurrent);
  if (a == adAffectGroup) {
    m.cancelEdit();
    for (size_t p = 0; p < m.order.size(); ++p)
      if (m.visible(p)) m.deleteRow(m.order[p]);
    return;
  }
  if (a != adAffectCurrent) raiseVb(vb::InvalidArgument, kSource);
  if (m.edit == adEditAdd) {
    // The row being added was never written; it simply goes, and stays current as deleted.
    Row& r = m.store->row(m.currentIndex());
    r.gone = true;
    r.status = adRecDeleted;
    m.edit = adEditNone;
    m.buffer.clear();
    m.touched.clear();
    return;
  }
  m.cancelEdit();
  m.rowForRead();  // 3021 without a current row, kDeletedRow when it is deleted already
  m.deleteRow(m.currentIndex());
}

std::vector<size_t> Recordset::Impl::pendingRows(const Variant& affect) {
  const int32_t a = optionalLong(affect, adAffectAll);
  std::vector<size_t> rows;
  switch (a) {
    case adAffectCurrent:
      if (currentState() && store->pending(currentIndex())) rows.push_back(currentIndex());
      break;
    case adAffectGroup:
      sync();
      for (size_t i : order)
        if (store->pending(i)) rows.push_back(i);
      std::sort(rows.begin(), rows.end());
      break;
    case adAffectAll:
    case adAffectAllChapters:
      for (size_t i = 0; i < store->size(); ++i)
        if (store->pending(i)) rows.push_back(i);
      break;
    default: raiseVb(vb::InvalidArgument, kSource);
  }
  return rows;
}

void Recordset::UpdateBatch(const Variant& affect) {
  Impl& m = *impl_;
  m.requireUpdatable();
  m.implicitUpdate();
  const std::vector<size_t> rows = m.pendingRows(affect);
  if (rows.empty()) return;
  if (!m.connected()) raiseVb(vb::InvalidConnection, kSource);
  writePendingRows(*m.connection, m.store, rows);
}

void Recordset::CancelBatch(const Variant& affect) {
  Impl& m = *impl_;
  m.requireOpen();
  m.cancelEdit();
  for (size_t i : m.pendingRows(affect)) revertRow(m.store->row(i));
  if (!m.bof && !m.eof && !m.visible(m.at)) m.moveToFirst();
}

}  // namespace platform::data
