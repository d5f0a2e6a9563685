#include "enterprise/data_functions.h"

#include <gtest/gtest.h>
#include <unicode/ucurr.h>
#include <unicode/unum.h>
#include <unicode/ustring.h>

#include <cmath>
#include <random>
#include <string>

#include "platform/value.h"

namespace {

using platform::Variant;

// What ICU itself writes for a value with `decimals` decimals, rounding half up: the answer
// the locale formatting must give, however it gets there.
std::string icuWrites(int32_t localeId, double value, int32_t decimals) {
  UErrorCode status = U_ZERO_ERROR;
  const std::string locale = enterprise::icuLocaleOf(localeId);
  UNumberFormat* f = unum_open(UNUM_DECIMAL, nullptr, 0, locale.c_str(), nullptr, &status);
  unum_setAttribute(f, UNUM_MIN_FRACTION_DIGITS, decimals);
  unum_setAttribute(f, UNUM_MAX_FRACTION_DIGITS, decimals);
  unum_setAttribute(f, UNUM_ROUNDING_MODE, UNUM_ROUND_HALFUP);
  UChar text[128];
  const int32_t length = unum_formatDouble(f, value, text, 128, nullptr, &status);
  unum_close(f);
  char utf8[512];
  int32_t written = 0;
  u_strToUTF8(utf8, sizeof utf8, &written, text, length, &status);
  EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
  return std::string(utf8, static_cast<size_t>(written));
}

// Locales of every kind of number writing: grouping by three and by two then three
// (en-IN), no grouping of four digits (es-ES), spaces and apostrophes as group marks, no
// decimals in the currency (ja-JP), Arabic digits and signs (ar-SA).
const int32_t kLocales[] = {1033, 1031, 1036, 2057, 1043, 3079, 1054, 16393, 3082, 1041, 1049, 2055, 1025, 1045};

TEST(DataFunctions, NumbersAreWrittenAsICUWritesThemInEveryLocale) {
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> scale(0, 13);
  enterprise::DataFunctions df;
  for (int32_t locale : kLocales) {
    for (int i = 0; i < 1500; ++i) {
      double value = unit(random) * std::pow(10.0, scale(random));
      if (i % 3 == 0) value = std::round(value * 1000) / 1000;  // halves at the third decimal
      ASSERT_EQ(df.FormatNumber(value, locale), icuWrites(locale, value, 2)) << locale << " " << value;
    }
    for (double edge : {0.0, -0.0, 0.005, -0.005, 0.015, 1.005, 2.675, 999.995, 9999.995, 1e15, -1e16, 123456.785,
                        1e-300, -4.9e-324})
      EXPECT_EQ(df.FormatNumber(edge, locale), icuWrites(locale, edge, 2)) << locale << " " << edge;
  }
}

// Amounts of whole cents, and values a few units of the last place beside a half, where the
// rounding must be decided on the value's shortest decimal form.
TEST(DataFunctions, AmountsAndNearHalvesAreRoundedAsICURoundsThem) {
  std::mt19937_64 random(20261209);
  std::uniform_int_distribution<int64_t> cents(-100000000000, 100000000000);
  enterprise::DataFunctions df;
  for (int32_t locale : {1033, 1031, 1036, 16393, 1025, 1041}) {
    for (int i = 0; i < 800; ++i) {
      const double amount = static_cast<double>(cents(random) / (i % 2 ? 1 : 10000)) / 100;
      ASSERT_EQ(df.FormatNumber(amount, locale), icuWrites(locale, amount, 2)) << locale << " " << amount;
      const double half = (static_cast<double>(cents(random) % 1000000) + 0.5) / 100;  // x.xx5
      for (double near : {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300),
                          std::nextafter(std::nextafter(half, 0.0), 0.0)})
        ASSERT_EQ(df.FormatNumber(near, locale), icuWrites(locale, near, 2)) << locale << " " << near;
    }
  }
  for (int i = 0; i < 500; ++i) {  // a currency without decimals: halves of a unit
    const double yen = static_cast<double>(cents(random) % 10000000) / 2;
    ASSERT_EQ(df.FormatCurrency(yen, 1041, 8), icuWrites(1041, yen, 0)) << yen;
  }
}

TEST(DataFunctions, DatesWrittenAgainAreWrittenTheSame) {
  enterprise::DataFunctions df;
  const Variant date(platform::Date::fromParts(2026, 12, 24, 0, 0, 0));
  const std::string first = df.DateTime(date, 1031, Variant::missing());
  EXPECT_EQ(first, "24.12.2026");
  EXPECT_EQ(df.DateTime(date, 1031, Variant::missing()), first);
  EXPECT_EQ(df.DateTime(date, 1033, Variant::missing()), "12/24/2026");  // by locale
  EXPECT_NE(df.DateTime(date, 1031, Variant(true)), first);               // and with the time apart
}

TEST(DataFunctions, AmountsWithoutSymbolHaveTheCurrencysDecimals) {
  enterprise::DataFunctions df;
  EXPECT_EQ(df.FormatCurrency(1234.5, 1041, 8), "1,235");       // yen: no decimals
  EXPECT_EQ(df.FormatCurrency(1234.5, 1031, 8), "1.234,50");
  EXPECT_EQ(df.FormatCurrency(1234.5, 1033, 0), "$1,234.50");   // with the symbol as the locale places it
  EXPECT_EQ(df.CurrencySymbol(2057), "\xC2\xA3");
  EXPECT_EQ(df.CurrencySymbol(1041), "\xEF\xBF\xA5");
}

TEST(DataFunctions, DatesAreWallClockValuesInTheLocalesCalendar) {
  enterprise::DataFunctions df;
  const Variant newYear(platform::Date::fromParts(2027, 1, 1, 0, 30, 0));  // no shift into the old year
  EXPECT_EQ(df.DateTime(newYear, 1033, Variant::missing()), "1/1/2027");
  EXPECT_EQ(df.DateTime(newYear, 1031, Variant(true)), "1.1.2027, 00:30:00");
  EXPECT_EQ(df.DateTime(newYear, 1041, Variant(false)), "2027/1/1");
  EXPECT_EQ(df.DateTime(Variant("12/31/2000"), 1054, Variant::missing()), "31/12/2543");
  EXPECT_THROW(df.DateTime(Variant("no date"), 1033, Variant::missing()), platform::ComError);
}

}  // namespace
