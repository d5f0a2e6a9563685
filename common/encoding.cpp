#include "common/encoding.h"

#include "platform/registry.h"

namespace merxa {

namespace {

thread_local platform::ObjectPtr encoder;

// The thread's encoder, made on first use. It is created directly, not through the object
// context: it holds no state and joins no transaction.
std::string encode(const char* operation, Variant value) {
  if (!encoder) encoder = platform::createObject("Corvane.SqlEncoder");
  return encoder->call(operation, {std::move(value)}).toString();
}

}  // namespace

std::string SqlLiteralValue(const Variant& value) {
  if (value.isNull()) return "NULL";
  return encode("SqlText", Variant(value.toString()));
}

std::string SqlLiteralText(const std::string& text) { return encode("SqlText", Variant(text)); }
std::string SqlLiteralLong(int32_t value) { return encode("SqlLong", Variant(value)); }
std::string SqlLiteralDouble(double value) { return encode("SqlDouble", Variant(value)); }
std::string SqlLiteralDate(platform::Date value) { return encode("SqlDate", Variant(value)); }
std::string SqlLiteralFlag(uint8_t value) { return encode("SqlFlag", Variant::byte(value)); }
std::string SqlLiteralLike(const std::string& pattern) { return encode("SqlLike", Variant(pattern)); }

}  // namespace merxa
