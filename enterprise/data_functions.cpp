#include "enterprise/data_functions.h"

#include <unicode/ucurr.h>
#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/uloc.h>
#include <unicode/unum.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace enterprise {

using platform::Variant;

namespace {

constexpr const char* kSource = "CorvoLibrary.DataFunctions";
constexpr double kMillisPerDay = 86400000.0;
constexpr size_t kKeptDates = 4096;  // per locale and thread

[[noreturn]] void fail(const std::string& what, UErrorCode status) {
  platform::raiseError(kFormattingFailed, kSource, what + " (" + u_errorName(status) + ")");
}

std::string toUtf8(const UChar* text, int32_t length) {
  std::string out(static_cast<size_t>(length) * 3 + 1, '\0');
  int32_t written = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &written, text, length, &status);
  if (U_FAILURE(status)) fail("Text conversion failed", status);
  out.resize(static_cast<size_t>(written));
  return out;
}

// An ICU object released by its close function.
template <class T, void (*Close)(T*)>
struct Closer {
  void operator()(T* p) const { Close(p); }
};
using DateFormat = std::unique_ptr<UDateFormat, Closer<UDateFormat, udat_close>>;
using NumberFormat = std::unique_ptr<UNumberFormat, Closer<UNumberFormat, unum_close>>;

// A date format of the locale from ICU's best pattern for `skeleton`, in UTC so that the
// wall-clock value is written as it stands.
DateFormat openDateFormat(const std::string& locale, const char16_t* skeleton) {
  UErrorCode status = U_ZERO_ERROR;
  UDateTimePatternGenerator* generator = udatpg_open(locale.c_str(), &status);
  if (U_FAILURE(status)) fail("No date patterns for locale " + locale, status);
  UChar pattern[128];
  const int32_t length = udatpg_getBestPattern(generator, skeleton, -1, pattern, 128, &status);
  udatpg_close(generator);
  if (U_FAILURE(status)) fail("No date pattern for locale " + locale, status);
  DateFormat format(udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.c_str(), u"UTC", -1, pattern, length, &status));
  if (U_FAILURE(status)) fail("No date format for locale " + locale, status);
  return format;
}

NumberFormat openNumberFormat(const std::string& locale, int32_t decimals) {
  UErrorCode status = U_ZERO_ERROR;
  NumberFormat format(unum_open(UNUM_DECIMAL, nullptr, 0, locale.c_str(), nullptr, &status));
  if (U_FAILURE(status)) fail("No number format for locale " + locale, status);
  unum_setAttribute(format.get(), UNUM_GROUPING_USED, 1);
  unum_setAttribute(format.get(), UNUM_MIN_FRACTION_DIGITS, decimals);
  unum_setAttribute(format.get(), UNUM_MAX_FRACTION_DIGITS, decimals);
  unum_setAttribute(format.get(), UNUM_ROUNDING_MODE, UNUM_ROUND_HALFUP);
  return format;
}

// The wall-clock value of an OLE date as ICU's milliseconds since 1970 (UTC).
UDate udateOf(platform::Date date) {
  int y, m, d, h, mi, s;
  date.toParts(y, m, d, h, mi, s);
  const auto days = std::chrono::sys_days(std::chrono::year(y) / std::chrono::month(static_cast<unsigned>(m)) /
                                          std::chrono::day(static_cast<unsigned>(d)))
                        .time_since_epoch()
                        .count();
  return static_cast<double>(days) * kMillisPerDay + ((h * 60.0 + mi) * 60.0 + s) * 1000.0;
}

// The text an ICU formatting call writes into a buffer.
template <class Format>
std::string formatted(const char* what, Format format) {
  UChar buffer[128];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = format(buffer, 128, &status);
  if (U_FAILURE(status)) fail(std::string(what) + " formatting failed", status);
  return toUtf8(buffer, length);
}

std::string formatDate(UDateFormat* format, UDate date) {
  return formatted("Date", [&](UChar* b, int32_t n, UErrorCode* s) { return udat_format(format, date, b, n, nullptr, s); });
}

std::string formatDouble(UNumberFormat* format, double value) {
  return formatted("Number",
                   [&](UChar* b, int32_t n, UErrorCode* s) { return unum_formatDouble(format, value, b, n, nullptr, s); });
}

