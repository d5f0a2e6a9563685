// Encoding: values rendered as complete SQL literals, to be written directly after a
// comparison operator or into a VALUES list. This is the one place business SQL gets its
// literals; the rendering itself belongs to the thread's SQL encoder component.
#pragma once

#include <cstdint>
#include <string>

#include "platform/value.h"

namespace merxa {

using platform::Variant;

std::string SqlLiteralValue(const Variant& value);  // NULL, or the text literal of the value's text
std::string SqlLiteralText(const std::string& text);
std::string SqlLiteralLong(int32_t value);
std::string SqlLiteralDouble(double value);
std::string SqlLiteralDate(platform::Date value);
std::string SqlLiteralFlag(uint8_t value);
std::string SqlLiteralLike(const std::string& pattern);

}  // namespace merxa
