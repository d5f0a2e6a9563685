#include "platform/data/sqlite/types.h"

#include <cstdlib>
#include <string>

#include "platform/data/sqlite/error.h"
#include "platform/data/types.h"
#include "platform/error.h"

namespace platform::data::sqlite {

namespace {

struct TypeRule {
  const char* name;   // declared base name, upper case
  int32_t type;
  int64_t size;       // fixed size in bytes, or the default length of a text type
  uint8_t precision;
  uint8_t scale;
};

// DefinedSize of text declared without a length (text, ntext, varchar(max)): what SQL Server
// reports for those columns.
constexpr int64_t kLongText = 2147483647;
constexpr int64_t kLongWideText = 1073741823;

const TypeRule kRules[] = {
    {"INT", adInteger, 4, 10, 0},
    {"INTEGER", adInteger, 4, 10, 0},
    {"SMALLINT", adSmallInt, 2, 5, 0},
    {"TINYINT", adUnsignedTinyInt, 1, 3, 0},
    {"BIGINT", adBigInt, 8, 19, 0},
    {"BIT", adBoolean, 2, 0, 0},
    {"BOOLEAN", adBoolean, 2, 0, 0},
    {"FLOAT", adDouble, 8, 15, 0},
    {"DOUBLE", adDouble, 8, 15, 0},
    {"DOUBLE PRECISION", adDouble, 8, 15, 0},
    {"REAL", adDouble, 8, 15, 0},
    {"MONEY", adCurrency, 8, 19, 4},
    {"SMALLMONEY", adCurrency, 8, 10, 4},
    {"DECIMAL", adNumeric, 19, 18, 0},
    {"NUMERIC", adNumeric, 19, 18, 0},
    {"DATETIME", adDBTimeStamp, 16, 23, 3},
    {"SMALLDATETIME", adDBTimeStamp, 16, 16, 0},
    {"DATE", adDBTimeStamp, 16, 23, 3},
    {"TIMESTAMP", adDBTimeStamp, 16, 23, 3},
    {"CHAR", adChar, 1, 0, 0},
    {"CHARACTER", adChar, 1, 0, 0},
    {"NCHAR", adWChar, 1, 0, 0},
    {"VARCHAR", adVarChar, -1, 0, 0},
    {"NVARCHAR", adVarWChar, -1, 0, 0},
    {"TEXT", adLongVarChar, kLongText, 0, 0},
    {"CLOB", adLongVarChar, kLongText, 0, 0},
    {"NTEXT", adLongVarWChar, kLongWideText, 0, 0},
    {"UNIQUEIDENTIFIER", adGUID, 16, 0, 0},
    {"BINARY", adBinary, 1, 0, 0},
    {"VARBINARY", adVarBinary, -1, 0, 0},
    {"IMAGE", adLongVarBinary, kLongText, 0, 0},
    {"BLOB", adLongVarBinary, kLongText, 0, 0},
};

// SQLite's own affinity rules, for declarations outside the table.
void byAffinity(const std::string& decl, ColumnInfo& c) {
  auto has = [&](const char* part) { return decl.find(part) != std::string::npos; };
  if (has("INT")) {
    c.type = adInteger;
    c.definedSize = 4;
    c.precision = 10;
  } else if (has("CHAR") || has("CLOB") || has("TEXT")) {
    c.type = adVarWChar;
    c.definedSize = -1;
  } else if (has("BLOB")) {
    c.type = adLongVarBinary;
    c.definedSize = kLongText;
  } else if (has("REAL") || has("FLOA") || has("DOUB")) {
    c.type = adDouble;
    c.definedSize = 8;
    c.precision = 15;
  } else {
    c.type = adNumeric;
    c.definedSize = 19;
    c.precision = 18;
  }
}

void inferFromStorage(int storage, ColumnInfo& c) {
  switch (storage) {
    case SQLITE_INTEGER:
      c.type = adInteger;
      c.definedSize = 4;
      c.precision = 10;
      break;
    case SQLITE_FLOAT:
      c.type = adDouble;
      c.definedSize = 8;
      c.precision = 15;
      break;
    case SQLITE_BLOB:
      c.type = adLongVarBinary;
      c.definedSize = kLongText;
      break;
    default:
      c.type = adVarWChar;
      c.definedSize = -1;
      break;
  }
}

std::string columnText(sqlite3_stmt* stmt, int i) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
  return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, i))) : std::string();
}

Variant wholeNumber(sqlite3_int64 n) {
  if (n >= INT32_MIN && n <= INT32_MAX) return Variant(static_cast<int>(n));
  return Variant(static_cast<double>(n));
}

// A number column that holds text (SQLite lets any column hold any value): read the text as
// the platform reads numbers, and leave text that is no number as it is.
bool storedAsText(sqlite3_stmt* stmt, int i) { return sqlite3_column_type(stmt, i) == SQLITE_TEXT; }

Variant readByStorage(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER: return wholeNumber(sqlite3_column_int64(stmt, i));
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(stmt, i));
    default: return Variant(columnText(stmt, i));
  }
}

