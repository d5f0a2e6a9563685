// A member bound once and called many times behaves as the same call by name.
#include <gtest/gtest.h>

#include <string>

#include "platform/error.h"
#include "platform/object.h"

namespace {

using platform::Args;
using platform::Variant;

class Counter : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table = platform::Members<Counter>("Test.Counter")
                                                     .method("Add", &Counter::Add, 1)
                                                     .property("Total", &Counter::Total);
    return table;
  }
  int32_t Add(int32_t amount, const Variant& times) {
    total_ += amount * (times.isMissing() ? 1 : times.toLong());
    return total_;
  }
  int32_t Total() { return total_; }

 private:
  int32_t total_ = 0;
};

int32_t errorOf(const auto& call) {
  try {
    call();
  } catch (const platform::ComError& e) {
    return e.number;
  }
  return 0;
}

TEST(BoundMember, CallsTheMemberWithTheChecksOfACallByName) {
  auto counter = platform::makeObject<Counter>();
  const platform::BoundMember add(counter, "aDD");  // letter case ignored, as by name
  Args args{Variant(2)};
  EXPECT_EQ(add(args).toLong(), 2);  // the optional argument left off
  ASSERT_EQ(args.size(), 1u);        // and the caller's list keeps its length
  args = {Variant(3), Variant(2)};
  EXPECT_EQ(add(args).toLong(), 8);
  EXPECT_EQ(counter->call("ADD", {Variant(1)}).toLong(), 9);

  Args tooMany{Variant(1), Variant(1), Variant(1)};
  EXPECT_EQ(errorOf([&] { add(tooMany); }), platform::vbError(platform::vb::WrongArgumentCount));
  Args none;
  EXPECT_EQ(errorOf([&] { add(none); }), platform::vbError(platform::vb::ArgumentNotOptional));
  EXPECT_EQ(counter->Total(), 9);
}

TEST(BoundMember, AnUnknownMemberFailsWhenBound) {
  auto counter = platform::makeObject<Counter>();
  EXPECT_EQ(errorOf([&] { platform::BoundMember(counter, "Subtract"); }), platform::vbError(platform::vb::MemberNotFound));
  EXPECT_EQ(errorOf([&] { counter->call("Subtract"); }), platform::vbError(platform::vb::MemberNotFound));
  EXPECT_EQ(errorOf([] { platform::BoundMember(nullptr, "Add"); }), platform::vbError(platform::vb::ObjectNotSet));
}

}  // namespace