// A locale's plain decimal writing, done without ICU's general machinery: an optional minus
// sign, the integer digits in groups, the decimal symbol and a fixed number of decimals,
// rounded half away from zero on the value's shortest decimal form as ICU rounds it. Most
// locales write numbers so; one that does not (other digits, signs around the number, ...)
// is noticed when the formatter is made, since its answers for a set of probes must equal
// ICU's, and keeps ICU. An order form formats hundreds of amounts, and this is the bulk of it.
class PlainDecimal {
 public:
  PlainDecimal(UNumberFormat* icu, int32_t decimals) : decimals_(decimals) {
    minus_ = symbol(icu, UNUM_MINUS_SIGN_SYMBOL);
    decimal_ = symbol(icu, UNUM_DECIMAL_SEPARATOR_SYMBOL);
    group_ = symbol(icu, UNUM_GROUPING_SEPARATOR_SYMBOL);
    primary_ = unum_getAttribute(icu, UNUM_GROUPING_SIZE);
    secondary_ = unum_getAttribute(icu, UNUM_SECONDARY_GROUPING_SIZE);
    if (secondary_ <= 0) secondary_ = primary_;
    minimumGrouping_ = std::max(1, unum_getAttribute(icu, UNUM_MINIMUM_GROUPING_DIGITS));
    usable_ = primary_ > 0;
    for (double probe : {0.0, 0.004, -0.004, 0.005, -0.005, 1.005, 2.675, 12.0, -1234.5, 1234.5, 12345.678, 999.995,
                         1234567.891, -98765432.1, 123456789012.345, 1e14 + 0.5})
      if (usable_) usable_ = format(probe) == std::optional(formatDouble(icu, probe));
  }

  bool usable() const { return usable_; }

  // Nothing when the value is beyond what the plain path writes.
  std::optional<std::string> format(double value) const {
    char units[80];  // the digits in units of the last decimal kept, at least one whole digit
    size_t n = 0;
    if (!roundedQuickly(std::fabs(value), units, n) && !roundedOnShortestForm(std::fabs(value), units, n))
      return std::nullopt;
    const int wholeDigits = static_cast<int>(n) - decimals_;

    const bool grouped = wholeDigits >= primary_ + minimumGrouping_;
    std::string out(minus_.size() + n + static_cast<size_t>(wholeDigits) * group_.size() + decimal_.size(), '\0');
    char* at = out.data();
    const auto put = [&at](const std::string& s) { at = std::copy(s.begin(), s.end(), at); };
    if (std::signbit(value)) put(minus_);
    for (int i = 0; i < wholeDigits; ++i) {
      const int left = wholeDigits - i;  // digits from here to the decimal point
      if (grouped && i > 0 && (left == primary_ || (left > primary_ && (left - primary_) % secondary_ == 0)))
        put(group_);
      *at++ = units[i];
    }
    if (decimals_ > 0) {
      put(decimal_);
      at = std::copy(units + wholeDigits, units + n, at);
    }
    out.resize(static_cast<size_t>(at - out.data()));
    return out;
  }

