#include "enterprise/sql_encoder.h"

#include <charconv>
#include <cmath>

#include "platform/data/storable_text.h"

namespace enterprise {

using platform::Variant;

namespace {

constexpr const char* kSource = "Corvane.SqlEncoder";

}  // namespace

std::string sqlText(std::string_view text) {
  // A NUL would end the statement early in both engines' parsers, and text that is not UTF-8
  // one database refuses and the other stores: refuse both before a statement is built.
  if (const char* reason = platform::data::unstorableText(text))
    platform::raiseVb(platform::vb::InvalidProcedureCall, kSource, std::string("A text value for SQL ") + reason);
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

std::string sqlLong(int32_t value) { return std::to_string(value); }

std::string sqlDouble(double value) {
  if (!std::isfinite(value))
    platform::raiseVb(platform::vb::InvalidProcedureCall, kSource, "A number for SQL must be finite");
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;  // 64 characters always hold the shortest form of a double
  return std::string(buf, end);
}

std::string sqlFlag(uint8_t value) { return std::to_string(value); }

std::string sqlDate(platform::Date value) { return "'" + value.iso() + "'"; }

std::string sqlCurrency(platform::Currency value) {
  const bool negative = value.scaled < 0;
  // Work in unsigned so that the most negative amount has a magnitude too.
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value.scaled) : static_cast<uint64_t>(value.scaled);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

std::string sqlLiteralOf(const Variant& value) {
  using platform::VarType;
  switch (value.type()) {
    case VarType::Null:
      return "NULL";
    case VarType::Boolean:
      return value.rawBool() ? "1" : "0";
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
      return sqlLong(value.toLong());
    case VarType::Double:
      return sqlDouble(value.rawDouble());
    case VarType::Currency:
      return sqlCurrency(value.toCurrency());
    case VarType::Date:
      return sqlDate(value.toDate());
    default:
      return sqlText(value.toString());
  }
}

const platform::DispatchTable& SqlEncoder::dispatch() const {
  static const platform::DispatchTable table = platform::Members<SqlEncoder>(kSource)
                                                   .method("SqlValue", &SqlEncoder::SqlValue)
                                                   .method("SqlText", &SqlEncoder::SqlText)
                                                   .method("SqlLike", &SqlEncoder::SqlLike)
                                                   .method("SqlLong", &SqlEncoder::SqlLong)
                                                   .method("SqlDouble", &SqlEncoder::SqlDouble)
                                                   .method("SqlFlag", &SqlEncoder::SqlFlag)
                                                   .method("SqlDate", &SqlEncoder::SqlDate);
  return table;
}

std::string SqlEncoder::SqlValue(const Variant& value) { return SqlText(value); }

std::string SqlEncoder::SqlText(const Variant& value) { return value.isNull() ? "NULL" : sqlText(value.toString()); }

// The caller's % and _ stay wildcards; nothing else needs escaping in either engine's default
// LIKE, except that PostgreSQL also reads a backslash as its escape character.
std::string SqlEncoder::SqlLike(const Variant& value) { return SqlText(value); }

std::string SqlEncoder::SqlLong(const Variant& value) { return value.isNull() ? "NULL" : sqlLong(value.toLong()); }

std::string SqlEncoder::SqlDouble(const Variant& value) {
  return value.isNull() ? "NULL" : sqlDouble(value.toDouble());
}

std::string SqlEncoder::SqlFlag(const Variant& value) {
  if (value.isNull()) return "NULL";
  // True is 1, whatever form it arrives in, so that the stored flag matches "= 1". As a byte
  // (how callers hand flags over) True is 255; other numbers, instance numbers among them,
  // pass through as they are.
  if (value.isString() &&
      (platform::equalsNoCase(value.rawString(), "True") || platform::equalsNoCase(value.rawString(), "False")))
    return value.toBool() ? "1" : "0";
  const uint8_t byte = value.toByte();
  return sqlFlag(byte == 255 ? 1 : byte);
}

std::string SqlEncoder::SqlDate(const Variant& value) { return value.isNull() ? "NULL" : sqlDate(value.toDate()); }

}  // namespace enterprise
