#include "platform/value.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#include "platform/error.h"
#include "platform/object.h"

namespace platform {

namespace {

// Day number of a civil date (days since 1970-01-01), proleptic Gregorian.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr int64_t kOleEpochDays = -25569;  // 1899-12-30 relative to 1970-01-01
constexpr double kMinDate = -657434.0;     // 1 Jan 100
constexpr double kMaxDate = 2958465.999988426;

bool validDate(int y, int m, int d) {
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int limit = days[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) limit = 29;
  return d <= limit;
}

// Half-to-even rounding to a whole number, as every integral conversion does it.
double roundHalfEven(double v) {
  const int old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(v);
  std::fesetround(old);
  return r;
}

double toWhole(double v, double lo, double hi) {
  if (std::isnan(v) || std::isinf(v)) raiseVb(vb::Overflow);
  const double r = roundHalfEven(v);
  if (r < lo || r > hi) raiseVb(vb::Overflow);
  return r;
}

std::string_view stripBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool readInt(std::string_view& s, int& out, int maxDigits) {
  int n = 0, digits = 0;
  while (!s.empty() && s.front() >= '0' && s.front() <= '9' && digits < maxDigits) {
    n = n * 10 + (s.front() - '0');
    s.remove_prefix(1);
    ++digits;
  }
  out = n;
  return digits > 0;
}

bool readChar(std::string_view& s, char c) {
  if (!s.empty() && s.front() == c) {
    s.remove_prefix(1);
    return true;
  }
  return false;
}

// Reads "h:mm[:ss[.fff]][ AM|PM]" to the end of the text.
bool readTime(std::string_view s, int& h, int& mi, int& se) {
  s = stripBlanks(s);
  h = mi = se = 0;
  if (!readInt(s, h, 2)) return false;
  if (!readChar(s, ':') || !readInt(s, mi, 2)) return false;
  if (readChar(s, ':')) {
    if (!readInt(s, se, 2)) return false;
    if (readChar(s, '.')) {
      int frac;
      if (!readInt(s, frac, 9)) return false;
    }
  }
  s = stripBlanks(s);
  if (!s.empty()) {
    const std::string ampm = upperCase(s);
    if (ampm == "AM" || ampm == "A") {
      if (h < 1 || h > 12) return false;
      if (h == 12) h = 0;
    } else if (ampm == "PM" || ampm == "P") {
      if (h < 1 || h > 12) return false;
      if (h != 12) h += 12;
    } else {
      return false;
    }
  }
  return h < 24 && mi < 60 && se < 60;
}

// A value read as a number for arithmetic and comparison (Boolean -1/0, Date its serial).
double numericValue(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::Boolean: return v.rawBool() ? -1 : 0;
    case VarType::Date: return v.toDate().serial;
    default: return v.toDouble();
  }
}

// Plain decimal text ("-1,234.56785") read straight into a Currency, so that it rounds as
// written (half to even at four places) and not as its nearest binary double. False for any
// other form (exponents, &H), which the caller reads as a double; 6 beyond Currency's range.
bool parseCurrencyText(std::string_view text, Currency& out) {
  std::string_view s = stripBlanks(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int64_t whole = 0;
  bool digits = false;
  while (!s.empty() && ((s.front() >= '0' && s.front() <= '9') || (s.front() == ',' && digits))) {
    if (s.front() != ',') {
      if (whole > 922337203685477 / 10) raiseVb(vb::Overflow);
      whole = whole * 10 + (s.front() - '0');
      digits = true;
    }
    s.remove_prefix(1);
  }
  int64_t fraction = 0;
  int places = 0;
  int roundDigit = -1;   // the fifth decimal
  bool beyond = false;   // any non-zero decimal after the fifth
  if (!s.empty() && s.front() == '.') {
    s.remove_prefix(1);
    while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
      const int d = s.front() - '0';
      if (places < 4) fraction = fraction * 10 + d;
      else if (places == 4) roundDigit = d;
      else if (d != 0) beyond = true;
      ++places;
      digits = true;
      s.remove_prefix(1);
    }
  }
  if (!digits || !s.empty()) return false;
  for (int p = places; p < 4; ++p) fraction *= 10;
  if (whole > 922337203685477 || whole * 10000 > INT64_MAX - fraction - 1) raiseVb(vb::Overflow);
  int64_t scaled = whole * 10000 + fraction;
  if (roundDigit > 5 || (roundDigit == 5 && (beyond || (scaled & 1)))) ++scaled;
  out.scaled = negative ? -scaled : scaled;
  return true;
}

}  // namespace

