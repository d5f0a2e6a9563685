// Command-line arguments as the merxa command reads them.
#include "host/json.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/dictionary.h"

namespace {

using host::parseArgument;
using platform::Variant;
using platform::VarType;

TEST(Arguments, JsonValuesBecomeTheValuesACallTakesAndOtherWordsStayText) {
  struct Case {
    const char* text;
    VarType type;
    const char* asText;
  };
  const Case cases[] = {
      {"1001", VarType::Long, "1001"},
      {"-7", VarType::Long, "-7"},
      {"2.5", VarType::Double, "2.5"},
      {"3000000000", VarType::Double, "3000000000"},
      {"true", VarType::Boolean, "True"},
      {"\"007\"", VarType::String, "007"},
      {"007", VarType::String, "007"},                                  // leading zeros: an identifier
      {"1234567890123456789", VarType::String, "1234567890123456789"},  // too long for a Double
      {"hello", VarType::String, "hello"},
      {"{\"a\":", VarType::String, "{\"a\":"},                          // not JSON
  };
  for (const Case& c : cases) {
    const Variant v = parseArgument(c.text);
    EXPECT_EQ(v.type(), c.type) << c.text;
    EXPECT_EQ(v.toString(), c.asText) << c.text;
  }
  EXPECT_TRUE(parseArgument("null").isNull());
}

TEST(Arguments, AnObjectIsADictionaryInTheOrderWritten) {
  const Variant v = parseArgument(R"({"zeta": 1, "alpha": [1, "x"], "inner": {"k": null}})");
  auto dict = v.as<platform::Dictionary>();
  ASSERT_TRUE(dict);
  std::vector<std::string> keys;
  for (const auto& [k, item] : dict->entries()) keys.push_back(k.toString());
  EXPECT_EQ(keys, (std::vector<std::string>{"zeta", "alpha", "inner"}));
  EXPECT_EQ(dict->Item(Variant("alpha")).array().items.at(1).toString(), "x");
  EXPECT_TRUE(dict->Item(Variant("inner")).as<platform::Dictionary>()->Item(Variant("k")).isNull());
}

TEST(Arguments, ANumberBeyondADoublesRangeIsRefused) {
  EXPECT_THROW(parseArgument("1e400"), std::invalid_argument);
  EXPECT_THROW(parseArgument("[1, -1e400]"), std::invalid_argument);
  EXPECT_THROW(parseArgument(" -1.5E+400 "), std::invalid_argument);
  // An identifier that only starts like such a number (a hexadecimal key) stays text.
  EXPECT_EQ(parseArgument("1E515EB4EDBD4088B779831FB05A84F0").toString(), "1E515EB4EDBD4088B779831FB05A84F0");
  EXPECT_EQ(parseArgument("9e999x").toString(), "9e999x");
}

}  // namespace
