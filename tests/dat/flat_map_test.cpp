// FlatMap: built from entries in file order, the last value of a repeated key wins.
#include "quillfen/dat/flat_map.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quillfen::dat {
namespace {

using Entries = std::vector<std::pair<int, std::string>>;

struct FromEntriesCase {
  const char* name;
  Entries input;
  Entries expected;  // ascending, one entry per key
};

class FlatMapFromEntries : public ::testing::TestWithParam<FromEntriesCase> {};

TEST_P(FlatMapFromEntries, SortsAndKeepsTheLastValueOfEachKey) {
  const auto& c = GetParam();
  const auto map = FlatMap<int, std::string>::from_entries(c.input);
  EXPECT_EQ(Entries(map.begin(), map.end()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlatMapFromEntries,
    ::testing::Values(
        FromEntriesCase{"empty", {}, {}},
        FromEntriesCase{"ascending", {{1, "a"}, {2, "b"}, {7, "c"}}, {{1, "a"}, {2, "b"}, {7, "c"}}},
        FromEntriesCase{"descending", {{7, "c"}, {2, "b"}, {1, "a"}}, {{1, "a"}, {2, "b"}, {7, "c"}}},
        FromEntriesCase{"adjacent_repeat", {{5, "first"}, {5, "second"}}, {{5, "second"}}},
        FromEntriesCase{"scattered_repeats",
                        {{9, "x"}, {3, "a"}, {9, "y"}, {1, "p"}, {3, "b"}, {9, "z"}},
                        {{1, "p"}, {3, "b"}, {9, "z"}}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(FlatMap, FindsByKey) {
  const auto map = FlatMap<int, std::string>::from_entries({{4, "four"}, {2, "two"}, {8, "eight"}});
  ASSERT_NE(map.find(2), nullptr);
  EXPECT_EQ(*map.find(2), "two");
  EXPECT_EQ(*map.find(8), "eight");
  EXPECT_EQ(map.find(3), nullptr);
  EXPECT_EQ(map.find(9), nullptr);
  EXPECT_FALSE(map.contains(0));
}

TEST(FlatMap, InsertOrAssignKeepsOrderAndReplaces) {
  FlatMap<int, std::string> map;
  map.insert_or_assign(5, "a");
  map.insert_or_assign(1, "b");
  map.insert_or_assign(5, "c");
  EXPECT_EQ(Entries(map.begin(), map.end()), (Entries{{1, "b"}, {5, "c"}}));
  EXPECT_EQ(map, (FlatMap<int, std::string>::from_entries({{5, "c"}, {1, "b"}})));
}

}  // namespace
}  // namespace quillfen::dat
