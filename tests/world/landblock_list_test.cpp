// The --landblocks list: keys and ranges in, ascending distinct keys out; a bad item is
// named in the error.
#include "world-audit/landblock_list.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillfen::world {
namespace {

struct ListCase {
  const char* name;
  const char* text;
  std::vector<std::uint16_t> keys;
};

class LandblockListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(LandblockListTest, GivesTheKeysAscending) {
  const auto keys = parse_landblock_list(GetParam().text);
  ASSERT_TRUE(keys) << keys.error();
  EXPECT_EQ(*keys, GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LandblockListTest,
    ::testing::Values(ListCase{"OneKey", "A9B4", {0xA9B4}}, ListCase{"Prefixed", "0xa9b4,0X0012", {0x0012, 0xA9B4}},
                      ListCase{"ShortKey", "7", {0x0007}},
                      ListCase{"Range", "A0FE-0xA101", {0xA0FE, 0xA0FF, 0xA100, 0xA101}},
                      ListCase{"OverlapsAndRepeats", "3-5,4,1-3", {1, 2, 3, 4, 5}},
                      ListCase{"SingleKeyRange", "FFFF-FFFF", {0xFFFF}}),
    [](const ::testing::TestParamInfo<ListCase>& c) { return std::string(c.param.name); });

TEST(LandblockListTest, TheWholeKeySpaceIsOneRange) {
  const auto keys = parse_landblock_list("0-FFFF");
  ASSERT_TRUE(keys);
  EXPECT_EQ(keys->size(), 0x10000u);
  EXPECT_EQ(keys->back(), 0xFFFF);
}

struct BadCase {
  const char* name;
  const char* text;
  const char* error;
};

class LandblockListErrorTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(LandblockListErrorTest, NamesTheBadItem) {
  const auto keys = parse_landblock_list(GetParam().text);
  ASSERT_FALSE(keys);
  EXPECT_EQ(keys.error(), GetParam().error);
}


INSTANTIATE_TEST_SUITE_P(
    Cases, LandblockListErrorTest,
    ::testing::Values(
        BadCase{"Empty", "", "--landblocks: invalid item '': expected a key such as A9B4 or a range such as A000-A0FF"},
        BadCase{"EmptyItem", "A9B4,,A9B5",
                "--landblocks: invalid item '': expected a key such as A9B4 or a range such as A000-A0FF"},
        BadCase{"NotHex", "A9B4,A9G4", "--landblocks: invalid item 'A9G4': expected a key of 1 to 4 hexadecimal digits (A9B4) or an inclusive range (A000-A0FF)"},
        BadCase{"TooLong", "1A9B4", "--landblocks: invalid item '1A9B4': expected a key of 1 to 4 hexadecimal digits (A9B4) or an inclusive range (A000-A0FF)"},
        BadCase{"BarePrefix", "0x", "--landblocks: invalid item '0x': expected a key of 1 to 4 hexadecimal digits (A9B4) or an inclusive range (A000-A0FF)"},
        BadCase{"Space", "A9B4, A9B5", "--landblocks: invalid item ' A9B5': expected a key of 1 to 4 hexadecimal digits (A9B4) or an inclusive range (A000-A0FF)"},
        BadCase{"OpenRange", "A000-", "--landblocks: invalid item 'A000-': expected a key of 1 to 4 hexadecimal digits (A9B4) or an inclusive range (A000-A0FF)"},
        BadCase{"TwoDashes", "1-2-3", "--landblocks: invalid item '1-2-3': expected a key of 1 to 4 hexadecimal digits (A9B4) or an inclusive range (A000-A0FF)"},
        BadCase{"Backwards", "A0FF-A000", "--landblocks: invalid item 'A0FF-A000': the range ends before it starts"}),
    [](const ::testing::TestParamInfo<BadCase>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace quillfen::world