// ---- Currency and Date -------------------------------------------------------------------

Currency Currency::fromDouble(double v) {
  const double scaled = v * 10000.0;
  if (std::isnan(scaled) || std::fabs(scaled) >= 9.2233720368547758e18) raiseVb(vb::Overflow);
  return Currency{static_cast<int64_t>(roundHalfEven(scaled))};
}

Date Date::fromParts(int year, int month, int day, int hour, int minute, int second) {
  const int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpochDays;
  const double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  // Before 1899-12-30 the fraction counts away from zero, as OLE dates do.
  return Date{days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time};
}

Date Date::today() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return fromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

Date Date::now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return fromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

void Date::toParts(int& year, int& month, int& day, int& hour, int& minute, int& second) const {
  const double whole = std::trunc(serial);
  double frac = std::fabs(serial - whole);
  int64_t secs = static_cast<int64_t>(std::llround(frac * 86400.0));
  int64_t days = static_cast<int64_t>(whole);
  if (secs >= 86400) {  // rounding reached midnight
    secs -= 86400;
    days += serial >= 0 ? 1 : -1;
  }
  civilFromDays(days + kOleEpochDays, year, month, day);
  hour = static_cast<int>(secs / 3600);
  minute = static_cast<int>(secs / 60 % 60);
  second = static_cast<int>(secs % 60);
}

Date Date::dateOnly() const {
  int y, m, d, h, mi, s;
  toParts(y, m, d, h, mi, s);
  return fromParts(y, m, d);
}

std::string Date::iso() const {
  int y, m, d, h, mi, s;
  toParts(y, m, d, h, mi, s);
  if (y < 0 || y > 9999) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, h, mi, s);
    return buf;
  }
  // "YYYY-MM-DD HH:MM:SS", written digit by digit: literals of dates are written by the
  // thousand when orders are stored.
  std::string out = "0000-00-00 00:00:00";
  auto put = [&](size_t at, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) out[at + static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
  };
  put(0, y, 4), put(5, m, 2), put(8, d, 2), put(11, h, 2), put(14, mi, 2), put(17, s, 2);
  return out;
}

Variant& SafeArray::at(int32_t index) {
  if (index < lowerBound || index > upperBound()) raiseVb(vb::SubscriptOutOfRange);
  return items[static_cast<size_t>(index - lowerBound)];
}

const Variant& SafeArray::at(int32_t index) const {
  if (index < lowerBound || index > upperBound()) raiseVb(vb::SubscriptOutOfRange);
  return items[static_cast<size_t>(index - lowerBound)];
}

// ---- construction ------------------------------------------------------------------------

Variant::Variant(const char* v) : Variant(std::string_view(v ? v : "")) {}
Variant::Variant(ObjectPtr v) : type_(VarType::Object) { new (&held_.object) ObjectPtr(std::move(v)); }
Variant::Variant(SafeArray v) {
  held_.array = new SafeArray(std::move(v));
  type_ = VarType::Array;
}

Variant Variant::missing() {
  Variant v;
  v.type_ = VarType::Error;
  v.held_.num.i32 = static_cast<int32_t>(0x80020004);  // DISP_E_PARAMNOTFOUND
  return v;
}

