// Recordset: opening, properties, position and navigation.
#include "platform/data/recordset.h"

#include <algorithm>
#include <bit>
#include <numeric>

#include "platform/data/command.h"
#include "platform/data/convert.h"
#include "platform/data/dialect.h"
#include "platform/data/recordset_impl.h"

namespace platform::data {

namespace {

constexpr const char* kSource = "ADODB.Recordset";

[[noreturn]] void noCurrentRecord() { raiseVb(vb::NoCurrentRecord, kSource); }

[[noreturn]] void cannotScrollBack() {
  raiseError(kCannotScrollBack, kSource, "Rowset does not support fetching backward.");
}

}  // namespace

// ---- the row store -----------------------------------------------------------------------

void RowStore::indexColumns() {
  slots_.assign(std::bit_ceil(std::max<size_t>(8, 2 * columns.size())), 0);
  const size_t mask = slots_.size() - 1;
  for (size_t i = 0; i < columns.size(); ++i) {
    size_t at = hashNoCase(columns[i].name) & mask;
    bool known = false;
    for (; slots_[at] != 0 && !known; at = (at + 1) & mask)
      known = equalsNoCase(columns[static_cast<size_t>(slots_[at] - 1)].name, columns[i].name);
    if (!known) slots_[at] = static_cast<int32_t>(i + 1);
  }
  indexed_ = columns.size();
}

int RowStore::columnIndex(std::string_view name) const {
  if (indexed_ == columns.size() && indexed_ > 0) {
    const size_t mask = slots_.size() - 1;
    for (size_t at = hashNoCase(name) & mask; slots_[at] != 0; at = (at + 1) & mask) {
      const int i = slots_[at] - 1;
      if (equalsNoCase(columns[static_cast<size_t>(i)].name, name)) return i;
    }
    return -1;
  }
  for (size_t i = 0; i < columns.size(); ++i)
    if (equalsNoCase(columns[i].name, name)) return static_cast<int>(i);
  return -1;
}

bool RowStore::pending(size_t row) const {
  const Row& r = rows_[row];
  return !r.gone && r.status != adRecUnmodified;
}

void RowStore::hold(std::shared_ptr<const HeldRows> rows) {
  if (held_) throw std::logic_error("a row store holds the rows of one statement at most");
  heldFrom_ = rows_.size();
  stillHeld_ = rows->size();
  rows_.resize(heldFrom_ + stillHeld_);
  for (size_t i = heldFrom_; i < rows_.size(); ++i) rows_[i].held = true;
  if (stillHeld_ > 0) held_ = std::move(rows);
}

void RowStore::decode(size_t i) {
  Row& r = rows_[i];
  r.values.reserve(columns.size());
  try {
    held_->appendRow(i - heldFrom_, r.values);
  } catch (...) {
    r.values.clear();
    throw;
  }
  r.changed.assign(columns.size(), false);
  r.held = false;
  if (--stillHeld_ == 0) held_.reset();
}

void readRows(ProviderStatement& stmt, RowStore& store, int32_t maxRecords) {
  const auto wanted = [&] { return maxRecords <= 0 || store.size() < static_cast<size_t>(maxRecords); };
  bool row = wanted() && stmt.step();
  // Counted after the first step, which may have described the columns anew.
  const int n = stmt.columnCount();
  if (row) {
    if (auto held = stmt.holdRows(maxRecords <= 0 ? 0 : static_cast<size_t>(maxRecords))) {
      store.hold(std::move(held));
      row = false;
    }
  }
  for (; row; row = wanted() && stmt.step()) {
    Row r;
    r.values.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) r.values.push_back(stmt.value(i));
    r.changed.assign(static_cast<size_t>(n), false);
    store.append(std::move(r));
  }
  store.columns.clear();
  store.columns.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    ColumnInfo& c = store.columns.emplace_back(stmt.column(i));
    if (c.type == 0) {  // a computed column that never held a value
      c.type = adVarWChar;
      c.definedSize = -1;
    }
  }
  store.indexColumns();
}

// ---- state checks ------------------------------------------------------------------------

void Recordset::Impl::requireOpen() const {
  if (!open) raiseVb(vb::ObjectClosed, kSource);
}