 private:
  // The rounding of the shortest decimal form of `magnitude`, read from the double itself
  // where that form cannot decide otherwise: the value in units of the last decimal kept is
  // far enough from a half that no decimal form within the double's precision rounds the
  // other way. Amounts of a document (whole cents, mostly) all take this path.
  bool roundedQuickly(double magnitude, char* units, size_t& n) const {
    if (decimals_ > 6 || (magnitude != 0 && magnitude < 1e-6)) return false;
    double scale = 1;
    for (int32_t i = 0; i < decimals_; ++i) scale *= 10;
    const double scaled = magnitude * scale;
    if (!(scaled < 4e15)) return false;  // below 2^52, where a double's fraction is exact
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) <= (scaled + 1) * 1e-13) return false;  // too close to a half
    auto rounded = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    char reversed[24];
    size_t digits = 0;
    do {
      reversed[digits++] = static_cast<char>('0' + rounded % 10);
      rounded /= 10;
    } while (rounded != 0);
    while (digits < static_cast<size_t>(decimals_) + 1) reversed[digits++] = '0';
    for (n = 0; n < digits; ++n) units[n] = reversed[digits - 1 - n];
    return true;
  }

  // The same on the shortest decimal form written out: its digits in units of the last
  // decimal kept, rounded half up on the first digit dropped.
  bool roundedOnShortestForm(double magnitude, char* units, size_t& n) const {
    char shortest[64];
    const auto written = std::to_chars(shortest, shortest + sizeof shortest, magnitude, std::chars_format::fixed);
    if (written.ec != std::errc()) return false;  // a tiny value with very many zeros
    const std::string_view text(shortest, static_cast<size_t>(written.ptr - shortest));
    const size_t point = std::min(text.find('.'), text.size());
    const std::string_view fraction = point < text.size() ? text.substr(point + 1) : std::string_view();
    char padded[80];
    size_t length = 1;
    padded[0] = '0';  // room for a carry
    for (size_t i = 0; i < point; ++i) padded[length++] = text[i];
    for (int32_t i = 0; i < decimals_; ++i)
      padded[length++] = static_cast<size_t>(i) < fraction.size() ? fraction[i] : '0';
    if (fraction.size() > static_cast<size_t>(decimals_) && fraction[decimals_] >= '5') {
      size_t i = length;
      while (padded[i - 1] == '9') padded[--i] = '0';
      ++padded[i - 1];
    }
    const size_t first = padded[0] == '0' ? 1 : 0;
    n = length - first;
    std::copy(padded + first, padded + length, units);
    return true;
  }

  static std::string symbol(UNumberFormat* icu, UNumberFormatSymbol which) {
    UChar buffer[16];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = unum_getSymbol(icu, which, buffer, 16, &status);
    return U_SUCCESS(status) ? toUtf8(buffer, length) : std::string();
  }

  int32_t decimals_;
  std::string minus_, decimal_, group_;
  int32_t primary_ = 3, secondary_ = 3, minimumGrouping_ = 1;
  bool usable_ = false;
};

// A number format of one locale with a fixed number of decimals, on the plain path when the
// locale allows it.
struct DecimalFormat {
  NumberFormat icu;
  std::unique_ptr<PlainDecimal> plain;

  DecimalFormat(const std::string& locale, int32_t decimals) : icu(openNumberFormat(locale, decimals)) {
    plain = std::make_unique<PlainDecimal>(icu.get(), decimals);
    if (!plain->usable()) plain.reset();
  }
  std::string format(double value) const {
    // Beyond 15 digits a double has no exact decimal form worth the plain path's trouble.
    if (plain && std::isfinite(value) && std::fabs(value) < 1e15)
      if (std::optional<std::string> text = plain->format(value)) return *text;
    return formatDouble(icu.get(), value);
  }
};

// What one locale needs, made on first use.
struct LocaleFormats {
  std::string name;
  std::u16string currencyCode;  // ISO 4217, empty when the locale has no currency
  std::string symbol;
  DateFormat date, dateTime;
  // The texts of the dates written so far, by ICU's value: documents repeat their dates (a
  // basket's request dates, today), and ICU's date formatting is costly. Bounded, since a
  // thread lives as long as the server.
  std::unordered_map<UDate, std::string> dateTexts, dateTimeTexts;
  std::unique_ptr<DecimalFormat> number, currency;
  NumberFormat currencyWithSymbol;

  explicit LocaleFormats(std::string locale) : name(std::move(locale)) {
    UErrorCode status = U_ZERO_ERROR;
    UChar code[4] = {0};
    const int32_t length = ucurr_forLocale(name.c_str(), code, 4, &status);
    if (U_SUCCESS(status) && length == 3) currencyCode.assign(reinterpret_cast<const char16_t*>(code), 3);
  }

  const UChar* currencyCodeOrNull() const { return currencyCode.empty() ? nullptr : currencyCode.c_str(); }

  int32_t currencyDecimals() const {
    if (!currencyCodeOrNull()) return 2;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t digits = ucurr_getDefaultFractionDigits(currencyCodeOrNull(), &status);
    return U_SUCCESS(status) ? digits : 2;
  }
};