Variant Variant::byte(uint8_t b) {
  Variant v;
  v.type_ = VarType::Byte;
  v.held_.num.u8 = b;
  return v;
}

Variant Variant::integer(int16_t i) {
  Variant v;
  v.type_ = VarType::Integer;
  v.held_.num.i16 = i;
  return v;
}

Variant Variant::array(std::vector<Variant> items, int32_t lowerBound) {
  return Variant(SafeArray{lowerBound, std::move(items)});
}

Variant::Variant(const Variant& other) { copyFrom(other); }

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);  // other may live inside this (an array element)
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this == &other) return *this;
  if (type_ == VarType::String) {
    if (other.type_ == VarType::String) {  // the text takes the other over in its own buffer
      held_.text = std::move(other.held_.text);
      other.release();
      return *this;
    }
    release();  // a text cannot hold `other`
  } else if (type_ == VarType::Object || type_ == VarType::Array) {
    // An object or an array may hold `other` inside it: it is released only after the move.
    const Variant keep(std::move(*this));
    takeFrom(other);
    return *this;
  }
  takeFrom(other);
  return *this;
}

void Variant::release() noexcept {
  switch (type_) {
    case VarType::String: held_.text.~basic_string(); break;
    case VarType::Object: held_.object.~shared_ptr(); break;
    case VarType::Array: delete held_.array; break;
    default: break;
  }
  type_ = VarType::Empty;
  held_.num = Number{};
}

void Variant::copyFrom(const Variant& other) {
  switch (other.type_) {
    case VarType::String: new (&held_.text) std::string(other.held_.text); break;
    case VarType::Object: new (&held_.object) ObjectPtr(other.held_.object); break;
    case VarType::Array: held_.array = new SafeArray(*other.held_.array); break;
    default: held_.num = other.held_.num;
  }
  type_ = other.type_;  // only once the value is whole
}

void Variant::takeFrom(Variant& other) noexcept {
  switch (other.type_) {
    case VarType::String:
      new (&held_.text) std::string(std::move(other.held_.text));
      other.held_.text.~basic_string();
      break;
    case VarType::Object:
      new (&held_.object) ObjectPtr(std::move(other.held_.object));
      other.held_.object.~shared_ptr();
      break;
    case VarType::Array: held_.array = other.held_.array; break;
    default: held_.num = other.held_.num;
  }
  type_ = other.type_;
  other.type_ = VarType::Empty;
  other.held_.num = Number{};
}

const std::string& Variant::noText() {
  static const std::string empty;
  return empty;
}

const ObjectPtr& Variant::noObject() {
  static const ObjectPtr none;
  return none;
}

bool Variant::isNumber() const {
  switch (type_) {
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
    case VarType::Currency: return true;
    default: return false;
  }
}

// ---- conversions -------------------------------------------------------------------------

bool Variant::toBool() const {
  switch (type_) {
    case VarType::Empty: return false;
    case VarType::Null: raiseVb(vb::InvalidUseOfNull);
    case VarType::Boolean: return held_.num.b;
    case VarType::String: {
      const std::string t = upperCase(stripBlanks(held_.text));
      if (t == "TRUE") return true;
      if (t == "FALSE") return false;
      double d;
      if (parseNumberText(held_.text, d)) return d != 0;
      raiseVb(vb::TypeMismatch);
    }
    case VarType::Object:
    case VarType::Array:
    case VarType::Error: raiseVb(vb::TypeMismatch);
    default: return toDouble() != 0;
  }
}

uint8_t Variant::toByte() const {
  if (type_ == VarType::Boolean) return held_.num.b ? 255 : 0;  // True is all bits set
  return static_cast<uint8_t>(toWhole(numericValue(*this), 0, 255));
}

int16_t Variant::toInteger() const {
  if (type_ == VarType::Integer) return held_.num.i16;
  return static_cast<int16_t>(toWhole(numericValue(*this), -32768, 32767));
}

