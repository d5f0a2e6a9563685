#include "platform/data/postgres/types.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>
#include <limits>

#include "platform/data/types.h"
#include "platform/error.h"

namespace {

using namespace platform;
using namespace platform::data;
using postgres::describeType;
using postgres::parameterText;
using postgres::valueFromText;

// numeric(p,s) as the server writes it into the type modifier.
int numericTypmod(int precision, int scale) { return ((precision << 16) | scale) + 4; }

constexpr Oid kInt8 = 20, kVarchar = 1043, kNumeric = 1700, kInt2 = 21, kTimestamp = 1114;

TEST(PostgresTypes, MoneyAmountsReadExactlyAsCurrency) {
  struct Case {
    const char* text;
    int64_t scaled;
  } cases[] = {
      {"12.3456", 123456},
      {"-0.0001", -1},
      {"7", 70000},
      {"0.5", 5000},
      {"0.00005", 1},  // a fifth decimal rounds half away from zero, as the server does
      {"-12.34565", -123457},
      {"922337203685477.5807", std::numeric_limits<int64_t>::max()},
      {"-922337203685477.5808", std::numeric_limits<int64_t>::min()},
  };
  for (const Case& c : cases) {
    const Variant v = valueFromText(adCurrency, c.text);
    ASSERT_EQ(v.type(), VarType::Currency) << c.text;
    EXPECT_EQ(v.rawCurrency(), c.scaled) << c.text;
  }
  for (const char* outOfRange : {"922337203685477.5808", "99999999999999999999"}) {
    try {
      valueFromText(adCurrency, outOfRange);
      ADD_FAILURE() << outOfRange;
    } catch (const ComError& e) {
      EXPECT_EQ(e.errNumber(), vb::Overflow);
    }
  }
}

TEST(PostgresTypes, DecimalTextReadsToTheNearestDoubleAsTheGeneralParserReadsIt) {
  // Plain decimals take a short path; it must land on the very double the general parser
  // finds, also near the limits of that path and for texts it leaves to the parser.
  auto general = [](const std::string& text) {
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
  };
  std::vector<std::string> texts = {"0", "-0", "12.5", "2911.90", "0.1", "0.29", "-1234.5678", "9007199254740992",
                                    "9007199254740993", "900719925474099.3", "0.0000000000000000000001",
                                    "0.00000000000000000000001", "123456789012345678", "1234567890123456789",
                                    "1e-05", "1.5E+20", "00012.50"};
  uint64_t seed = 88172645463325252ULL;  // xorshift: the same texts every run
  for (int i = 0; i < 20000; ++i) {
    seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
    const int decimals = static_cast<int>(seed % 9);
    const uint64_t units = (seed >> 8) % 100000000000000ULL;
    std::string digits = std::to_string(units);
    if (decimals > 0) {
      if (digits.size() <= static_cast<size_t>(decimals)) digits.insert(0, decimals + 1 - digits.size(), '0');
      digits.insert(digits.size() - decimals, ".");
    }
    texts.push_back((seed & 1 ? "-" : "") + digits);
  }
  for (const std::string& text : texts) {
    const double read = valueFromText(adDouble, text).rawDouble();
    EXPECT_EQ(std::signbit(read), std::signbit(general(text))) << text;
    EXPECT_EQ(read, general(text)) << text;
  }
}

TEST(PostgresTypes, ValuesReadAsTheEmbeddedDatabaseReadsTheSameDeclaration) {
  EXPECT_EQ(valueFromText(adInteger, "-42").type(), VarType::Long);
  // A count beyond a Long stays a number.
  EXPECT_EQ(valueFromText(adInteger, "3000000000").rawDouble(), 3000000000.0);
  EXPECT_EQ(valueFromText(adSmallInt, "7").type(), VarType::Integer);
  EXPECT_EQ(valueFromText(adBigInt, "5").type(), VarType::Double);
  EXPECT_EQ(valueFromText(adDouble, "0.1").rawDouble(), 0.1);
  EXPECT_TRUE(std::isnan(valueFromText(adDouble, "NaN").rawDouble()));
  EXPECT_EQ(valueFromText(adNumeric, "12.50").rawDouble(), 12.5);
  for (auto [text, expected] : {std::pair{"t", true}, {"f", false}, {"1", true}, {"0", false}, {"5", true}})
    EXPECT_EQ(valueFromText(adBoolean, text).toBool(), expected) << text;
  EXPECT_EQ(valueFromText(adDBTimeStamp, "2024-03-05 14:30:00").toDate().serial,
            Date::fromParts(2024, 3, 5, 14, 30, 0).serial);
  // A date the platform cannot hold is kept as the server wrote it rather than lost.
  EXPECT_EQ(valueFromText(adDBTimeStamp, "infinity").toString(), "infinity");
  EXPECT_EQ(valueFromText(adVarWChar, "O'Brien").toString(), "O'Brien");
}

TEST(PostgresTypes, ParametersTravelInATextFormTheServerReadsBack) {
  EXPECT_FALSE(parameterText(Variant::null()));
  EXPECT_FALSE(parameterText(Variant()));
  EXPECT_FALSE(parameterText(Variant::missing()));
  EXPECT_EQ(*parameterText(Variant(true)), "1");
  EXPECT_EQ(*parameterText(Variant(false)), "0");
  EXPECT_EQ(*parameterText(Variant::integer(-5)), "-5");
  EXPECT_EQ(*parameterText(Variant(0.1)), "0.1");
  EXPECT_EQ(*parameterText(Variant(1e300)), "1e+300");
  // Both databases refuse what the platform's Doubles cannot be.
  EXPECT_THROW(parameterText(Variant(std::numeric_limits<double>::infinity())), platform::ComError);
  EXPECT_EQ(*parameterText(Variant(Currency{-1})), "-0.0001");
  EXPECT_EQ(*parameterText(Variant(Currency{std::numeric_limits<int64_t>::min()})), "-922337203685477.5808");
  EXPECT_EQ(*parameterText(Variant(Date::fromParts(2020, 1, 2, 3, 4, 5))), "2020-01-02 03:04:05");
  EXPECT_EQ(*parameterText(Variant("a'b")), "a'b");
}

TEST(PostgresTypes, ParametersTheServerCannotTakeAreRefused) {
  try {
    parameterText(Variant(std::string("a\0b", 3)));
    ADD_FAILURE();
  } catch (const ComError& e) {
    EXPECT_EQ(e.errNumber(), vb::InvalidArgument);
  }
  try {
    parameterText(Variant::array({Variant(1)}));
    ADD_FAILURE();
  } catch (const ComError& e) {
    EXPECT_EQ(e.errNumber(), vb::TypeMismatch);
  }
}

TEST(PostgresTypes, ColumnTypesFollowTheSqlServerDeclarations) {
  ColumnInfo c;
  describeType(kNumeric, numericTypmod(19, 4), {}, false, c);
  EXPECT_EQ(c.type, adCurrency);
  describeType(kNumeric, numericTypmod(10, 2), {}, false, c);
  EXPECT_EQ(c.type, adNumeric);
  EXPECT_EQ(c.precision, 10);
  EXPECT_EQ(c.scale, 2);
  describeType(kVarchar, 20 + 4, {}, false, c);
  EXPECT_EQ(c.type, adVarWChar);
  EXPECT_EQ(c.definedSize, 20);
  describeType(kInt2, -1, "flag", false, c);
  EXPECT_EQ(c.type, adBoolean);
  describeType(kTimestamp, 0, {}, false, c);
  EXPECT_EQ(c.type, adDBTimeStamp);
  // COUNT(*) is bigint here and integer on the embedded database.
  describeType(kInt8, -1, {}, true, c);
  EXPECT_EQ(c.type, adInteger);
  describeType(kInt8, -1, {}, false, c);
  EXPECT_EQ(c.type, adBigInt);
}

}  // namespace

namespace {

// The server's timestamps are read on a short path; it must give what the general date
// reading gives, and leave every other form to it.
TEST(PostgresTypes, TimestampsReadAsTheGeneralDateReadingReadsThem) {
  for (const char* text : {"2024-02-29 23:59:59", "1899-12-30 00:00:00", "1753-01-01 12:00:01", "9999-12-31 23:59:59",
                           "2026-12-09", "1899-12-29 06:00:00", "2024-03-01 08:30:00.5", "0044-03-15 00:00:00"}) {
    platform::Date expected;
    const platform::Variant v = valueFromText(platform::data::adDBTimeStamp, text);
    if (!platform::parseDateText(text, expected)) {  // outside the platform's dates: kept as text
      EXPECT_EQ(v.type(), platform::VarType::String) << text;
      continue;
    }
    ASSERT_EQ(v.type(), platform::VarType::Date) << text;
    EXPECT_EQ(v.toDate().serial, expected.serial) << text;
  }
}

}  // namespace
