// The contact sheet kept tile by tile during the decode pass: the same file as the sheet
// drawn from whole images, the smaller of image and tile kept, and the same size rules.
#include "surface-classify-audit/tile_collector.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/temp_dir.hpp"

namespace quillfen::audit {
namespace {

Decoded image_record(std::uint32_t width, std::uint32_t height, std::uint8_t seed) {
  Decoded d;
  d.image.width = width;
  d.image.height = height;
  for (std::uint32_t i = 0; i < width * height * 4; ++i) d.image.pixels.push_back(static_cast<std::uint8_t>(seed + i * 7));
  return d;
}

struct SheetCase {
  std::size_t images;
  std::uint32_t tile;
  std::uint32_t cols;
};

class TileCollectorTest : public ::testing::TestWithParam<SheetCase> {};

TEST_P(TileCollectorTest, WritesWhatTheWholeListWrites) {
  const auto [count, tile, cols] = GetParam();
  std::vector<Decoded> decoded;
  for (std::size_t i = 0; i < count; ++i) {
    decoded.push_back(image_record(static_cast<std::uint32_t>(1 + i % 5), static_cast<std::uint32_t>(1 + i % 3),
                                   static_cast<std::uint8_t>(i)));
  }
  TileCollector collector(tile, cols);
  for (const auto& d : decoded) collector.add(d.image);
  testing::TempDir dir;
  ASSERT_TRUE(collector.write_ppm(dir / "collected.ppm"));
  ASSERT_TRUE(write_contact_sheet(decoded, dir / "whole.ppm", tile, cols));
  EXPECT_EQ(testing::read_file_bytes(dir / "collected.ppm"), testing::read_file_bytes(dir / "whole.ppm"));
  EXPECT_EQ(collector.layout(), plan_contact_sheet(count, tile, cols));
}

INSTANTIATE_TEST_SUITE_P(Layouts, TileCollectorTest,
                         ::testing::Values(SheetCase{0, 64, 10}, SheetCase{1, 4, 3}, SheetCase{7, 3, 3},
                                           SheetCase{9, 2, 3}, SheetCase{23, 5, 10}, SheetCase{4, 2, 0},
                                           SheetCase{5, 0, 2}));

// Large images cost a tile each, small ones their own pixels: the memory of a sheet of
// large tiles is the images', not the tiles'.
TEST(TileCollectorMemoryTest, KeepsNoMoreThanTheSmallerOfImageAndTile) {
  TileCollector big_tiles(3000, 1);
  big_tiles.add(image_record(4, 4, 1).image);
  TileCollector small_tiles(8, 1);
  small_tiles.add(image_record(512, 512, 2).image);
  ASSERT_EQ(big_tiles.pictures().size(), 1u);
  EXPECT_EQ(big_tiles.pictures()[0].rgb.size(), 4u * 4u * 3u);
  ASSERT_EQ(small_tiles.pictures().size(), 1u);
  EXPECT_EQ(small_tiles.pictures()[0].rgb.size(), 8u * 8u * 3u);
}

TEST(TileCollectorSizeTest, RefusesASheetThatOutgrowsThirtyTwoBits) {
  // 30000-pixel tiles: one fits (2.7e9 bytes), ten in a row would not.
  TileCollector collector(30000, 10);
  const Decoded tiny = image_record(1, 1, 9);
  collector.add(tiny.image);
  const auto layout = collector.layout();
  ASSERT_FALSE(layout);
  EXPECT_NE(layout.error().message.find("too large"), std::string::npos);
  EXPECT_TRUE(collector.pictures().empty());
  testing::TempDir dir;
  const auto written = collector.write_ppm(dir / "sheet.ppm");
  ASSERT_FALSE(written);
  EXPECT_EQ(written.error(), layout.error());
  EXPECT_FALSE(std::filesystem::exists(dir / "sheet.ppm"));
}

}  // namespace
}  // namespace quillfen::audit