Variant readNumber(sqlite3_stmt* stmt, int i, int32_t type) {
  Variant raw = readByStorage(stmt, i);
  if (storedAsText(stmt, i) && !isNumeric(raw)) return raw;
  try {
    switch (type) {
      case adInteger: return raw.type() == VarType::Long ? raw : Variant(static_cast<int>(raw.toLong()));
      case adSmallInt: return Variant::integer(raw.toInteger());
      case adUnsignedTinyInt: return Variant::byte(raw.toByte());
      case adCurrency: return Variant(raw.toCurrency());
      default: return Variant(raw.toDouble());
    }
  } catch (const ComError&) {
    return Variant(raw.toDouble());  // out of the type's range: keep the number itself
  }
}

}  // namespace

void describeDeclaredType(std::string_view declared, ColumnInfo& c) {
  const std::string decl = upperCase(declared);
  const size_t open = decl.find('(');
  std::string base = decl.substr(0, open);
  while (!base.empty() && base.back() == ' ') base.pop_back();
  while (!base.empty() && base.front() == ' ') base.erase(0, 1);
  if (base.empty()) {
    c.type = 0;
    return;
  }
  const TypeRule* rule = nullptr;
  for (const TypeRule& r : kRules)
    if (base == r.name) rule = &r;
  if (!rule) {
    byAffinity(base, c);
    return;
  }
  c.type = rule->type;
  c.definedSize = rule->size;
  c.precision = rule->precision;
  c.scale = rule->scale;
  if (open == std::string::npos) return;
  // Arguments: a length for text, "MAX", or precision and scale for decimals.
  const std::string args = decl.substr(open + 1, decl.find(')', open) - open - 1);
  const bool max = args.find("MAX") != std::string::npos;
  const long first = std::strtol(args.c_str(), nullptr, 10);
  const size_t comma = args.find(',');
  const long second = comma == std::string::npos ? 0 : std::strtol(args.c_str() + comma + 1, nullptr, 10);
  if (c.type == adNumeric) {
    if (first > 0 && first <= 38) c.precision = static_cast<uint8_t>(first);
    if (second >= 0 && second <= first) c.scale = static_cast<uint8_t>(second);
  } else if (c.type == adChar || c.type == adWChar || c.type == adVarChar || c.type == adVarWChar ||
             c.type == adBinary || c.type == adVarBinary) {
    if (max) {
      c.type = c.type == adVarWChar || c.type == adWChar ? adLongVarWChar
               : c.type == adVarBinary || c.type == adBinary ? adLongVarBinary
                                                             : adLongVarChar;
      c.definedSize = c.type == adLongVarWChar ? kLongWideText : kLongText;
    } else if (first > 0) {
      c.definedSize = first;
    }
  }
}

Variant readValue(sqlite3_stmt* stmt, int i, ColumnInfo& c) {
  const int storage = sqlite3_column_type(stmt, i);
  if (storage == SQLITE_NULL) return Variant::null();
  if (c.type == 0) inferFromStorage(storage, c);
  switch (c.type) {
    case adInteger:
    case adSmallInt:
    case adUnsignedTinyInt:
    case adBigInt:
    case adDouble:
    case adNumeric:
    case adCurrency: return readNumber(stmt, i, c.type);
    case adBoolean: {
      if (!storedAsText(stmt, i)) return Variant(sqlite3_column_int64(stmt, i) != 0);
      Variant text(columnText(stmt, i));
      try {
        return Variant(text.toBool());
      } catch (const ComError&) {
        return text;
      }
    }
    case adDBTimeStamp: {
      if (!storedAsText(stmt, i)) return Variant(Date{sqlite3_column_double(stmt, i)});
      std::string text = columnText(stmt, i);
      Date d;
      if (parseDateText(text, d)) return Variant(d);
      return Variant(std::move(text));
    }
    default: return Variant(columnText(stmt, i));
  }
}

void bindValue(sqlite3_stmt* stmt, int index, const Variant& v) {
  int rc = SQLITE_OK;
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Error: rc = sqlite3_bind_null(stmt, index); break;
    case VarType::Boolean: rc = sqlite3_bind_int(stmt, index, v.rawBool() ? 1 : 0); break;
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long: rc = sqlite3_bind_int64(stmt, index, v.toLong()); break;
    case VarType::Double: rc = sqlite3_bind_double(stmt, index, v.toDouble()); break;
    case VarType::Currency: rc = sqlite3_bind_double(stmt, index, v.toDouble()); break;
    case VarType::Date: {
      const std::string iso = v.toDate().iso();
      rc = sqlite3_bind_text(stmt, index, iso.c_str(), static_cast<int>(iso.size()), SQLITE_TRANSIENT);
      break;
    }
    case VarType::String:
      rc = sqlite3_bind_text(stmt, index, v.rawString().c_str(), static_cast<int>(v.rawString().size()),
                             SQLITE_TRANSIENT);
      break;
    default: raiseVb(vb::TypeMismatch, "SQLite");
  }
  if (rc != SQLITE_OK) throw ProviderException(makeError(rc, sqlite3_errstr(rc)));
}

}  // namespace platform::data::sqlite
