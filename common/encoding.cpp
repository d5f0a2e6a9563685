#include "common/encoding.h"

#include <unordered_map>

#include "platform/object.h"
#include "platform/registry.h"

namespace merxa {

namespace {

// The thread's encoder, made on first use, and its members bound by name once, the way a
// caller binds a late-bound name to its member before calling it many times. It is created
// directly, not through the object context: it holds no state and joins no transaction.
struct Encoder {
  platform::ObjectPtr object;
  std::unordered_map<const char*, platform::BoundMember> members;  // by operation name literal
};
thread_local Encoder encoder;

std::string encode(const char* operation, Variant value) {
  if (!encoder.object) encoder.object = platform::createObject("Corvane.SqlEncoder");
  auto member = encoder.members.find(operation);
  if (member == encoder.members.end())
    member = encoder.members.try_emplace(operation, encoder.object, operation).first;
  // One argument list per thread, so that a literal costs no allocation of its own.
  thread_local platform::Args args(1);
  args[0] = std::move(value);
  Variant literal = member->second(args);
  args[0] = Variant();
  return std::move(literal).toString();
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
