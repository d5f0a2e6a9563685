// Criteria of Recordset.Find and Recordset.Filter, and the field list of Recordset.Sort.
//
// A criterion is `column op value`: op is one of = <> < > <= >= LIKE; the column a plain
// name or [a name with blanks]; the value a number, 'text' (a doubled quote stands for one),
// #date# or #text#, or True/False. LIKE takes * or % only at the end or at both ends. Filter
// joins criteria with AND and OR (AND binds closer) and parentheses; Find takes exactly one.
// Text compares without regard to letter case; a Null field value matches nothing.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/value.h"

namespace platform::data {

// The index of a column by name (letter case ignored), -1 when unknown.
using ColumnLookup = std::function<int(std::string_view)>;

struct Condition {
  enum class Op { Eq, Ne, Lt, Le, Gt, Ge, Like };
  int column = 0;
  Op op = Op::Eq;
  Variant value;
  bool matches(const Variant& fieldValue) const;
};

// A criteria string as OR-ed groups of AND-ed conditions.
struct Criteria {
  std::vector<std::vector<Condition>> anyOf;
  bool matches(const std::vector<Variant>& row) const;
  bool single() const { return anyOf.size() == 1 && anyOf[0].size() == 1; }
};

// Fails with 3001 when the text is no criteria and 3265 for an unknown column.
Criteria parseCriteria(std::string_view text, const ColumnLookup& lookup);

struct SortKey {
  int column = 0;
  bool descending = false;
};

// "A, B DESC, C ASC"; "" gives no keys. Fails with 3265 for an unknown column, 3001 when
// malformed.
std::vector<SortKey> parseSort(std::string_view text, const ColumnLookup& lookup);

// The order Sort puts two field values in: Null first, then numbers and dates by value, text
// without regard to letter case, False before True.
int compareForSort(const Variant& a, const Variant& b);

}  // namespace platform::data
