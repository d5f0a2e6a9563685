// Locale formatting ("CorvoLibrary.DataFunctions"): dates, numbers and amounts written the way
// a customer's locale writes them, with the locale named by its Windows locale identifier
// (1033 English (United States), 1031 German (Germany), 2057 English (United Kingdom), ...).
//
// The identifier is mapped to a locale by ICU's own table of Windows identifiers; the formats
// are ICU's for that locale:
//   DateTime        the short numeric date with a four-digit year (ICU's best pattern for the
//                   skeleton "yMd"; 12/31/2000 in 1033, 31.12.2000 in 1031, 31/12/2543 in 1054,
//                   whose calendar is the Buddhist one), and with the time of day (hours,
//                   minutes and seconds) when asked for
//   FormatNumber    the number with the locale's separators and two decimals (1,234.50 / 1.234,50)
//   FormatCurrency  the number in the locale's currency format; style 8 leaves the currency
//                   symbol off, since callers write it in front themselves; any other style
//                   writes it as the locale does
//   CurrencySymbol  the symbol of the locale's currency ($, €, £)
// Dates are wall-clock values: they are formatted as they stand, without a time-zone shift.
//
// An identifier ICU does not know fails with kUnknownLocale. The ICU formatters of a locale
// are made once per thread and kept for the thread's life, so the object itself is cheap.
#pragma once

#include <cstdint>
#include <string>

#include "platform/object.h"

namespace enterprise {

constexpr int32_t kUnknownLocale = static_cast<int32_t>(0x80040601);
constexpr int32_t kFormattingFailed = static_cast<int32_t>(0x80040602);

// The ICU locale name of a Windows locale identifier ("en_US" for 1033); kUnknownLocale when
// ICU has none.
std::string icuLocaleOf(int32_t localeId);

class DataFunctions : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // `withTime` True asks for the time of day as well; Missing or False gives the date only.
  std::string DateTime(const platform::Variant& value, int32_t localeId, const platform::Variant& withTime);
  std::string FormatNumber(double value, int32_t localeId);
  std::string FormatCurrency(double value, int32_t localeId, int32_t style);
  std::string CurrencySymbol(int32_t localeId);
};

}  // namespace enterprise
