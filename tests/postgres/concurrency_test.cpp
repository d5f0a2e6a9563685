// Baskets created, saved and deleted from several threads at once, each thread with its own
// objects and connections, as the web servers of a shop do against one database server. The
// suite runs on whichever database the fixture names: the PostgreSQL run is the one that
// matters, and the embedded database must keep the same promises.
#include <gtest/gtest.h>

#include <latch>
#include <mutex>
#include <thread>

#include "tests/basket/basket_support.h"
#include "tests/postgres/postgres_support.h"

namespace {

using namespace baskettest;
using merxa::Basket;
using platform::ComError;
using platform::data::kRowNotLocated;

constexpr int kThreads = 4;
constexpr int kBasketsPerThread = 8;
constexpr int kLinesPerBasket = 3;

// The SKU that thread t gives line l of its b-th basket: every line of the run is unique.
int32_t skuOf(int t, int b, int l) { return 100000 + t * 1000 + b * 10 + l; }

class ConcurrentBaskets : public testsupport::SalesTest {
 protected:
  // Failures seen by the threads, reported once they are joined.
  void record(const std::string& failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.push_back(failure);
  }
  std::vector<std::string> failures() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failures_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> failures_;
};

TEST_F(ConcurrentBaskets, NothingIsLostOrMixedUp) {
  std::vector<std::vector<std::string>> kept(kThreads);
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string user = "T" + std::to_string(t);
      start.arrive_and_wait();
      try {
        auto basket = platform::makeObject<Basket>();
        for (int b = 0; b < kBasketsPerThread; ++b) {
          auto doc = basket->Create(user, demoPartner());
          for (int l = 1; l <= kLinesPerBasket; ++l) addLine(doc, l, skuOf(t, b, l), t + b + l);
          basket->Save(Variant(doc));
          merxa::documentHeader(doc)->setValue("BASKETNAME", Variant(user + "/" + std::to_string(b)));
          basket->Save(Variant(doc));
          // Every other basket is deleted again right away.
          if (b % 2 == 1)
            basket->Delete(idOf(doc));
          else
            kept[static_cast<size_t>(t)].push_back(idOf(doc));
        }
      } catch (const ComError& e) {
        record(user + ": " + e.description);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  ASSERT_TRUE(failures().empty()) << failures().front();

  Basket reader;
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETHEADER"), kThreads * kBasketsPerThread / 2);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM BASKETLINE"), kThreads * kBasketsPerThread / 2 * kLinesPerBasket);
  for (int t = 0; t < kThreads; ++t) {
    for (size_t k = 0; k < kept[static_cast<size_t>(t)].size(); ++k) {
      const int b = static_cast<int>(k) * 2;
      auto doc = reader.Restore(kept[static_cast<size_t>(t)][k]);
      auto header = merxa::documentHeader(doc);
      EXPECT_EQ(header->value("USERID").toString(), "T" + std::to_string(t));
      EXPECT_EQ(header->value("BASKETNAME").toString(), "T" + std::to_string(t) + "/" + std::to_string(b));
      auto lines = merxa::documentLines(doc);
      ASSERT_EQ(lines->RecordCount(), kLinesPerBasket);
      for (int l = 1; !lines->eof(); lines->MoveNext(), ++l) {
        EXPECT_EQ(lines->value("SKU").toLong(), skuOf(t, b, l));
        EXPECT_EQ(lines->value("QUANTITY").toDouble(), t + b + l);
      }
    }
  }
}

TEST_F(ConcurrentBaskets, OfTwoCopiesSavedOneAfterTheOtherTheSecondMeetsTheCheck) {
  Basket basket;
  auto doc = basket.Create("U1", demoPartner());
  addLine(doc, 1, 4711, 2);
  basket.Save(Variant(doc));

  auto first = basket.Restore(idOf(doc));
  auto second = basket.Restore(idOf(doc));
  merxa::documentHeader(first)->setValue("BASKETNAME", Variant("First"));
  merxa::documentHeader(second)->setValue("BASKETNAME", Variant("Second"));
  merxa::documentLines(second)->setValue("QUANTITY", Variant(99.0));
  basket.Save(Variant(first));
  try {
    basket.Save(Variant(second));
    FAIL() << "the second save went through";
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, kRowNotLocated);
  }
  auto stored = basket.Restore(idOf(doc));
  EXPECT_EQ(merxa::documentHeader(stored)->value("BASKETNAME").toString(), "First");
  EXPECT_EQ(merxa::documentLines(stored)->value("QUANTITY").toDouble(), 2.0);
}

TEST_F(ConcurrentBaskets, OfTwoCopiesSavedAtTheSameTimeExactlyOneWins) {
  constexpr int kRounds = 10;
  Basket basket;
  auto doc = basket.Create("U1", demoPartner());
  const std::string id = idOf(doc);
  for (int round = 0; round < kRounds; ++round) {
    std::vector<platform::DictionaryPtr> copies;
    for (int c = 0; c < 2; ++c) {
      copies.push_back(basket.Restore(id));
      merxa::documentHeader(copies.back())
          ->setValue("BASKETNAME", Variant("R" + std::to_string(round) + "C" + std::to_string(c)));
    }
    std::latch start(2);
    std::vector<int> outcome(2, 0);  // 1 saved, -1 met the check
    std::vector<std::thread> threads;
    for (int c = 0; c < 2; ++c) {
      threads.emplace_back([&, c] {
        Basket own;
        start.arrive_and_wait();
        try {
          own.Save(Variant(copies[static_cast<size_t>(c)]));
          outcome[static_cast<size_t>(c)] = 1;
        } catch (const ComError& e) {
          outcome[static_cast<size_t>(c)] = e.number == kRowNotLocated ? -1 : -2;
          if (e.number != kRowNotLocated) record(e.description);
        }
      });
    }
    for (auto& thread : threads) thread.join();
    ASSERT_TRUE(failures().empty()) << failures().front();
    ASSERT_EQ(outcome[0] + outcome[1], 0) << "round " << round << ": " << outcome[0] << ", " << outcome[1];
    const int winner = outcome[0] == 1 ? 0 : 1;
    EXPECT_EQ(merxa::documentHeader(basket.Restore(id))->value("BASKETNAME").toString(),
              "R" + std::to_string(round) + "C" + std::to_string(winner));
  }
}

}  // namespace