int32_t Variant::toLong() const {
  if (type_ == VarType::Long) return held_.num.i32;
  if (type_ == VarType::Currency) {
    // Whole-number rounding of a scaled integer, exact without going through a double.
    int64_t q = held_.num.i64 / 10000, r = held_.num.i64 % 10000;
    if (r > 5000 || (r == 5000 && (q & 1))) ++q;
    if (r < -5000 || (r == -5000 && (q & 1))) --q;
    if (q < INT32_MIN || q > INT32_MAX) raiseVb(vb::Overflow);
    return static_cast<int32_t>(q);
  }
  return static_cast<int32_t>(toWhole(numericValue(*this), -2147483648.0, 2147483647.0));
}

double Variant::toDouble() const {
  switch (type_) {
    case VarType::Empty: return 0;
    case VarType::Null: raiseVb(vb::InvalidUseOfNull);
    case VarType::Boolean: return held_.num.b ? -1 : 0;
    case VarType::Byte: return held_.num.u8;
    case VarType::Integer: return held_.num.i16;
    case VarType::Long: return held_.num.i32;
    case VarType::Double:
      // The platform's Doubles are always finite; one made otherwise (by arithmetic out of
      // range) is an overflow wherever it is used as a number.
      if (!std::isfinite(held_.num.d)) raiseVb(vb::Overflow);
      return held_.num.d;
    case VarType::Currency: return static_cast<double>(held_.num.i64) / 10000.0;
    case VarType::Date: return held_.num.d;
    case VarType::String: {
      double d;
      if (parseNumberText(held_.text, d)) return d;
      raiseVb(vb::TypeMismatch);
    }
    default: raiseVb(vb::TypeMismatch);
  }
}

Currency Variant::toCurrency() const {
  if (type_ == VarType::Currency) return Currency{held_.num.i64};
  Currency c;
  if (type_ == VarType::String && parseCurrencyText(held_.text, c)) return c;
  return Currency::fromDouble(numericValue(*this));
}

Date Variant::toDate() const {
  switch (type_) {
    case VarType::Date: return Date{held_.num.d};
    case VarType::Null: raiseVb(vb::InvalidUseOfNull);
    case VarType::String: {
      Date d;
      if (parseDateText(held_.text, d)) return d;
      double n;
      if (parseNumberText(held_.text, n) && n >= kMinDate && n <= kMaxDate) return Date{n};
      raiseVb(vb::TypeMismatch);
    }
    case VarType::Object:
    case VarType::Array:
    case VarType::Error: raiseVb(vb::TypeMismatch);
    default: {
      const double n = numericValue(*this);
      if (n < kMinDate || n > kMaxDate) raiseVb(vb::Overflow);
      return Date{n};
    }
  }
}

