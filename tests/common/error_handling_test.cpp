#include "common/error_handling.h"

#include <gtest/gtest.h>

#include "common/merxa_error.h"
#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using merxa::FormatErrorMessage;
using merxa::guarded;
using platform::ComError;
using platform::Variant;

TEST(FormatErrorMessage, WritesTheFourPiecesByteForByte) {
  EXPECT_EQ(FormatErrorMessage("x", merxa::MissingOrderID, "M"),
            "\r\nERROR 0x8004014A\r\n METHOD: M\r\n DESC: x.\r\n");
  EXPECT_EQ(FormatErrorMessage("x", -2147221174, "M", Variant("I")),
            "\r\nERROR 0x8004014A\r\n METHOD: M\r\n DESC: x.\r\n INFO: I.\r\n");
  EXPECT_EQ(FormatErrorMessage("Overflow", 6, "Lib.R", Variant(12)),
            "\r\nERROR 0x6\r\n METHOD: Lib.R\r\n DESC: Overflow.\r\n INFO: 12.\r\n");
}

void innermost() {
  guarded("Inner.C()", [] { platform::raiseError(merxa::OrderNotFound, "Merxa.Test", "nothing here"); });
}
void middle() {
  guarded("Middle.B()", [] { innermost(); }, [] { return std::string("some SQL"); });
}
void outermost() {
  guarded("Outer.A()", [] { middle(); });
}

TEST(ErrorConvention, AnErrorThreeRoutinesDeepKeepsItsNumberAndGainsOneBlockPerRoutine) {
  testsupport::LogCapture log;
  try {
    outermost();
    FAIL() << "no error reached the caller";
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, merxa::OrderNotFound);
    EXPECT_EQ(e.source, "Merxa.Test");
    const std::string inner = "\r\nERROR 0x8004014C\r\n METHOD: Inner.C()\r\n DESC: nothing here.\r\n";
    const std::string mid = "\r\nERROR 0x8004014C\r\n METHOD: Middle.B()\r\n DESC: " + inner + ".\r\n INFO: some SQL.\r\n";
    const std::string outer = "\r\nERROR 0x8004014C\r\n METHOD: Outer.A()\r\n DESC: " + mid + ".\r\n";
    EXPECT_EQ(e.description, outer);
    // Three blocks, the outermost first.
    EXPECT_EQ(e.description.find("Outer.A()"), outer.find("Outer.A()"));
    EXPECT_LT(e.description.find("Outer.A()"), e.description.find("Middle.B()"));
    EXPECT_LT(e.description.find("Middle.B()"), e.description.find("Inner.C()"));
  }
  ASSERT_EQ(log.entries().size(), 3u);
  EXPECT_EQ(log.entries()[0].level, 0);
  EXPECT_EQ(log.entries()[0].source, "Merxa.Test");
  // The logged message wraps the already wrapped description once more.
  EXPECT_NE(log.entries()[2].message.find("METHOD: Outer.A()\r\n DESC: \r\nERROR 0x8004014C\r\n METHOD: Outer.A()"),
            std::string::npos);
}

TEST(ErrorConvention, PlatformErrorsAreWrappedWithTheNumberCodeSees) {
  testsupport::LogCapture log;
  try {
    guarded("R()", [] { return Variant("abc").toLong(); });
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, platform::vbError(13));
    EXPECT_EQ(e.description, "\r\nERROR 0xD\r\n METHOD: R()\r\n DESC: Type mismatch.\r\n");
  }
}

TEST(ErrorConvention, LoggingWithoutAnErrorWritesNotAnActualError) {
  testsupport::LogCapture log;
  merxa::LogWarning("Some.Routine", Variant("detail"));
  ASSERT_EQ(log.entries().size(), 1u);
  EXPECT_EQ(log.entries()[0].level, 2);
  EXPECT_EQ(log.entries()[0].source, "Some.Routine");
  EXPECT_EQ(log.entries()[0].message,
            "\r\nERROR 0x0\r\n METHOD: Some.Routine\r\n DESC: Not an actual error.\r\n INFO: detail.\r\n");
}

TEST(ErrorConvention, AnErrorIsStillRaisedWhenTheLogCannotBeCreated) {
  platform::ScopedOverride broken("Corvane.Log", []() -> platform::ObjectPtr {
    throw ComError(platform::vbError(429), "Platform", "cannot create the log");
  });
  try {
    guarded("R()", [] { platform::raiseError(merxa::MissingPrice, "Merxa.Test", "no price"); });
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, merxa::MissingPrice);
    EXPECT_NE(e.description.find("no price"), std::string::npos);
  }
}

}  // namespace