void Recordset::Impl::requireUpdatable() const {
  requireOpen();
  if (lockType == adLockReadOnly)
    raiseVb(vb::FeatureNotAvailable, kSource,
            "Current Recordset does not support updating. This may be a limitation of the provider, or of the "
            "selected locktype.");
}

bool Recordset::Impl::connected() const { return connection && connection->State() == adStateOpen; }

int Recordset::Impl::column(const Variant& nameOrIndex) const {
  const int count = rs.columnCount();
  int i = -1;
  if (nameOrIndex.isString()) {
    i = rs.columnIndex(nameOrIndex.rawString());
  } else if (nameOrIndex.isNumber()) {
    const double d = nameOrIndex.toDouble();
    if (d >= 0 && d < count) i = static_cast<int>(d);
  }
  if (i < 0 || i >= count) raiseVb(vb::ItemNotFound, kSource);
  return i;
}

// ---- the view ----------------------------------------------------------------------------

void Recordset::Impl::sync() {
  if (!store) return;
  while (synced < store->size()) order.push_back(synced++);
}

bool Recordset::Impl::visible(size_t pos) const {
  const Row& r = store->peek(order[pos]);
  if (r.gone) return false;
  return r.status != adRecDeleted || pendingFilter;
}

bool Recordset::Impl::anyVisible() {
  sync();
  for (size_t p = 0; p < order.size(); ++p)
    if (visible(p)) return true;
  return false;
}

ptrdiff_t Recordset::Impl::step(ptrdiff_t from, int direction) {
  sync();
  const auto size = static_cast<ptrdiff_t>(order.size());
  for (ptrdiff_t p = from + direction; p >= 0 && p < size; p += direction)
    if (visible(static_cast<size_t>(p))) return p;
  return -1;
}

void Recordset::Impl::moveToFirst() {
  const ptrdiff_t p = step(-1, 1);
  bof = eof = p < 0;
  if (p >= 0) at = static_cast<size_t>(p);
}

void Recordset::Impl::rebuildOrder() {
  std::vector<size_t> base(store->size());
  std::iota(base.begin(), base.end(), size_t{0});
  if (!sortKeys.empty()) {
    std::stable_sort(base.begin(), base.end(), [&](size_t a, size_t b) {
      for (const SortKey& k : sortKeys) {
        const auto col = static_cast<size_t>(k.column);
        const int c = compareForSort(store->row(a).values[col], store->row(b).values[col]);
        if (c != 0) return k.descending ? c > 0 : c < 0;
      }
      return false;
    });
  }
  order.clear();
  for (size_t i : base) {
    const Row& r = store->peek(i);
    if (r.gone) continue;
    if (pendingFilter && r.status == adRecUnmodified) continue;
    if (filterCriteria && !filterCriteria->matches(store->row(i).values)) continue;
    order.push_back(i);
  }
  synced = store->size();
}

const Row* Recordset::Impl::currentState() const {
  if (!open || bof || eof) return nullptr;
  return &store->peek(order[at]);
}

Row* Recordset::Impl::currentRow() { return currentState() ? &store->row(order[at]) : nullptr; }

Row& Recordset::Impl::rowForRead() {
  requireOpen();
  Row* r = currentRow();
  if (!r) noCurrentRecord();
  if (r->gone || r->status == adRecDeleted)
    raiseError(kDeletedRow, kSource, "A given HROW referred to a hard- or soft-deleted row.");
  return *r;
}

ptrdiff_t Recordset::Impl::positionOf(size_t storeIndex) {
  sync();
  auto it = std::find(order.begin(), order.end(), storeIndex);
  return it == order.end() ? -1 : it - order.begin();
}

ptrdiff_t Recordset::Impl::positionOfBookmark(const Variant& bookmark) {
  const double d = bookmark.toDouble();
  const ptrdiff_t p = d >= 1 && d <= static_cast<double>(store->size()) ? positionOf(static_cast<size_t>(d) - 1) : -1;
  if (p < 0) raiseVb(vb::InvalidArgument, kSource);
  return p;
}

