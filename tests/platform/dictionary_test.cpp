#include <gtest/gtest.h>

#include "platform/dictionary.h"

namespace {

using platform::ComError;
using platform::Dictionary;
using platform::Variant;

int errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ComError& e) {
    return e.errNumber();
  }
  return 0;
}

std::vector<std::string> texts(const Variant& array) {
  std::vector<std::string> out;
  for (const Variant& v : array.array().items) out.push_back(v.toString());
  return out;
}

TEST(Dictionary, AddOfAnExistingKeyFailsWith457AndKeepsTheFirstItem) {
  Dictionary d;
  d.Add(Variant("a"), Variant(1));
  EXPECT_EQ(errorOf([&] { d.Add(Variant("a"), Variant(2)); }), 457);
  EXPECT_EQ(d.Item(Variant("a")).toLong(), 1);
  EXPECT_EQ(d.Count(), 1);
}

TEST(Dictionary, ReadingAMissingKeyAddsItAsEmpty) {
  Dictionary d;
  EXPECT_TRUE(d.Item(Variant("x")).isEmpty());
  EXPECT_EQ(d.Count(), 1);
  EXPECT_TRUE(d.Exists(Variant("x")));
  EXPECT_FALSE(d.Exists(Variant("y")));  // Exists never adds
  EXPECT_EQ(d.Count(), 1);
}

TEST(Dictionary, RemoveOfAMissingKeyFailsWith32811) {
  Dictionary d;
  d.Add(Variant("a"), Variant(1));
  EXPECT_EQ(errorOf([&] { d.Remove(Variant("b")); }), 32811);
  d.Remove(Variant("a"));
  EXPECT_EQ(d.Count(), 0);
}

TEST(Dictionary, KeysAndItemsComeInInsertionOrder) {
  Dictionary d;
  for (const char* k : {"zeta", "alpha", "mid"}) d.Add(Variant(k), Variant(std::string(k) + "!"));
  d.Remove(Variant("alpha"));
  d.SetItem(Variant("alpha"), Variant("again"));  // a new key goes to the end
  EXPECT_EQ(texts(d.Keys()), (std::vector<std::string>{"zeta", "mid", "alpha"}));
  EXPECT_EQ(texts(d.Items()), (std::vector<std::string>{"zeta!", "mid!", "again"}));
  EXPECT_EQ(d.Keys().array().lowerBound, 0);
}

TEST(Dictionary, TextAndNumberKeysAreDistinctButNumbersCompareByValue) {
  Dictionary d;
  d.Add(Variant("1"), Variant("text"));
  d.Add(Variant(1), Variant("number"));
  EXPECT_EQ(d.Count(), 2);
  EXPECT_EQ(errorOf([&] { d.Add(Variant(1.0), Variant()); }), 457);
  EXPECT_EQ(errorOf([&] { d.Add(Variant::integer(1), Variant()); }), 457);
  EXPECT_EQ(d.Item(Variant("1")).toString(), "text");
  EXPECT_EQ(d.Item(Variant(1.0)).toString(), "number");
}

TEST(Dictionary, KeysAreCaseSensitiveUnlessCompareModeIsText) {
  Dictionary binary;
  binary.Add(Variant("Key"), Variant(1));
  EXPECT_FALSE(binary.Exists(Variant("KEY")));
  EXPECT_EQ(errorOf([&] { binary.SetCompareMode(1); }), 5);  // only while empty

  Dictionary text;
  text.SetCompareMode(1);
  text.Add(Variant("Key"), Variant(1));
  EXPECT_TRUE(text.Exists(Variant("KEY")));
  EXPECT_EQ(errorOf([&] { text.Add(Variant("kEY"), Variant(2)); }), 457);
}

TEST(Dictionary, LateBoundItemIsTheDefaultMember) {
  auto d = platform::makeObject<Dictionary>();
  d->put("", Variant(7), {Variant("k")});
  EXPECT_EQ(d->call("", {Variant("k")}).toLong(), 7);
  EXPECT_EQ(d->call("Count").toLong(), 1);
}

}  // namespace
