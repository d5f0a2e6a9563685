// SQL encoder ("Corvane.SqlEncoder"): renders values as complete SQL literals for statements
// that are assembled as text.
//
// Every literal is meant to stand directly after a comparison operator or inside a VALUES
// list, and is accepted alike by SQLite and by PostgreSQL (with standard_conforming_strings
// on, the server default):
//   text     'O''Brien'               every single quote doubled; a NUL character or text
//                                      that is not UTF-8 is refused
//   LIKE     'AB%'                    the caller's wildcards % and _ kept, quotes doubled
//   integer  -42                      32-bit, plain decimal
//   double   0.1, 1e+300              shortest text that reads back to the same double, "."
//                                     as separator whatever the locale; NaN/Inf are refused
//   flag     0, 1, 17                 Boolean True/False as 1/0. A number is its unsigned
//                                     8-bit value, unchanged (callers pass ERP instance
//                                     numbers this way too, so 5 must stay 5), except 255:
//                                     that is True converted to a byte (CByte(True)), and a
//                                     flag stored as 255 would never match "= 1"
//   date     '2024-03-05 14:30:00'    the form the databases store dates in
// Null gives the word NULL for every kind.
//
// The free functions are what code inside this library uses for its own statements, so that
// there is exactly one quoting routine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/object.h"

namespace enterprise {

std::string sqlText(std::string_view text);
std::string sqlLong(int32_t value);
std::string sqlDouble(double value);
std::string sqlFlag(uint8_t value);
std::string sqlDate(platform::Date value);
std::string sqlCurrency(platform::Currency value);  // exact, four decimals
// The literal of a value by its own type: NULL, a flag for a Boolean, a number, a date or a
// text literal. This is what the stand-ins use for values read back from the database.
std::string sqlLiteralOf(const platform::Variant& value);

class SqlEncoder : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  std::string SqlValue(const platform::Variant& value);  // any value as a text literal
  std::string SqlText(const platform::Variant& value);
  std::string SqlLike(const platform::Variant& value);
  std::string SqlLong(const platform::Variant& value);
  std::string SqlDouble(const platform::Variant& value);
  std::string SqlFlag(const platform::Variant& value);
  std::string SqlDate(const platform::Variant& value);
};

}  // namespace enterprise