// The formats of this thread, by locale identifier. ICU formatters may not be shared between
// threads while in use; one set per thread needs no lock.
LocaleFormats& formatsOf(int32_t localeId) {
  thread_local std::map<int32_t, std::unique_ptr<LocaleFormats>> cache;
  thread_local std::pair<int32_t, LocaleFormats*> last{0, nullptr};  // a document asks for one locale
  if (last.second && last.first == localeId) return *last.second;
  auto& slot = cache[localeId];
  if (!slot) slot = std::make_unique<LocaleFormats>(icuLocaleOf(localeId));
  last = {localeId, slot.get()};
  return *slot;
}

}  // namespace

std::string icuLocaleOf(int32_t localeId) {
  char name[ULOC_FULLNAME_CAPACITY] = {0};
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length =
      localeId > 0 ? uloc_getLocaleForLCID(static_cast<uint32_t>(localeId), name, sizeof name, &status) : 0;
  // For an identifier it does not know, ICU answers the locale of its primary language; only
  // a locale that maps back to the same identifier is the one asked for.
  if (U_FAILURE(status) || length <= 0 || uloc_getLCID(name) != static_cast<uint32_t>(localeId))
    platform::raiseError(kUnknownLocale, kSource, "Unknown locale identifier " + std::to_string(localeId));
  return std::string(name, static_cast<size_t>(length));
}

const platform::DispatchTable& DataFunctions::dispatch() const {
  static const platform::DispatchTable table = platform::Members<DataFunctions>(kSource)
                                                   .method("DateTime", &DataFunctions::DateTime, 1)
                                                   .method("FormatNumber", &DataFunctions::FormatNumber)
                                                   .method("FormatCurrency", &DataFunctions::FormatCurrency)
                                                   .method("CurrencySymbol", &DataFunctions::CurrencySymbol);
  return table;
}

std::string DataFunctions::DateTime(const Variant& value, int32_t localeId, const Variant& withTime) {
  const UDate date = udateOf(value.toDate());
  LocaleFormats& f = formatsOf(localeId);
  const bool timeOfDay = !withTime.isMissing() && withTime.toBool();
  DateFormat& format = timeOfDay ? f.dateTime : f.date;
  std::unordered_map<UDate, std::string>& texts = timeOfDay ? f.dateTimeTexts : f.dateTexts;
  if (const auto known = texts.find(date); known != texts.end()) return known->second;
  if (!format) format = openDateFormat(f.name, timeOfDay ? u"yMdjms" : u"yMd");
  std::string text = formatDate(format.get(), date);
  if (texts.size() >= kKeptDates) texts.clear();
  texts.emplace(date, text);
  return text;
}

std::string DataFunctions::FormatNumber(double value, int32_t localeId) {
  LocaleFormats& f = formatsOf(localeId);
  if (!f.number) f.number = std::make_unique<DecimalFormat>(f.name, 2);
  return f.number->format(value);
}

std::string DataFunctions::FormatCurrency(double value, int32_t localeId, int32_t style) {
  LocaleFormats& f = formatsOf(localeId);
  if (style & 8) {
    if (!f.currency) f.currency = std::make_unique<DecimalFormat>(f.name, f.currencyDecimals());
    return f.currency->format(value);
  }
  if (!f.currencyWithSymbol) {
    UErrorCode status = U_ZERO_ERROR;
    f.currencyWithSymbol.reset(unum_open(UNUM_CURRENCY, nullptr, 0, f.name.c_str(), nullptr, &status));
    if (U_FAILURE(status)) fail("No currency format for locale " + f.name, status);
  }
  return formatDouble(f.currencyWithSymbol.get(), value);
}

std::string DataFunctions::CurrencySymbol(int32_t localeId) {
  LocaleFormats& f = formatsOf(localeId);
  if (f.symbol.empty() && f.currencyCodeOrNull()) {
    UErrorCode status = U_ZERO_ERROR;
    UBool isChoiceFormat = false;
    int32_t length = 0;
    const UChar* symbol =
        ucurr_getName(f.currencyCodeOrNull(), f.name.c_str(), UCURR_SYMBOL_NAME, &isChoiceFormat, &length, &status);
    if (U_FAILURE(status)) fail("No currency symbol for locale " + f.name, status);
    f.symbol = toUtf8(symbol, length);
  }
  return f.symbol;
}

}  // namespace enterprise
