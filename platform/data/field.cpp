// Field and Fields: views of one recordset's columns and current row.
#include "platform/data/convert.h"
#include "platform/data/recordset_impl.h"

namespace platform::data {

namespace {

constexpr const char* kSource = "ADODB.Field";

int32_t clampSize(int64_t n) { return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n); }

}  // namespace

// ---- Field -------------------------------------------------------------------------------

Field::Field(std::shared_ptr<Recordset> owner, int column) : owner_(std::move(owner)), column_(column) {}

const DispatchTable& Field::dispatch() const {
  static const DispatchTable table = Members<Field>("ADODB.Field")
                                         .property("Name", &Field::Name)
                                         .property("Type", &Field::Type)
                                         .property("Value", &Field::Value, &Field::SetValue)
                                         .property("OriginalValue", &Field::OriginalValue)
                                         .property("UnderlyingValue", &Field::UnderlyingValue)
                                         .property("DefinedSize", &Field::DefinedSize)
                                         .property("ActualSize", &Field::ActualSize)
                                         .property("Precision", &Field::Precision)
                                         .property("NumericScale", &Field::NumericScale)
                                         .property("Attributes", &Field::Attributes)
                                         .defaultMember("Value");
  return table;
}

std::string Field::Name() const { return owner_->columnInfo(column_).name; }

int32_t Field::Type() const { return owner_->columnInfo(column_).type; }

Variant Field::Value() const {
  Recordset::Impl& m = *owner_->impl_;
  const Row& r = m.rowForRead();
  const auto col = static_cast<size_t>(column_);
  return m.edit != adEditNone ? m.buffer[col] : r.values[col];
}

void Field::SetValue(const Variant& v) { owner_->impl_->assign(column_, v); }

Variant Field::OriginalValue() const {
  Recordset::Impl& m = *owner_->impl_;
  m.requireOpen();
  const Row* r = m.currentRow();
  if (!r) raiseVb(vb::NoCurrentRecord, kSource);
  return r->originalAt(static_cast<size_t>(column_));
}

// The database's value as this recordset last read or wrote it.
Variant Field::UnderlyingValue() const { return OriginalValue(); }

int32_t Field::DefinedSize() const { return clampSize(owner_->columnInfo(column_).definedSize); }

int32_t Field::ActualSize() const {
  const ColumnInfo& c = owner_->columnInfo(column_);
  const Variant v = Value();
  if (v.isNull()) return 0;
  if (v.isString()) {
    const std::string& s = v.rawString();
    return clampSize(isWideTextType(c.type) ? characterCount(s) * 2 : static_cast<int64_t>(s.size()));
  }
  return clampSize(c.definedSize);
}

uint8_t Field::Precision() const { return owner_->columnInfo(column_).precision; }

uint8_t Field::NumericScale() const { return owner_->columnInfo(column_).scale; }

int32_t Field::Attributes() const {
  const ColumnInfo& c = owner_->columnInfo(column_);
  int32_t a = 0;
  if (!c.baseColumn.empty() || c.baseTable.empty()) a |= adFldUpdatable;
  if (isFixedType(c.type)) a |= adFldFixed;
  if (c.nullable) a |= adFldIsNullable | adFldMayBeNull;
  if (isLongType(c.type)) a |= adFldLong;
  if (c.key) a |= adFldKeyColumn;
  return a;
}

// ---- Fields ------------------------------------------------------------------------------

const DispatchTable& Fields::dispatch() const {
  static const DispatchTable table = Members<Fields>("ADODB.Fields")
                                         .property("Count", &Fields::Count)
                                         .property("Item", &Fields::Item)
                                         .method("Append", &Fields::Append, 3)
                                         .method("Refresh", &Fields::Refresh)
                                         .defaultMember("Item");
  return table;
}

int32_t Fields::Count() const { return owner_->columnCount(); }

FieldPtr Fields::Item(const Variant& nameOrIndex) const {
  return makeObject<Field>(owner_, owner_->impl_->column(nameOrIndex));
}

void Fields::Append(const std::string& name, int32_t type, const Variant& definedSize, const Variant& attributes,
                    const Variant&) {
  Recordset::Impl& m = *owner_->impl_;
  if (m.open) raiseVb(vb::ObjectOpen, "ADODB.Fields");
  if (name.empty() || owner_->columnIndex(name) >= 0) raiseVb(vb::InvalidArgument, "ADODB.Fields");
  ColumnInfo c;
  c.name = name;
  c.type = type;
  c.definedSize = optionalLong(definedSize, isFixedType(type) ? 8 : -1);
  const int32_t attrib = optionalLong(attributes, 0);
  c.nullable = (attrib & (adFldIsNullable | adFldMayBeNull)) != 0;
  if (type == adNumeric || type == adDecimal) c.precision = 18;
  m.appended.push_back(std::move(c));
}

}  // namespace platform::data