std::string formatDouble(double v) {
  if (v == 0) return "0";
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  char buf[64];
  const double mag = std::fabs(v);
  const int exp10 = static_cast<int>(std::floor(std::log10(mag)));
  if (exp10 >= 15 || exp10 < -15) {
    std::snprintf(buf, sizeof buf, "%.14E", v);
    // Trim the mantissa's trailing zeros and write the exponent without leading zeros,
    // e.g. 1.41111111133534E+16.
    std::string s(buf);
    const size_t e = s.find('E');
    std::string mant = s.substr(0, e);
    std::string ex = s.substr(e + 1);
    if (mant.find('.') != std::string::npos) {
      while (mant.back() == '0') mant.pop_back();
      if (mant.back() == '.') mant.pop_back();
    }
    const char sign = ex[0];
    ex = ex.substr(1);
    while (ex.size() > 1 && ex[0] == '0') ex.erase(0, 1);
    if (ex.size() < 2) ex = "0" + ex;
    return mant + "E" + sign + ex;
  }
  const int decimals = std::max(0, 14 - exp10);
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s(buf);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string Variant::toString() && {
  if (type_ == VarType::String) return std::move(held_.text);
  return static_cast<const Variant&>(*this).toString();
}

std::string Variant::toString() const& {
  switch (type_) {
    case VarType::Empty: return {};
    case VarType::Null: raiseVb(vb::InvalidUseOfNull);
    case VarType::Boolean: return held_.num.b ? "True" : "False";
    case VarType::Byte: return std::to_string(held_.num.u8);
    case VarType::Integer: return std::to_string(held_.num.i16);
    case VarType::Long: return std::to_string(held_.num.i32);
    case VarType::Double: return formatDouble(held_.num.d);
    case VarType::Currency: {
      const int64_t whole = held_.num.i64 / 10000;
      int64_t frac = held_.num.i64 % 10000;
      std::string s = (held_.num.i64 < 0 && whole == 0 ? "-" : "") + std::to_string(whole);
      if (frac != 0) {
        if (frac < 0) frac = -frac;
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04lld", static_cast<long long>(frac));
        std::string f(buf);
        while (f.back() == '0') f.pop_back();
        s += "." + f;
      }
      return s;
    }
    case VarType::Date: {
      int y, m, d, h, mi, s;
      Date{held_.num.d}.toParts(y, m, d, h, mi, s);
      char buf[48];
      const bool hasTime = h != 0 || mi != 0 || s != 0;
      const bool hasDate = std::trunc(held_.num.d) != 0;
      std::string out;
      if (hasDate || !hasTime) {
        std::snprintf(buf, sizeof buf, "%d/%d/%d", m, d, y);
        out = buf;
      }
      if (hasTime) {
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h % 12 == 0 ? 12 : h % 12, mi, s, h < 12 ? "AM" : "PM");
        out += (out.empty() ? "" : " ") + std::string(buf);
      }
      return out;
    }
    case VarType::String: return held_.text;
    case VarType::Error: return "Error " + std::to_string(held_.num.i32 & 0xFFFF);
    default: raiseVb(vb::TypeMismatch);
  }
}

ObjectPtr Variant::toObject() const {
  if (type_ != VarType::Object) raiseVb(vb::ObjectRequired);
  return held_.object;
}

const SafeArray& Variant::array() const {
  if (type_ != VarType::Array) raiseVb(vb::TypeMismatch);
  return *held_.array;
}

SafeArray& Variant::array() {
  if (type_ != VarType::Array) raiseVb(vb::TypeMismatch);
  return *held_.array;
}

// ---- tests and comparisons ---------------------------------------------------------------

bool parseNumberText(std::string_view text, double& out) {
  std::string_view s = stripBlanks(text);
  if (s.empty()) return false;
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
    int64_t v = 0;
    for (char c : s.substr(2)) {
      int digit;
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      else return false;
      v = v * 16 + digit;
      if (v > 0xFFFFFFFFLL) return false;
    }
    out = static_cast<double>(v <= 0x7FFFFFFF ? v : v - 0x100000000LL);
    return true;
  }
  std::string clean;
  size_t i = 0;
  if (s[i] == '+' || s[i] == '-') clean += s[i++];
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      clean += c;
      digits = true;
    } else if (c == ',' && !point && digits) {
      continue;  // thousands separator
    } else if (c == '.' && !point) {
      clean += c;
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    clean += 'E';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) clean += s[i++];
    bool expDigits = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      clean += s[i];
      expDigits = true;
    }
    if (!expDigits) return false;
  }
  if (i != s.size()) return false;
  char* end = nullptr;
  out = std::strtod(clean.c_str(), &end);
  if (!end || *end != '\0') return false;
  // A number too large for a Double is an overflow, as the platform's conversion has it,
  // never an infinity that would travel on into stored prices and totals.
  if (!std::isfinite(out)) raiseVb(vb::Overflow);
  return true;
}

