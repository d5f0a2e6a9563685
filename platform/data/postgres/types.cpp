#include "platform/data/postgres/types.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/data/postgres/error.h"
#include "platform/data/types.h"
#include "platform/error.h"

namespace platform::data::postgres {

namespace {

// OIDs of the built-in types; they are the same on every server.
enum : Oid {
  kBool = 16,
  kBytea = 17,
  kChar = 18,
  kName = 19,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kOid = 26,
  kFloat4 = 700,
  kFloat8 = 701,
  kBpchar = 1042,
  kVarchar = 1043,
  kDate = 1082,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kNumeric = 1700,
  kUuid = 2950,
};

constexpr int kVarHeader = 4;  // the type modifier of char, varchar and numeric counts this header

// MONEY is declared numeric(19,4): the range and scale of the original's money type.
constexpr int kMoneyPrecision = 19;
constexpr int kMoneyScale = 4;

// DefinedSize of text without a length, as the original reports it for ntext.
constexpr int64_t kLongWideText = 1073741823;

void set(ColumnInfo& c, int32_t type, int64_t size, int precision = 0, int scale = 0) {
  c.type = type;
  c.definedSize = size;
  c.precision = static_cast<uint8_t>(precision);
  c.scale = static_cast<uint8_t>(scale);
}

void describeNumeric(int typmod, ColumnInfo& c) {
  if (typmod < kVarHeader) return set(c, adNumeric, 19, 38, 0);  // no declared precision
  const int precision = ((typmod - kVarHeader) >> 16) & 0xffff;
  const int scale = (typmod - kVarHeader) & 0xffff;
  if (precision == kMoneyPrecision && scale == kMoneyScale) return set(c, adCurrency, 8, 19, 4);
  set(c, adNumeric, 19, std::min(precision, 38), std::min(scale, 38));
}

// Exact decimal text ("-12.3450") to a Currency, rounding beyond four places half away from
// zero as the server does; false when the text is no such number or out of range.
bool currencyFromText(std::string_view text, Currency& out) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  uint64_t magnitude = 0;   // the amount times 10,000
  int fractionDigits = -1;  // -1 until the decimal point
  bool roundUp = false;
  int digits = 0;
  auto grow = [&](uint64_t digit) {
    if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
    return true;
  };
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && fractionDigits < 0) {
      fractionDigits = 0;
      continue;
    }
    if (c < '0' || c > '9') return false;
    ++digits;
    if (fractionDigits >= kMoneyScale) {
      if (fractionDigits == kMoneyScale) roundUp = c >= '5';
      ++fractionDigits;
      continue;
    }
    if (!grow(static_cast<uint64_t>(c - '0'))) return false;
    if (fractionDigits >= 0) ++fractionDigits;
  }
  if (digits == 0) return false;
  for (int f = std::max(fractionDigits, 0); f < kMoneyScale; ++f)
    if (!grow(0)) return false;
  if (roundUp) {
    if (magnitude == std::numeric_limits<uint64_t>::max()) return false;
    ++magnitude;
  }
  const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
  if (magnitude > limit) return false;
  out.scaled = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

std::string currencyText(Currency c) {
  const bool negative = c.scaled < 0;
  // In unsigned arithmetic, so that the most negative amount has a magnitude too.
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(c.scaled) : static_cast<uint64_t>(c.scaled);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

// A plain decimal ("-12.5", "2911.90") of at most 2^53 in units of its last digit and at most
// 22 decimals: both the units and the power of ten are exact doubles, so their quotient is the
// correctly rounded value, as from_chars would give it. Most amounts are such; false otherwise.
bool plainDecimal(std::string_view text, double& out) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = p != end && *p == '-';
  if (negative) ++p;
  // Beyond 18 digits the units may wrap around, but such a text is refused below.
  uint64_t units = 0;
  const auto readDigits = [&] {
    const char* from = p;
    for (; p != end && static_cast<unsigned>(*p - '0') <= 9; ++p) units = units * 10 + static_cast<uint64_t>(*p - '0');
    return p - from;
  };
  const ptrdiff_t whole = readDigits();
  ptrdiff_t decimals = 0;
  if (p != end && *p == '.') {
    ++p;
    decimals = readDigits();
  }
  const ptrdiff_t digits = whole + decimals;
  if (p != end || digits == 0 || digits > 18 || units > (uint64_t{1} << 53) || decimals > 22) return false;
  const double magnitude = static_cast<double>(units) / kPowers[decimals];
  out = negative ? -magnitude : magnitude;
  return true;
}

double doubleFromText(std::string_view text) {
  if (double v; plainDecimal(text, v)) return v;
  if (text == "NaN") return std::numeric_limits<double>::quiet_NaN();
  if (text == "Infinity") return std::numeric_limits<double>::infinity();
  if (text == "-Infinity") return -std::numeric_limits<double>::infinity();
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) raiseVb(vb::TypeMismatch, kProviderName);
  return v;
}

std::string doubleText(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);  // shortest text that reads back exactly
  return std::string(buf, end);
}

int64_t integerFromText(std::string_view text) {
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) raiseVb(vb::TypeMismatch, kProviderName);
  return v;
}

