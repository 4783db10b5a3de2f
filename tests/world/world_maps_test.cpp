// The two maps: where a landblock lands, which colour it gets, and the PNG that carries
// them, read back with the same library.
#include "world-audit/world_maps.hpp"

#include <gtest/gtest.h>
#include <spng.h>

#include <vector>

#include "world-audit/png_writer.hpp"

namespace quillfen::world {
namespace {

Rgb pixel(const MapImage& map, std::uint32_t x, std::uint32_t y) {
  const std::size_t at = (std::size_t{y} * map.width + x) * 3;
  return {map.rgb[at], map.rgb[at + 1], map.rgb[at + 2]};
}

LandblockSummary landblock(std::uint16_t key, std::uint64_t found, std::optional<SurfaceCategory> dominant,
                           std::optional<std::array<float, 3>> mean) {
  LandblockSummary summary;
  summary.key = key;
  summary.found = found;
  summary.dominant = dominant;
  summary.mean_rgb = mean;
  return summary;
}

WorldSummary three_landblocks() {
  WorldSummary summary;
  summary.landblocks = {
      landblock(0x0000, 3, SurfaceCategory::Water, std::array<float, 3>{0.0f, 0.5f, 1.0f}),  // bottom left
      landblock(0xA9B4, 5, SurfaceCategory::Wood, std::array<float, 3>{0.2f, 0.1f, 0.0f}),
      landblock(0xFFFF, 2, std::nullopt, std::nullopt),  // top right, nothing decoded
  };
  return summary;
}

TEST(WorldMapsTest, NorthIsUpAndEachLandblockFillsItsScaledCell) {
  const MapImage map = material_map(three_landblocks(), 2);
  ASSERT_EQ(map.width, 512u);
  ASSERT_EQ(map.height, 512u);
  // Key 0x0000: column 0, row 255 (the bottom); key 0xFFFF: column 255, row 0.
  for (const auto& [x, y] : {std::pair{0u, 510u}, std::pair{1u, 511u}}) {
    EXPECT_EQ(pixel(map, x, y), category_colour(SurfaceCategory::Water));
  }
  EXPECT_EQ(pixel(map, 511, 0), kMapNothingDecoded);
  // 0xA9B4: column 0xA9, row 255 - 0xB4.
  EXPECT_EQ(pixel(map, 0xA9 * 2 + 1, (255 - 0xB4) * 2), category_colour(SurfaceCategory::Wood));
  EXPECT_EQ(pixel(map, 2, 510), kMapBackground);  // a landblock not audited
}

TEST(WorldMapsTest, TheColourMapShowsTheMeanColourRounded) {
  const MapImage map = colour_map(three_landblocks(), 1);
  EXPECT_EQ(pixel(map, 0, 255), (Rgb{0, 128, 255}));
  EXPECT_EQ(pixel(map, 0xA9, 255 - 0xB4), (Rgb{51, 26, 0}));
  EXPECT_EQ(pixel(map, 255, 0), kMapNothingDecoded);
}

TEST(WorldMapsTest, EveryCategoryHasItsOwnColour) {
  std::vector<Rgb> seen;
  for (int c = 0; c <= static_cast<int>(SurfaceCategory::Generic); ++c) {
    const Rgb colour = category_colour(static_cast<SurfaceCategory>(c));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), colour), 0) << c;
    EXPECT_NE(colour, kMapBackground);
    EXPECT_NE(colour, kMapNothingDecoded);
    seen.push_back(colour);
  }
}

// Decodes a PNG to 8-bit RGB with libspng.
std::vector<std::uint8_t> decode_rgb(const std::vector<std::uint8_t>& png, std::uint32_t& width, std::uint32_t& height) {
  spng_ctx* context = spng_ctx_new(0);
  spng_set_png_buffer(context, png.data(), png.size());
  spng_ihdr header{};
  EXPECT_EQ(spng_get_ihdr(context, &header), 0);
  width = header.width;
  height = header.height;
  std::size_t size = 0;
  EXPECT_EQ(spng_decoded_image_size(context, SPNG_FMT_RGB8, &size), 0);
  std::vector<std::uint8_t> rgb(size);
  EXPECT_EQ(spng_decode_image(context, rgb.data(), rgb.size(), SPNG_FMT_RGB8, 0), 0);
  spng_ctx_free(context);
  return rgb;
}

TEST(PngWriterTest, AMapReadsBackPixelForPixel) {
  const MapImage map = colour_map(three_landblocks(), 1);
  const auto png = encode_png(map.width, map.height, PngChannels::Rgb, map.rgb);
  ASSERT_TRUE(png) << png.error();
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  EXPECT_EQ(decode_rgb(*png, width, height), map.rgb);
  EXPECT_EQ(width, 256u);
  EXPECT_EQ(height, 256u);
  // The same pixels give the same bytes.
  EXPECT_EQ(*encode_png(map.width, map.height, PngChannels::Rgb, map.rgb), *png);
}

TEST(PngWriterTest, PixelsOfTheWrongSizeAreRefused) {
  const std::vector<std::uint8_t> pixels(11);
  const auto png = encode_png(2, 2, PngChannels::Rgb, pixels);
  ASSERT_FALSE(png);
  EXPECT_EQ(png.error(), "PNG encoder: 11 bytes of pixels for a 2 x 2 image");
}

}  // namespace
}  // namespace quillfen::world