void Recordset::Impl::openWith(std::shared_ptr<RowStore> s) {
  store = std::move(s);
  open = true;
  // A client cursor is always static; pessimistic locking needs a server cursor.
  if (rs.cursorLocation_ == adUseClient) cursorType = adOpenStatic;
  else cursorType = rs.cursorType_ == adOpenUnspecified ? adOpenForwardOnly : rs.cursorType_;
  lockType = rs.lockType_ == adLockUnspecified ? adLockReadOnly : rs.lockType_;
  if (rs.cursorLocation_ == adUseClient && lockType == adLockPessimistic) lockType = adLockOptimistic;
  edit = adEditNone;
  buffer.clear();
  touched.clear();
  const Variant preset = filter;  // a Filter set before Open applies now
  filter = Variant(static_cast<int>(adFilterNone));
  filterCriteria.reset();
  pendingFilter = false;
  sortKeys = parseSort(rs.sort_, [&](std::string_view n) { return store->columnIndex(n); });
  rebuildOrder();
  moveToFirst();
  if (!(preset.isNumber() && preset.toLong() == adFilterNone)) rs.SetFilter(preset);
}

// ---- Recordset ---------------------------------------------------------------------------

Recordset::Recordset() : impl_(std::make_unique<Impl>(*this)) {}

Recordset::~Recordset() = default;

const DispatchTable& Recordset::dispatch() const {
  static const DispatchTable table =
      Members<Recordset>("ADODB.Recordset")
          .property("CursorLocation", &Recordset::CursorLocation, &Recordset::SetCursorLocation)
          .property("CursorType", &Recordset::CursorType, &Recordset::SetCursorType)
          .property("LockType", &Recordset::LockType, &Recordset::SetLockType)
          .property("MaxRecords", &Recordset::MaxRecords, &Recordset::SetMaxRecords)
          .property("ActiveConnection", &Recordset::ActiveConnection, &Recordset::SetActiveConnection)
          .property("Sort", &Recordset::Sort, &Recordset::SetSort)
          .property("Filter", &Recordset::Filter, &Recordset::SetFilter)
          .property("Source", &Recordset::Source, &Recordset::SetSource)
          .property("State", &Recordset::State)
          .property("BOF", &Recordset::BOF)
          .property("EOF", &Recordset::EOF_)
          .property("RecordCount", &Recordset::RecordCount)
          .property("AbsolutePosition", &Recordset::AbsolutePosition)
          .property("Status", &Recordset::Status)
          .property("EditMode", &Recordset::EditMode)
          .property("Bookmark", &Recordset::Bookmark, &Recordset::SetBookmark)
          .property("Fields", &Recordset::GetFields)
          .property("Collect", &Recordset::Collect, &Recordset::SetCollect)
          .method("Open", &Recordset::Open, 5)
          .method("Close", &Recordset::Close)
          .method("MoveFirst", &Recordset::MoveFirst)
          .method("MoveLast", &Recordset::MoveLast)
          .method("MoveNext", &Recordset::MoveNext)
          .method("MovePrevious", &Recordset::MovePrevious)
          .method("Move", &Recordset::Move, 1)
          .method("AddNew", &Recordset::AddNew, 2)
          .method("Update", &Recordset::Update, 2)
          .method("CancelUpdate", &Recordset::CancelUpdate)
          .method("Delete", &Recordset::Delete, 1)
          .method("UpdateBatch", &Recordset::UpdateBatch, 1)
          .method("CancelBatch", &Recordset::CancelBatch, 1)
          .method("Clone", &Recordset::Clone, 1)
          .method("Find", &Recordset::Find, 3)
          .method("Requery", &Recordset::Requery, 1)
          .defaultMember("Collect");
  return table;
}

// ---- properties --------------------------------------------------------------------------

void Recordset::SetCursorLocation(int32_t v) {
  if (impl_->open) raiseVb(vb::ObjectOpen, kSource);
  if (v != adUseServer && v != adUseClient) raiseVb(vb::InvalidArgument, kSource);
  cursorLocation_ = v;
}

int32_t Recordset::CursorType() const { return impl_->open ? impl_->cursorType : cursorType_; }