bool parseDateText(std::string_view text, Date& out) {
  std::string_view s = stripBlanks(text);
  if (s.empty()) return false;
  int y = 0, m = 0, d = 0, h = 0, mi = 0, se = 0;
  std::string_view rest = s;
  int first;
  if (!readInt(rest, first, 4)) return false;
  if (readChar(rest, '-')) {  // YYYY-MM-DD
    y = first;
    if (!readInt(rest, m, 2) || !readChar(rest, '-') || !readInt(rest, d, 2)) return false;
    if (!rest.empty() && (rest.front() == 'T' || rest.front() == ' ')) {
      rest.remove_prefix(1);
      if (!readTime(rest, h, mi, se)) return false;
    } else if (!stripBlanks(rest).empty()) {
      return false;
    }
  } else if (readChar(rest, '/')) {  // M/D/YYYY
    m = first;
    if (!readInt(rest, d, 2) || !readChar(rest, '/') || !readInt(rest, y, 4)) return false;
    if (y < 30) y += 2000;
    else if (y < 100) y += 1900;
    if (!stripBlanks(rest).empty() && !readTime(rest, h, mi, se)) return false;
  } else if (!rest.empty() && rest.front() == ':') {  // time only
    if (!readTime(s, h, mi, se)) return false;
    out = Date{(h * 3600.0 + mi * 60.0 + se) / 86400.0};
    return true;
  } else {
    return false;
  }
  if (!validDate(y, m, d)) return false;
  out = Date::fromParts(y, m, d, h, mi, se);
  return true;
}

bool isNumeric(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Currency: return true;
    case VarType::Double: return std::isfinite(v.rawDouble());
    case VarType::String: {
      double d;
      try {
        return parseNumberText(v.rawString(), d);
      } catch (const ComError&) {
        return false;  // too large to convert is not numeric
      }
    }
    default: return false;
  }
}

bool isDate(const Variant& v) {
  if (v.type() == VarType::Date) return true;
  if (v.type() != VarType::String) return false;
  Date d;
  return parseDateText(v.rawString(), d);
}

int compareValues(const Variant& a, const Variant& b) {
  if (a.isNull() || b.isNull()) raiseVb(vb::InvalidUseOfNull);
  const bool aText = a.isString(), bText = b.isString();
  if (aText && bText) {
    const int c = a.rawString().compare(b.rawString());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (aText || bText) {
    const Variant& text = aText ? a : b;
    const Variant& other = aText ? b : a;
    if (other.isEmpty()) {  // Empty compares as ""
      const int c = text.rawString().empty() ? 0 : 1;
      return aText ? c : -c;
    }
    // A number sorts below a text.
    return aText ? 1 : -1;
  }
  const double x = numericValue(a), y = numericValue(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

bool sameKey(const Variant& a, const Variant& b) {
  if (a.isEmpty() && b.isEmpty()) return true;
  if (a.isEmpty() || b.isEmpty()) {
    const Variant& o = a.isEmpty() ? b : a;
    if (o.isString()) return o.rawString().empty();
    if (o.isNumber() || o.type() == VarType::Boolean || o.type() == VarType::Date) return numericValue(o) == 0;
    return false;
  }
  if (a.isString() != b.isString()) return false;
  if (a.isString()) return a.rawString() == b.rawString();
  if (a.isObject() || b.isObject()) return a.isObject() && b.isObject() && a.rawObject() == b.rawObject();
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
  if (a.isArray() || b.isArray() || a.isMissing() || b.isMissing()) return false;
  return numericValue(a) == numericValue(b);
}

std::string trimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

void upperCaseInPlace(std::string& s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

std::string upperCase(std::string_view s) {
  std::string out(s);
  upperCaseInPlace(out);
  return out;
}

std::string lowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

size_t hashNoCase(std::string_view s) {
  size_t h = 14695981039346656037ULL;  // FNV-1a over the upper-cased bytes
  for (char c : s) h = (h ^ static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c)) * 1099511628211ULL;
  return h;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // names are mostly written as they are stored
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace platform