// The server's own form of a timestamp, "YYYY-MM-DD HH:MM:SS" (or a date alone), read without
// the general date parser; false for anything else (fractions, zones, eras).
bool isoTimestamp(std::string_view t, Date& out) {
  auto digits = [&](size_t at, size_t n, int& v) {
    v = 0;
    for (size_t k = at; k < at + n; ++k) {
      if (t[k] < '0' || t[k] > '9') return false;
      v = v * 10 + (t[k] - '0');
    }
    return true;
  };
  int y, mo, d, h = 0, mi = 0, se = 0;
  if (t.size() != 10 && t.size() != 19) return false;
  if (!digits(0, 4, y) || t[4] != '-' || !digits(5, 2, mo) || t[7] != '-' || !digits(8, 2, d)) return false;
  if (t.size() == 19 &&
      (t[10] != ' ' || !digits(11, 2, h) || t[13] != ':' || !digits(14, 2, mi) || t[16] != ':' || !digits(17, 2, se)))
    return false;
  if (y < 100 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 59) return false;
  out = Date::fromParts(y, mo, d, h, mi, se);
  return true;
}


}  // namespace

void describeType(Oid type, int typmod, std::string_view domain, bool computed, ColumnInfo& c) {
  if (equalsNoCase(domain, "FLAG")) return set(c, adBoolean, 2);
  if (equalsNoCase(domain, "TINYINT")) return set(c, adUnsignedTinyInt, 1, 3);
  switch (type) {
    case kInt2: return set(c, adSmallInt, 2, 5);
    case kInt4:
    case kOid: return set(c, adInteger, 4, 10);
    // Counts and sums are bigint here and integer on the embedded database.
    case kInt8: return computed ? set(c, adInteger, 4, 10) : set(c, adBigInt, 8, 19);
    case kFloat4: return set(c, adSingle, 4, 7);
    case kFloat8: return set(c, adDouble, 8, 15);
    case kNumeric: return describeNumeric(typmod, c);
    case kBool: return set(c, adBoolean, 2);
    case kTimestamp:
    case kTimestampTz:
    case kDate: return set(c, adDBTimeStamp, 16, 23, 3);
    case kBpchar: return set(c, adWChar, typmod >= kVarHeader ? typmod - kVarHeader : -1);
    case kChar: return set(c, adWChar, 1);
    case kVarchar: return set(c, adVarWChar, typmod >= kVarHeader ? typmod - kVarHeader : -1);
    case kName: return set(c, adVarWChar, 63);
    case kUuid: return set(c, adGUID, 16);
    case kBytea: return set(c, adLongVarBinary, std::numeric_limits<int32_t>::max());
    case kText:
    default:  // text, and anything else in its text form (the money type's form depends on the locale)
      return set(c, adLongVarWChar, kLongWideText);
  }
}

namespace {

// The value of `text` for a column of field type `type`, made by `make` from the arguments of
// a Variant constructor: a Variant returned, or one built in place at the end of a row.
template <class Make>
decltype(auto) fromText(int32_t type, std::string_view text, Make&& make) {
  switch (type) {
    case adInteger: {
      // A whole number as a Long while it fits in one.
      const int64_t n = integerFromText(text);
      if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max())
        return make(static_cast<int>(n));
      return make(static_cast<double>(n));
    }
    case adSmallInt: return make(Variant::integer(static_cast<int16_t>(integerFromText(text))));
    case adUnsignedTinyInt: return make(Variant::byte(static_cast<uint8_t>(integerFromText(text))));
    case adBigInt:  // no 64-bit Variant: as on the embedded database, a Double
    case adSingle:
    case adDouble:
    case adNumeric: return make(doubleFromText(text));
    case adCurrency: {
      Currency c;
      if (!currencyFromText(text, c)) raiseVb(vb::Overflow, kProviderName);
      return make(c);
    }
    case adBoolean: return make(text == "t" || (text != "f" && text != "0"));  // bool or a FLAG smallint
    case adDBTimeStamp: {
      Date d;
      // "infinity" and dates outside the platform's range stay text rather than losing the row.
      if (!isoTimestamp(text, d) && !parseDateText(text, d)) return make(text);
      return make(d);
    }
    default: return make(text);
  }
}

}  // namespace

Variant valueFromText(int32_t type, std::string_view text) {
  return fromText(type, text, [](auto&& value) { return Variant(std::forward<decltype(value)>(value)); });
}

void appendRowValues(std::vector<Variant>& values, const PGresult* result, int row, const std::vector<int32_t>& types) {
  const auto append = [&](auto&& value) { values.emplace_back(std::forward<decltype(value)>(value)); };
  const int n = static_cast<int>(types.size());
  for (int i = 0; i < n; ++i) {
    // Values arrive as NUL-terminated texts (a text value cannot hold a NUL); NULL reads as an
    // empty text, so only an empty text can be one.
    const char* text = PQgetvalue(result, row, i);
    if (*text == '\0' && PQgetisnull(result, row, i)) {
      values.emplace_back(Variant::null());
      continue;
    }
    fromText(types[static_cast<size_t>(i)], std::string_view(text), append);
  }
}

std::optional<std::string> parameterText(const Variant& value) {
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Error: return std::nullopt;
    case VarType::Boolean: return std::string(value.rawBool() ? "1" : "0");  // flags are 0 and 1
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long: return std::to_string(value.toLong());
    case VarType::Double: return doubleText(value.toDouble());
    case VarType::Currency: return currencyText(value.toCurrency());
    case VarType::Date: return value.toDate().iso();
    case VarType::String:
      if (value.rawString().find('\0') != std::string::npos)
        raiseVb(vb::InvalidArgument, kProviderName, "Text holding a NUL character cannot be stored.");
      return value.rawString();
    case VarType::Object:
    case VarType::Array: break;
  }
  raiseVb(vb::TypeMismatch, kProviderName);
}

}  // namespace platform::data::postgres