void Recordset::SetCursorType(int32_t v) {
  if (impl_->open) raiseVb(vb::ObjectOpen, kSource);
  if (v < adOpenUnspecified || v > adOpenStatic) raiseVb(vb::InvalidArgument, kSource);
  cursorType_ = v;
}

int32_t Recordset::LockType() const { return impl_->open ? impl_->lockType : lockType_; }

void Recordset::SetLockType(int32_t v) {
  if (impl_->open) raiseVb(vb::ObjectOpen, kSource);
  if (v < adLockUnspecified || v == 0 || v > adLockBatchOptimistic) raiseVb(vb::InvalidArgument, kSource);
  lockType_ = v;
}

void Recordset::SetMaxRecords(int32_t v) {
  if (impl_->open) raiseVb(vb::ObjectOpen, kSource);
  if (v < 0) raiseVb(vb::InvalidArgument, kSource);
  maxRecords_ = v;
}

void Recordset::SetSource(const std::string& v) {
  if (impl_->open) raiseVb(vb::ObjectOpen, kSource);
  source_ = v;
}

Variant Recordset::ActiveConnection() const {
  return impl_->connection ? Variant(impl_->connection) : Variant::nothing();
}

void Recordset::SetActiveConnection(const Variant& v) {
  if (impl_->open && impl_->command) raiseVb(vb::BoundToCommand, kSource);
  if (isOmitted(v) || v.isNull() || v.isNothing()) {
    // Only a client cursor holds its rows itself and can live without the connection.
    if (impl_->open && cursorLocation_ != adUseClient) raiseVb(vb::IllegalOperation, kSource);
    impl_->connection.reset();
    return;
  }
  if (v.isObject()) {
    ConnectionPtr cn = v.as<Connection>();
    if (impl_->open && cn->State() != adStateOpen) raiseVb(vb::InvalidConnection, kSource);
    impl_->connection = std::move(cn);
    return;
  }
  auto cn = makeObject<Connection>();
  cn->open(v.toString());
  impl_->connection = std::move(cn);
}

void Recordset::SetSort(const std::string& v) {
  if (cursorLocation_ != adUseClient) raiseVb(vb::FeatureNotAvailable, kSource);
  if (impl_->open) {
    Impl& m = *impl_;
    m.implicitUpdate();
    m.sortKeys = parseSort(v, [&](std::string_view n) { return m.store->columnIndex(n); });
    const Row* current = m.currentState();
    const size_t keep = current ? m.currentIndex() : 0;
    m.rebuildOrder();
    const ptrdiff_t p = current ? m.positionOf(keep) : -1;
    if (p >= 0 && m.visible(static_cast<size_t>(p))) {
      m.at = static_cast<size_t>(p);
      m.bof = m.eof = false;
    } else {
      m.moveToFirst();
    }
  }
  sort_ = v;
}

Variant Recordset::Filter() const { return impl_->filter; }

void Recordset::SetFilter(const Variant& v) {
  Impl& m = *impl_;
  if (!m.open) {
    m.filter = v;
    return;
  }
  m.implicitUpdate();
  std::optional<Criteria> criteria;
  bool pending = false;
  if (v.isString() && !trimBlanks(v.rawString()).empty()) {
    criteria = parseCriteria(v.rawString(), [&](std::string_view n) { return m.store->columnIndex(n); });
  } else if (!v.isString() && !isOmitted(v)) {
    const int32_t group = v.toLong();
    if (group == adFilterPendingRecords) pending = true;
    else if (group != adFilterNone) raiseVb(vb::FeatureNotAvailable, kSource);
  }
  m.filterCriteria = std::move(criteria);
  m.pendingFilter = pending;
  m.filter = v;
  m.rebuildOrder();
  m.moveToFirst();
}

int32_t Recordset::State() const { return impl_->open ? adStateOpen : adStateClosed; }

bool Recordset::BOF() const {
  impl_->requireOpen();
  return impl_->bof;
}

bool Recordset::EOF_() const {
  impl_->requireOpen();
  return impl_->eof;
}

int32_t Recordset::RecordCount() const {
  Impl& m = *impl_;
  m.requireOpen();
  if (m.forwardOnly()) return -1;  // not known without reading to the end
  m.sync();
  int32_t n = 0;
  for (size_t p = 0; p < m.order.size(); ++p)
    if (m.visible(p)) ++n;
  return n;
}

