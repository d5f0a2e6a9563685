// The values of a one-row INSERT lifted out of its text into parameters, so that inserts
// that differ only in their values share one compiled statement:
//
//   INSERT INTO T (A, B, C) VALUES ('x', 5, NULL)  ->  INSERT INTO T (A, B, C) VALUES (?, ?, NULL)
//                                                      with 'x' and 5
//
// Only whole values are lifted: a quoted text, a whole number that fits a Long and, where the
// engine allows it, a decimal number of at most 15 significant digits without exponent.
// NULL, expressions, keywords and anything else stay in the text, and a statement that
// already has placeholders, holds more than one row or more than one statement is left alone.
// A lifted value is bound as the type its literal has, so the engine stores what the literal
// would have stored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/value.h"

namespace platform::data {

struct LiftedInsert {
  std::string sql;              // the text with a placeholder per lifted value
  std::vector<Variant> values;  // by placeholder number - 1
};

struct LiftOptions {
  bool numberedPlaceholders = false;  // $1, $2, ... instead of ?
  bool decimals = true;               // lift decimal numbers too
};

// The lifted form of `sql`; false (and `out` unspecified) when nothing is lifted.
bool liftInsertValues(std::string_view sql, const LiftOptions& options, LiftedInsert& out);

}  // namespace platform::data
