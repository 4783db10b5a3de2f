// The work budget: exact use at its limit, requests that do not fit take nothing, and
// concurrent callers never draw more than the limit between them.
#include "quillfen/dat/work_budget.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

namespace quillfen::dat {
namespace {

TEST(WorkBudgetTest, IsUsedUpExactlyAndARequestThatDoesNotFitTakesNothing) {
  WorkBudget budget(100);
  EXPECT_TRUE(budget.take(60));
  EXPECT_FALSE(budget.refused());
  EXPECT_FALSE(budget.take(41));
  EXPECT_TRUE(budget.refused());
  EXPECT_EQ(budget.spent(), 60u);
  EXPECT_TRUE(budget.take(40));
  EXPECT_EQ(budget.left(), 0u);
  EXPECT_FALSE(budget.take(1));
  EXPECT_TRUE(budget.take(0));
}

TEST(WorkBudgetTest, HugeRequestsDoNotWrap) {
  WorkBudget budget(10);
  EXPECT_TRUE(budget.take(5));
  EXPECT_FALSE(budget.take(std::numeric_limits<std::uint64_t>::max()));
  EXPECT_EQ(budget.left(), 5u);
}

TEST(WorkBudgetTest, ConcurrentCallersDrawNoMoreThanTheLimit) {
  constexpr std::uint64_t kLimit = 10000;
  WorkBudget budget(kLimit);
  std::atomic<std::uint64_t> granted{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        if (budget.take(1)) granted.fetch_add(1, std::memory_order_relaxed);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(granted.load(), kLimit);
  EXPECT_EQ(budget.spent(), kLimit);
}

struct DefaultCase {
  std::uint64_t file_length;
  std::uint64_t budget;
};

class DefaultWorkBudgetTest : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(DefaultWorkBudgetTest, IsAMultipleOfTheFileWithAFloor) {
  EXPECT_EQ(default_work_budget(GetParam().file_length), GetParam().budget);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, DefaultWorkBudgetTest,
    ::testing::Values(DefaultCase{0, kMinWorkBudget}, DefaultCase{13 << 20, kMinWorkBudget},
                      DefaultCase{kMinWorkBudget / kWorkBudgetPerFileByte, kMinWorkBudget},
                      DefaultCase{kMinWorkBudget / kWorkBudgetPerFileByte + 1, kMinWorkBudget + kWorkBudgetPerFileByte},
                      DefaultCase{std::uint64_t{700} << 20, (std::uint64_t{700} << 20) * kWorkBudgetPerFileByte},
                      DefaultCase{std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::uint64_t>::max()}));

}  // namespace
}  // namespace quillfen::dat