int32_t Recordset::AbsolutePosition() const {
  Impl& m = *impl_;
  m.requireOpen();
  if (m.bof) return adPosBOF;
  if (m.eof) return adPosEOF;
  int32_t n = 0;
  for (size_t p = 0; p <= m.at; ++p)
    if (m.visible(p)) ++n;
  return n == 0 ? adPosUnknown : n;
}

int32_t Recordset::Status() const {
  impl_->requireOpen();
  const Row* r = impl_->currentState();
  if (!r) noCurrentRecord();
  return r->gone ? adRecDeleted : r->status;
}

int32_t Recordset::EditMode() const {
  impl_->requireOpen();
  if (impl_->edit != adEditNone) return impl_->edit;
  const Row* r = impl_->currentState();
  if (!r) return adEditNone;
  if (r->gone || r->status == adRecDeleted) return adEditDelete;
  // A row added in batch mode is not in the database until UpdateBatch.
  return r->status == adRecNew ? adEditAdd : adEditNone;
}

Variant Recordset::Bookmark() const {
  impl_->requireOpen();
  if (impl_->forwardOnly()) raiseVb(vb::FeatureNotAvailable, kSource);
  if (!impl_->currentState()) noCurrentRecord();
  return Variant(static_cast<double>(impl_->currentIndex() + 1));
}

void Recordset::SetBookmark(const Variant& v) {
  Impl& m = *impl_;
  m.requireOpen();
  if (m.forwardOnly()) raiseVb(vb::FeatureNotAvailable, kSource);
  m.implicitUpdate();
  const ptrdiff_t p = m.positionOfBookmark(v);
  if (m.store->peek(m.order[static_cast<size_t>(p)]).gone) raiseVb(vb::InvalidArgument, kSource);
  m.at = static_cast<size_t>(p);
  m.bof = m.eof = false;
}

FieldsPtr Recordset::GetFields() {
  return makeObject<Fields>(std::static_pointer_cast<Recordset>(shared_from_this()));
}

Variant Recordset::Collect(const Variant& nameOrIndex) {
  const int col = impl_->column(nameOrIndex);
  const Row& r = impl_->rowForRead();
  return impl_->edit != adEditNone ? impl_->buffer[static_cast<size_t>(col)] : r.values[static_cast<size_t>(col)];
}

void Recordset::SetCollect(const Variant& nameOrIndex, const Variant& value) {
  impl_->assign(impl_->column(nameOrIndex), value);
}

// ---- opening and closing -----------------------------------------------------------------

void Recordset::Open(const Variant& source, const Variant& activeConnection, const Variant& cursorType,
                     const Variant& lockType, const Variant& options) {
  Impl& m = *impl_;
  if (m.open) raiseVb(vb::ObjectOpen, kSource);
  if (!isOmitted(cursorType)) SetCursorType(cursorType.toLong());
  if (!isOmitted(lockType)) SetLockType(lockType.toLong());
  std::shared_ptr<Command> command;
  if (source.isObject()) {
    command = source.as<Command>();
    source_ = command->CommandText();
  } else if (!isOmitted(source)) {
    source_ = source.toString();
  }
  if (!isOmitted(activeConnection)) {
    if (command) raiseVb(vb::BoundToCommand, kSource);
    SetActiveConnection(activeConnection);
  }
  const int32_t opt = optionalLong(options, -1);
  m.openOptions = opt;

  if (!command && source_.empty()) {
    // A recordset made in memory from appended fields.
    if (m.appended.empty()) raiseVb(vb::InvalidArgument, kSource);
    auto store = std::make_shared<RowStore>();
    store->columns = m.appended;
    store->indexColumns();
    m.command.reset();
    m.openWith(std::move(store));
    return;
  }

  ConnectionPtr cn = command ? command->connection() : m.connection;
  if (!cn || cn->State() != adStateOpen) raiseVb(vb::InvalidConnection, kSource);
  std::unique_ptr<ProviderStatement> stmt;
  if (command) stmt = command->prepare(Variant::missing());
  else if (opt != -1 && (opt & adCmdStoredProc)) stmt = cn->prepareProcedure(source_, 0);
  else if (opt != -1 && (opt & (adCmdTable | adCmdTableDirect)))
    stmt = cn->prepareStatement("SELECT * FROM " + quoteIdentifier(plainTableName(source_)));
  else stmt = cn->prepareStatement(source_);
  if (stmt->columnCount() == 0) {
    // An action query runs; no recordset opens on it.
    cn->guard([&] { stmt->step(); });
    return;
  }
  auto store = std::make_shared<RowStore>();
  cn->guard([&] { readRows(*stmt, *store, maxRecords_); });
  m.connection = std::move(cn);
  m.command = std::move(command);
  m.openWith(std::move(store));
}

