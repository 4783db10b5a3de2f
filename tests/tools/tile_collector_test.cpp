// The contact sheet drawn tile by tile during the decode pass: the same pixels as the
// sheet drawn from whole images, and the same size rules.
#include "surface-classify-audit/tile_collector.hpp"

#include <gtest/gtest.h>

#include <vector>

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

TEST_P(TileCollectorTest, DrawsWhatTheWholeSheetDraws) {
  const auto [count, tile, cols] = GetParam();
  std::vector<Decoded> decoded;
  for (std::size_t i = 0; i < count; ++i) {
    decoded.push_back(image_record(static_cast<std::uint32_t>(1 + i % 5), static_cast<std::uint32_t>(1 + i % 3),
                                   static_cast<std::uint8_t>(i)));
  }
  TileCollector collector(tile, cols);
  for (const auto& d : decoded) collector.add(d.image);
  const auto incremental = std::move(collector).take();
  const auto whole = render_contact_sheet(decoded, tile, cols);
  ASSERT_TRUE(incremental);
  ASSERT_TRUE(whole);
  EXPECT_EQ(incremental->layout(), whole->layout());
  EXPECT_TRUE(std::ranges::equal(incremental->pixels(), whole->pixels()));
}

INSTANTIATE_TEST_SUITE_P(Layouts, TileCollectorTest,
                         ::testing::Values(SheetCase{0, 64, 10}, SheetCase{1, 4, 3}, SheetCase{7, 3, 3},
                                           SheetCase{9, 2, 3}, SheetCase{23, 5, 10}, SheetCase{4, 2, 0},
                                           SheetCase{5, 0, 2}));

TEST(TileCollectorSizeTest, RefusesASheetThatOutgrowsThirtyTwoBits) {
  // 30000-pixel tiles: one fits (2.7e9 bytes), ten in a row would not.
  TileCollector collector(30000, 10);
  const Decoded tiny = image_record(1, 1, 9);
  collector.add(tiny.image);
  const auto sheet = std::move(collector).take();
  ASSERT_FALSE(sheet);
  EXPECT_NE(sheet.error().message.find("too large"), std::string::npos);
}

}  // namespace
}  // namespace quillfen::audit
