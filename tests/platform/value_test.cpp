#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "platform/error.h"
#include "platform/value.h"

namespace {

using platform::ComError;
using platform::Currency;
using platform::Date;
using platform::Variant;
using platform::VarType;

enum class To { Int, Lng, Byte, Dbl, Cur, Bool, Str, Date };

// One conversion: the input, the target, and either the expected value or the VB error number.
struct Case {
  Variant input;
  To target;
  Variant expected;
  int error = 0;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << (c.input.isNull() ? "Null" : c.input.isEmpty() ? "Empty" : c.input.toString()) << " -> target "
      << static_cast<int>(c.target);
}

Variant convert(const Variant& v, To target) {
  switch (target) {
    case To::Int: return Variant::integer(v.toInteger());
    case To::Lng: return Variant(static_cast<int>(v.toLong()));
    case To::Byte: return Variant::byte(v.toByte());
    case To::Dbl: return Variant(v.toDouble());
    case To::Cur: return Variant(v.toCurrency());
    case To::Bool: return Variant(v.toBool());
    case To::Str: return Variant(v.toString());
    case To::Date: return Variant(v.toDate());
  }
  return Variant();
}

std::string describe(const Variant& v) {
  if (v.isNull()) return "Null";
  if (v.isEmpty()) return "Empty";
  return v.toString() + " (type " + std::to_string(static_cast<int>(v.type())) + ")";
}

Case err(Variant in, To to, int n) { return Case{std::move(in), to, Variant(), n}; }
Case ok(Variant in, To to, Variant out) { return Case{std::move(in), to, std::move(out), 0}; }

Variant cur(int64_t scaled) { return Variant(Currency{scaled}); }

const Case kCases[] = {
    // Whole numbers round half to even and overflow with 6.
    ok(0.5, To::Int, Variant::integer(0)),
    ok(1.5, To::Int, Variant::integer(2)),
    ok(2.5, To::Int, Variant::integer(2)),
    ok(-2.5, To::Int, Variant::integer(-2)),
    ok(2345.5678, To::Int, Variant::integer(2346)),
    ok("25427.45", To::Int, Variant::integer(25427)),
    ok(25427.55, To::Int, Variant::integer(25428)),
    ok(-32768.4, To::Int, Variant::integer(-32768)),
    err(32767.5, To::Int, 6),
    err(Variant(40000), To::Int, 6),
    ok(true, To::Int, Variant::integer(-1)),
    ok(Variant(), To::Int, Variant::integer(0)),
    ok("1,234", To::Int, Variant::integer(1234)),
    ok("&HFF", To::Int, Variant::integer(255)),
    err("abc", To::Int, 13),
    err(Variant::null(), To::Int, 94),
    err(2147483647.5, To::Lng, 6),
    err(3e9, To::Lng, 6),
    ok(cur(25000), To::Lng, Variant(2)),
    ok(cur(35000), To::Lng, Variant(4)),
    ok(cur(-25000), To::Lng, Variant(-2)),
    ok(125.5678, To::Byte, Variant::byte(126)),
    ok(true, To::Byte, Variant::byte(255)),
    err(255.5, To::Byte, 6),
    err(Variant(-1), To::Byte, 6),
    // Currency keeps four places.
    ok(1086.429176, To::Cur, cur(10864292)),
    ok("1.00005", To::Cur, cur(10000)),  // text rounds as written, not as its binary double
    ok("-1,234.56785", To::Cur, cur(-12345678)),
    ok("0.00015", To::Cur, cur(2)),
    err("922337203685477.9999", To::Cur, 6),
    err(1e15, To::Cur, 6),
    // Numbers from text.
    ok("1,234.5", To::Dbl, 1234.5),
    ok(" 12 ", To::Dbl, 12.0),
    ok("1e3", To::Dbl, 1000.0),
    ok(true, To::Dbl, -1.0),
    err("12abc", To::Dbl, 13),
    // Beyond a Double's range: an overflow, never an infinity.
    err("1e400", To::Dbl, 6),
    err("-1e400", To::Dbl, 6),
    err("1e400", To::Cur, 6),
    err("1e400", To::Lng, 6),
    err("1e400", To::Bool, 6),
    err(std::numeric_limits<double>::infinity(), To::Dbl, 6),
    err(std::numeric_limits<double>::quiet_NaN(), To::Dbl, 6),
    err(std::numeric_limits<double>::infinity(), To::Cur, 6),
    err(-std::numeric_limits<double>::infinity(), To::Date, 6),
    ok("1e-400", To::Dbl, 0.0),  // too small is zero, as the platform reads it
    // Booleans from text and numbers.
    ok("True", To::Bool, true),
    ok("false", To::Bool, false),
    ok("TRUE", To::Bool, true),
    ok("1", To::Bool, true),
    ok("0", To::Bool, false),
    ok(-0.5, To::Bool, true),
    ok(0.0, To::Bool, false),
    err("ONE", To::Bool, 13),
    err("", To::Bool, 13),
    err(Variant::null(), To::Bool, 94),
    // Text of numbers, booleans and dates.
    ok(437.324, To::Str, "437.324"),
    ok(14111111113353355.345455, To::Str, "1.41111111133534E+16"),
    ok(0.1 + 0.2, To::Str, "0.3"),
    ok(1e15, To::Str, "1E+15"),
    ok(-1.5, To::Str, "-1.5"),
    ok(cur(125000), To::Str, "12.5"),
    ok(cur(-5000), To::Str, "-0.5"),
    ok(true, To::Str, "True"),
    ok(false, To::Str, "False"),
    ok(Date::fromParts(2024, 3, 1), To::Str, "3/1/2024"),
    ok(Date::fromParts(2024, 3, 1, 14, 5, 9), To::Str, "3/1/2024 2:05:09 PM"),
    ok(Date{0.5}, To::Str, "12:00:00 PM"),
    ok(Date{0}, To::Str, "12/30/1899"),
    ok(Variant(), To::Str, ""),
    err(Variant::null(), To::Str, 94),
    // Dates from text and numbers.
    ok("3/1/2024", To::Date, Date::fromParts(2024, 3, 1)),
    ok("2024-03-01 14:05:09", To::Date, Date::fromParts(2024, 3, 1, 14, 5, 9)),
    ok("2:30 PM", To::Date, Date{14.5 / 24}),
    ok("12:00:00 AM", To::Date, Date{0}),
    ok(45000, To::Date, Date{45000}),
    err("13/32/2024", To::Date, 13),
    err("", To::Date, 13),
    err(Variant::null(), To::Date, 94),
};

class Conversion : public ::testing::TestWithParam<Case> {};

TEST_P(Conversion, GivesTheValueOrTheErrorOfTheOriginalPlatform) {
  const Case& c = GetParam();
  if (c.error != 0) {
    try {
      const Variant got = convert(c.input, c.target);
      FAIL() << describe(c.input) << " converted to " << describe(got) << ", expected error " << c.error;
    } catch (const ComError& e) {
      EXPECT_EQ(e.errNumber(), c.error) << describe(c.input);
    }
    return;
  }
  const Variant got = convert(c.input, c.target);
  EXPECT_EQ(got.type(), c.expected.type()) << describe(c.input);
  EXPECT_TRUE(platform::sameKey(got, c.expected)) << describe(c.input) << " gave " << describe(got);
}

INSTANTIATE_TEST_SUITE_P(Table, Conversion, ::testing::ValuesIn(kCases));

TEST(Comparison, NullOnEitherSideIsInvalidUse) {
  try {
    platform::compareValues(Variant::null(), Variant(1));
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.errNumber(), 94);
  }
}

TEST(Comparison, ANumberSortsBelowTextAndEmptyIsZeroOrEmptyText) {
  EXPECT_EQ(platform::compareValues(Variant(5), Variant("1")), -1);
  EXPECT_EQ(platform::compareValues(Variant(), Variant(0)), 0);
  EXPECT_EQ(platform::compareValues(Variant(), Variant("")), 0);
  EXPECT_EQ(platform::compareValues(Variant("B"), Variant("a")), -1);  // binary: upper case first
}

TEST(Numeric, WholeExpressionMustBeANumber) {
  EXPECT_TRUE(platform::isNumeric(Variant()));
  EXPECT_TRUE(platform::isNumeric(Variant(" 45 ")));
  EXPECT_FALSE(platform::isNumeric(Variant("45 Help")));
  EXPECT_FALSE(platform::isNumeric(Variant("1e400")));
  EXPECT_FALSE(platform::isNumeric(Variant(Date{1})));
  EXPECT_FALSE(platform::isNumeric(Variant::null()));
}

}  // namespace