void Recordset::open(const std::string& sql, const ConnectionPtr& cn, int32_t cursorType, int32_t lockType,
                     int32_t options) {
  SetCursorLocation(adUseClient);
  Open(Variant(sql), Variant(cn), Variant(static_cast<int>(cursorType)), Variant(static_cast<int>(lockType)),
       options == -1 ? Variant::missing() : Variant(static_cast<int>(options)));
}

void Recordset::loadFrom(ProviderStatement& stmt, int32_t maxRecords) {
  if (impl_->open) raiseVb(vb::ObjectOpen, kSource);
  auto store = std::make_shared<RowStore>();
  readRows(stmt, *store, maxRecords);
  impl_->openWith(std::move(store));
}

void Recordset::loadRows(std::vector<ColumnInfo> columns, std::vector<std::vector<Variant>> rows) {
  if (impl_->open) raiseVb(vb::ObjectOpen, kSource);
  auto store = std::make_shared<RowStore>();
  store->columns = std::move(columns);
  store->indexColumns();
  for (auto& values : rows) {
    values.resize(store->columns.size(), Variant::null());
    Row r;
    r.values = std::move(values);
    r.changed.assign(store->columns.size(), false);
    store->append(std::move(r));
  }
  impl_->openWith(std::move(store));
}

void Recordset::Close() {
  Impl& m = *impl_;
  m.requireOpen();
  m.cancelEdit();
  m.open = false;
  m.store.reset();
  m.order.clear();
  m.synced = 0;
  m.bof = m.eof = true;
  m.filter = Variant(static_cast<int>(adFilterNone));
  m.filterCriteria.reset();
  m.pendingFilter = false;
  m.command.reset();
}

void Recordset::Requery(const Variant&) {
  Impl& m = *impl_;
  m.requireOpen();
  std::shared_ptr<Command> command = m.command;
  const int32_t opt = m.openOptions;
  Close();
  Open(command ? Variant(command) : Variant::missing(), Variant::missing(), Variant::missing(), Variant::missing(),
       opt == -1 ? Variant::missing() : Variant(static_cast<int>(opt)));
}

std::shared_ptr<Recordset> Recordset::Clone(const Variant& lockType) {
  Impl& m = *impl_;
  m.requireOpen();
  if (m.forwardOnly()) raiseVb(vb::FeatureNotAvailable, kSource);
  const int32_t lock = optionalLong(lockType, adLockUnspecified);
  if (lock != adLockUnspecified && lock != adLockReadOnly) raiseVb(vb::InvalidArgument, kSource);
  auto c = makeObject<Recordset>();
  c->cursorLocation_ = cursorLocation_;
  c->cursorType_ = cursorType_;
  c->lockType_ = lockType_;
  c->maxRecords_ = maxRecords_;
  c->source_ = source_;
  Impl& n = *c->impl_;
  n.connection = m.connection;
  n.command = m.command;
  n.store = m.store;
  n.open = true;
  n.cursorType = m.cursorType;
  n.lockType = lock == adLockReadOnly ? adLockReadOnly : m.lockType;
  n.rebuildOrder();
  n.moveToFirst();
  return c;
}

// ---- navigation --------------------------------------------------------------------------

void Recordset::MoveFirst() {
  Impl& m = *impl_;
  m.requireOpen();
  m.implicitUpdate();
  if (!m.anyVisible()) {
    if (m.bof && m.eof) noCurrentRecord();
    m.bof = m.eof = true;
    return;
  }
  m.moveToFirst();
}

