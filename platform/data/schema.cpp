// Connection.OpenSchema: the COLUMNS schema rowset, built from the provider's description of
// each table.
#include "platform/data/convert.h"
#include "platform/data/dialect.h"
#include "platform/data/recordset.h"

namespace platform::data {

namespace {

// The owner every table of the sales database is reported under, as the business SQL names
// it ("dbo.BASKET").
constexpr const char* kSchemaName = "dbo";

ColumnInfo schemaColumn(const char* name, int32_t type) {
  ColumnInfo c;
  c.name = name;
  c.type = type;
  c.definedSize = isTextType(type) ? 128 : (type == adGUID ? 16 : 4);
  return c;
}

const std::vector<ColumnInfo>& columnsRowsetColumns() {
  static const std::vector<ColumnInfo> columns{
      schemaColumn("TABLE_CATALOG", adVarWChar),
      schemaColumn("TABLE_SCHEMA", adVarWChar),
      schemaColumn("TABLE_NAME", adVarWChar),
      schemaColumn("COLUMN_NAME", adVarWChar),
      schemaColumn("COLUMN_GUID", adGUID),
      schemaColumn("COLUMN_PROPID", adUnsignedInt),
      schemaColumn("ORDINAL_POSITION", adUnsignedInt),
      schemaColumn("COLUMN_HASDEFAULT", adBoolean),
      schemaColumn("COLUMN_DEFAULT", adVarWChar),
      schemaColumn("COLUMN_FLAGS", adUnsignedInt),
      schemaColumn("IS_NULLABLE", adBoolean),
      schemaColumn("DATA_TYPE", adUnsignedSmallInt),
      schemaColumn("TYPE_GUID", adGUID),
      schemaColumn("CHARACTER_MAXIMUM_LENGTH", adUnsignedInt),
      schemaColumn("CHARACTER_OCTET_LENGTH", adUnsignedInt),
      schemaColumn("NUMERIC_PRECISION", adUnsignedSmallInt),
      schemaColumn("NUMERIC_SCALE", adSmallInt),
      schemaColumn("DATETIME_PRECISION", adUnsignedInt),
      schemaColumn("CHARACTER_SET_CATALOG", adVarWChar),
      schemaColumn("CHARACTER_SET_SCHEMA", adVarWChar),
      schemaColumn("CHARACTER_SET_NAME", adVarWChar),
      schemaColumn("COLLATION_CATALOG", adVarWChar),
      schemaColumn("COLLATION_SCHEMA", adVarWChar),
      schemaColumn("COLLATION_NAME", adVarWChar),
      schemaColumn("DOMAIN_CATALOG", adVarWChar),
      schemaColumn("DOMAIN_SCHEMA", adVarWChar),
      schemaColumn("DOMAIN_NAME", adVarWChar),
      schemaColumn("DESCRIPTION", adVarWChar),
  };
  return columns;
}

bool isNumericType(int32_t type) {
  switch (type) {
    case adSmallInt:
    case adInteger:
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDecimal:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adBigInt:
    case adNumeric: return true;
    default: return false;
  }
}

bool isDateType(int32_t type) { return type == adDate || type == adDBDate || type == adDBTime || type == adDBTimeStamp; }

Variant orNull(bool present, Variant v) { return present ? std::move(v) : Variant::null(); }

std::vector<Variant> columnsRow(const std::string& catalog, const std::string& table, const ColumnInfo& c,
                                int ordinal) {
  const bool text = isTextType(c.type) && c.type != adGUID;
  const bool knownLength = text && c.definedSize > 0;
  int32_t flags = 0;
  if (isFixedType(c.type)) flags |= adFldFixed;
  if (c.nullable) flags |= adFldIsNullable | adFldMayBeNull;
  if (isLongType(c.type)) flags |= adFldLong;
  flags |= adFldUpdatable;
  const int64_t octets = isWideTextType(c.type) ? c.definedSize * 2 : c.definedSize;
  std::vector<Variant> row{
      Variant(catalog),
      Variant(kSchemaName),
      Variant(table),
      Variant(c.name),
      Variant::null(),
      Variant::null(),
      Variant(ordinal),
      Variant(c.hasDefault),
      orNull(c.hasDefault, Variant(c.defaultValue)),
      Variant(static_cast<int>(flags)),
      Variant(c.nullable),
      Variant::integer(static_cast<int16_t>(schemaDataType(c.type))),
      Variant::null(),
      orNull(knownLength, Variant(static_cast<int>(c.definedSize))),
      orNull(knownLength, Variant(static_cast<int>(octets))),
      orNull(isNumericType(c.type), Variant::integer(c.precision)),
      orNull(c.type == adNumeric || c.type == adDecimal, Variant::integer(c.scale)),
      orNull(isDateType(c.type), Variant(3)),
  };
  row.resize(columnsRowsetColumns().size(), Variant::null());
  return row;
}

// One restriction of the criteria array; Empty, Null and Missing restrict nothing.
struct Restriction {
  bool set = false;
  std::string value;
  bool admits(const std::string& v) const { return !set || equalsNoCase(value, v); }
};

std::vector<Restriction> restrictions(const Variant& criteria, size_t count) {
  std::vector<Restriction> out(count);
  if (criteria.isMissing() || criteria.isEmpty() || criteria.isNull()) return out;
  if (!criteria.isArray()) raiseVb(vb::InvalidArgument, "ADODB.Connection");
  const SafeArray& a = criteria.array();
  for (size_t i = 0; i < a.items.size() && i < count; ++i) {
    const Variant& v = a.items[i];
    if (v.isEmpty() || v.isNull() || v.isMissing()) continue;
    out[i].set = true;
    out[i].value = v.toString();
  }
  return out;
}

}  // namespace

RecordsetPtr Connection::OpenSchema(int32_t kind, const Variant& criteria) {
  ProviderConnection& p = provider();
  if (kind != adSchemaColumns) raiseVb(vb::FeatureNotAvailable, "ADODB.Connection");
  const std::vector<Restriction> r = restrictions(criteria, 4);
  std::vector<std::vector<Variant>> rows;
  guard([&] {
    const std::string catalog = p.catalog();
    if (!r[0].admits(catalog) || !r[1].admits(kSchemaName)) return;
    Restriction table = r[2];
    if (table.set) table.value = plainTableName(table.value);
    for (const std::string& name : p.tableNames()) {
      if (!table.admits(name)) continue;
      int ordinal = 0;
      for (const ColumnInfo& c : p.tableColumns(name)) {
        ++ordinal;
        if (r[3].admits(c.name)) rows.push_back(columnsRow(catalog, name, c, ordinal));
      }
    }
  });
  auto rs = makeObject<Recordset>();
  rs->SetCursorLocation(adUseClient);
  rs->SetCursorType(adOpenStatic);
  if (auto self = std::dynamic_pointer_cast<Connection>(weak_from_this().lock())) rs->SetActiveConnection(Variant(self));
  rs->loadRows(columnsRowsetColumns(), std::move(rows));
  return rs;
}

}  // namespace platform::data
