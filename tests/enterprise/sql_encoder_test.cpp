#include "enterprise/sql_encoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "tests/support/sales_fixture.h"

namespace {

using enterprise::SqlEncoder;
using platform::ComError;
using platform::Date;
using platform::Variant;

TEST(SqlEncoder, RendersEachKindAsACompleteLiteral) {
  SqlEncoder enc;
  struct Case {
    std::string (SqlEncoder::*kind)(const Variant&);
    Variant value;
    std::string expected;
  };
  const Case cases[] = {
      {&SqlEncoder::SqlText, Variant("O'Brien's"), "'O''Brien''s'"},
      {&SqlEncoder::SqlText, Variant(""), "''"},
      {&SqlEncoder::SqlText, Variant("x' OR '1'='1"), "'x'' OR ''1''=''1'"},
      {&SqlEncoder::SqlValue, Variant(12), "'12'"},
      {&SqlEncoder::SqlValue, Variant(true), "'True'"},
      {&SqlEncoder::SqlLike, Variant("AB%_'"), "'AB%_'''"},
      {&SqlEncoder::SqlLong, Variant(-2147483647 - 1), "-2147483648"},
      {&SqlEncoder::SqlLong, Variant("17"), "17"},
      {&SqlEncoder::SqlDouble, Variant(0.1), "0.1"},
      {&SqlEncoder::SqlDouble, Variant(-1250.5), "-1250.5"},
      {&SqlEncoder::SqlDouble, Variant(1e300), "1e+300"},
      {&SqlEncoder::SqlFlag, Variant(true), "1"},
      {&SqlEncoder::SqlFlag, Variant(false), "0"},
      {&SqlEncoder::SqlFlag, Variant::byte(Variant(true).toByte()), "1"},  // True as a byte
      {&SqlEncoder::SqlFlag, Variant(254), "254"},                         // instance numbers pass through unchanged
      {&SqlEncoder::SqlFlag, Variant("true"), "1"},
      {&SqlEncoder::SqlDate, Variant(Date::fromParts(2024, 3, 5, 14, 30, 9)), "'2024-03-05 14:30:09'"},
      {&SqlEncoder::SqlDate, Variant(Date::fromParts(1999, 12, 31)), "'1999-12-31 00:00:00'"},
  };
  for (const Case& c : cases) EXPECT_EQ((enc.*c.kind)(c.value), c.expected) << c.value.toString();

  for (auto kind : {&SqlEncoder::SqlValue, &SqlEncoder::SqlText, &SqlEncoder::SqlLike, &SqlEncoder::SqlLong,
                    &SqlEncoder::SqlDouble, &SqlEncoder::SqlFlag, &SqlEncoder::SqlDate})
    EXPECT_EQ((enc.*kind)(Variant::null()), "NULL");
}

TEST(SqlEncoder, RefusesValuesThatHaveNoFaithfulLiteral) {
  SqlEncoder enc;
  const auto errorOf = [](auto call) -> int32_t {
    try {
      call();
    } catch (const ComError& e) {
      return e.errNumber();
    }
    return 0;
  };
  EXPECT_EQ(errorOf([&] { enc.SqlText(Variant(std::string("a\0b", 3))); }), 5);
  EXPECT_EQ(errorOf([&] { enc.SqlText(Variant(std::string("caf\xE9"))); }), 5);
  EXPECT_EQ(errorOf([&] { enc.SqlDouble(Variant(std::numeric_limits<double>::quiet_NaN())); }), 6);
  EXPECT_EQ(errorOf([&] { enc.SqlDouble(Variant(std::numeric_limits<double>::infinity())); }), 6);
  EXPECT_EQ(errorOf([&] { enc.SqlFlag(Variant(256)); }), 6);
  EXPECT_EQ(errorOf([&] { enc.SqlLong(Variant("twelve")); }), 13);
}

TEST(SqlEncoder, DoublesReadBackToTheSameValue) {
  for (double d : {0.1, 1.0 / 3, -2.5e-9, 123456789.123456789, 5e-324, 1.7976931348623157e308, 100.0}) {
    const std::string text = enterprise::sqlDouble(d);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), d) << text;
    EXPECT_EQ(text.find(','), std::string::npos) << text;
  }
}

class SqlEncoderDatabase : public testsupport::SalesTest {};

TEST_F(SqlEncoderDatabase, EveryLiteralWorksAfterAComparisonInARealQuery) {
  SqlEncoder enc;
  const std::string id = enc.SqlText(Variant("it's a basket"));
  const std::string partner = enc.SqlLong(Variant(-7));
  const std::string discount = enc.SqlDouble(Variant(12.345678901234567));
  const std::string flag = enc.SqlFlag(Variant::byte(Variant(true).toByte()));
  const std::string date = enc.SqlDate(Variant(Date::fromParts(2026, 2, 28, 23, 59, 58)));
  const std::string amount = enterprise::sqlCurrency(platform::Currency{-123456789});  // -12345.6789

  auto cn = platform::makeObject<platform::data::Connection>();
  cn->open(testsupport::connectionString());
  cn->executeNoRecords(
      "INSERT INTO BASKETHEADER (BASKETID, BUSINESSPARTNERID, DISCOUNTPERC, CALCULATETAX, BASKETDATE, TOTAL, "
      "BASKETNAME, KIROID) VALUES (" +
      id + ", " + partner + ", " + discount + ", " + flag + ", " + date + ", " + amount + ", " +
      enc.SqlValue(Variant("50% off")) + ", " + enc.SqlLong(Variant::null()) + ")");
  auto rs =
      cn->execute("SELECT COUNT(*) FROM BASKETHEADER WHERE BASKETID = " + id + " AND BUSINESSPARTNERID = " + partner +
                  " AND DISCOUNTPERC = " + discount + " AND CALCULATETAX = " + flag + " AND CALCULATETAX = 1" +
                  " AND BASKETDATE = " + date + " AND TOTAL = " + amount + " AND BASKETNAME LIKE " +
                  enc.SqlLike(Variant("50%")) + " AND KIROID IS NULL");
  EXPECT_EQ(rs->field(0)->Value().toLong(), 1);
  auto none = cn->execute("SELECT COUNT(*) FROM BASKETHEADER WHERE BASKETID = " + enc.SqlText(Variant("x' OR '1'='1")));
  EXPECT_EQ(none->field(0)->Value().toLong(), 0);
  cn->Close();
}

}  // namespace
