// The terrain record: its layout, the flat ground under the town, and heights that depend
// on the seed elsewhere.
#include "sample-world/terrain.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "sample-world/ids.hpp"

namespace quillfen::sample {
namespace {

std::uint32_t word_at(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

TEST(TerrainTest, LayoutIsIdFlagWordsHeightsAndPadding) {
  const auto bytes = terrain_record(0x1234, 1, true);
  ASSERT_EQ(bytes.size(), 252u);  // 4 + 4 + 81 * 2 + 81, rounded up to 4
  EXPECT_EQ(word_at(bytes, 0), 0x1234FFFFu);
  EXPECT_EQ(word_at(bytes, 4), 1u);
  EXPECT_EQ(bytes.back(), 0);
  EXPECT_EQ(word_at(terrain_record(0x1234, 1, false), 4), 0u);
}

TEST(TerrainTest, TheTownStandsOnFlatGroundWithItsRoad) {
  const auto bytes = terrain_record(ids::kTown, 7, true);
  const std::vector<std::uint8_t> heights(bytes.begin() + 170, bytes.begin() + 251);
  EXPECT_TRUE(std::all_of(heights.begin(), heights.end(), [&](std::uint8_t h) { return h == heights[0]; }));
  // Corner (x, 4) is the middle row: road bits set there.
  const std::size_t middle = 8 + 2 * (0 * 9 + 4);
  EXPECT_EQ(bytes[middle] & 0x03, 0x03);
  EXPECT_EQ(bytes[middle - 2] & 0x03, 0x00);
}

TEST(TerrainTest, HillsDependOnTheSeedOnly) {
  EXPECT_EQ(terrain_record(0x3040, 1, true), terrain_record(0x3040, 1, true));
  EXPECT_NE(terrain_record(0x3040, 1, true), terrain_record(0x3040, 2, true));
}

}  // namespace
}  // namespace quillfen::sample