void Recordset::MoveLast() {
  Impl& m = *impl_;
  m.requireOpen();
  if (m.forwardOnly()) cannotScrollBack();
  m.implicitUpdate();
  m.sync();
  const ptrdiff_t p = m.step(static_cast<ptrdiff_t>(m.order.size()), -1);
  if (p < 0) {
    if (m.bof && m.eof) noCurrentRecord();
    m.bof = m.eof = true;
    return;
  }
  m.at = static_cast<size_t>(p);
  m.bof = m.eof = false;
}

void Recordset::MoveNext() { Move(1, Variant::missing()); }

void Recordset::MovePrevious() { Move(-1, Variant::missing()); }

void Recordset::Move(int32_t n, const Variant& start) {
  Impl& m = *impl_;
  m.requireOpen();
  if (n < 0 && m.forwardOnly()) cannotScrollBack();
  m.implicitUpdate();
  m.sync();
  if (m.bof && m.eof && !m.anyVisible()) noCurrentRecord();
  ptrdiff_t p;
  if (!isOmitted(start)) {
    p = m.positionOfBookmark(start);
  } else {
    if ((n == 0 && (m.bof || m.eof)) || (n > 0 && m.eof) || (n < 0 && m.bof)) noCurrentRecord();
    p = m.bof ? -1 : (m.eof ? static_cast<ptrdiff_t>(m.order.size()) : static_cast<ptrdiff_t>(m.at));
  }
  if (n == 0) {
    m.at = static_cast<size_t>(p);
    m.bof = m.eof = false;
    return;
  }
  const int direction = n > 0 ? 1 : -1;
  bool past = false;
  for (int64_t left = n > 0 ? n : -static_cast<int64_t>(n); left > 0 && !past; --left) {
    p = m.step(p, direction);
    past = p < 0;
  }
  if (!past) {
    m.at = static_cast<size_t>(p);
    m.bof = m.eof = false;
  } else if (direction > 0) {
    m.eof = true;
  } else {
    m.bof = true;
  }
}

// ---- C++ conveniences --------------------------------------------------------------------

int Recordset::columnCount() const {
  return static_cast<int>(impl_->open ? impl_->store->columns.size() : impl_->appended.size());
}

const ColumnInfo& Recordset::columnInfo(int i) const {
  const auto& cols = impl_->open ? impl_->store->columns : impl_->appended;
  if (i < 0 || static_cast<size_t>(i) >= cols.size()) raiseVb(vb::ItemNotFound, kSource);
  return cols[static_cast<size_t>(i)];
}

int Recordset::columnIndex(std::string_view name) const {
  if (impl_->open) return impl_->store->columnIndex(name);
  for (size_t i = 0; i < impl_->appended.size(); ++i)
    if (equalsNoCase(impl_->appended[i].name, name)) return static_cast<int>(i);
  return -1;
}

FieldPtr Recordset::field(std::string_view name) {
  const int i = columnIndex(name);
  if (i < 0) raiseVb(vb::ItemNotFound, kSource);
  return field(i);
}

FieldPtr Recordset::field(int index) {
  columnInfo(index);  // 3265 outside the columns
  return makeObject<Field>(std::static_pointer_cast<Recordset>(shared_from_this()), index);
}

Variant Recordset::value(std::string_view name) const {
  const int col = columnIndex(name);
  if (col < 0) raiseVb(vb::ItemNotFound, kSource);
  return valueAt(col);
}

const Variant& Recordset::valueAt(int index) const {
  if (index < 0 || index >= columnCount()) raiseVb(vb::ItemNotFound, kSource);
  const Row& r = impl_->rowForRead();
  return impl_->edit != adEditNone ? impl_->buffer[static_cast<size_t>(index)] : r.values[static_cast<size_t>(index)];
}

void Recordset::setValue(std::string_view name, const Variant& v) {
  const int col = columnIndex(name);
  if (col < 0) raiseVb(vb::ItemNotFound, kSource);
  impl_->assign(col, v);
}

}  // namespace platform::data
