// Values and type codes: what a field or parameter of a given DataType holds, and how the
// type codes group.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/value.h"

namespace platform::data {

// The value converted to what a field or parameter of `type` holds: Integer for adSmallInt,
// Long for adInteger, Currency for adCurrency, Date for the date types, String for text and
// so on. Null, Empty and Missing give Null. Fails with the conversion's own error (13, 6).
Variant toTypedValue(const Variant& v, int32_t type);

bool isTextType(int32_t type);     // char, varchar, text, their wide forms, BSTR, GUID
bool isWideTextType(int32_t type); // the wide (national) text types
bool isLongType(int32_t type);     // text, ntext, image
bool isFixedType(int32_t type);    // numbers, dates, GUID, fixed char and binary

// The raw type code of a field type, as schema rowsets report it: the character and binary
// types fold into adChar, adWChar and adBinary.
int32_t schemaDataType(int32_t type);

// An optional argument the caller left off (Missing) or passed empty.
inline bool isOmitted(const Variant& v) { return v.isMissing() || v.isEmpty(); }
// A Long argument, or `fallback` when it is omitted or Null.
inline int32_t optionalLong(const Variant& v, int32_t fallback) {
  return isOmitted(v) || v.isNull() ? fallback : v.toLong();
}

// Characters in UTF-8 text.
int64_t characterCount(std::string_view utf8);

}  // namespace platform::data
