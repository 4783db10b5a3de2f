// The contact sheet: grid layout, nearest-neighbour tiles, placement, the size limit and
// the exact PPM bytes, including the create and write failures.
#include "surface-classify-audit/contact_sheet.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quillfen/common/read_error.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::audit {
namespace {

using quillfen::testing::read_file_bytes;
using quillfen::testing::TempDir;
using Bytes = std::vector<std::uint8_t>;
using Rgb = std::array<std::uint8_t, 3>;

RgbaImage solid(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
  return RgbaImage{1, 1, {r, g, b, a}};
}

Decoded decoded_with(RgbaImage image) {
  Decoded d;
  d.audit.width = image.width;
  d.audit.height = image.height;
  d.image = std::move(image);
  return d;
}

// A tile image from RGB pixels, rows top to bottom.
Bytes tile_of(const std::vector<Rgb>& pixels) {
  Bytes out;
  for (const Rgb& p : pixels) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes ppm_bytes(std::string_view header, const Bytes& pixels) {
  Bytes out(header.begin(), header.end());
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

// ---- layout ----

struct LayoutCase {
  const char* name;
  std::size_t count;
  std::uint32_t tile;
  std::uint32_t cols;
  SheetLayout expected;
};

class PlanTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PlanTest, ComputesGrid) {
  const LayoutCase& c = GetParam();
  const auto layout = plan_contact_sheet(c.count, c.tile, c.cols);
  ASSERT_TRUE(layout.has_value()) << layout.error().message;
  EXPECT_EQ(*layout, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlanTest,
    ::testing::Values(LayoutCase{"Defaults23", 23, 64, 10, {64, 10, 3, 640, 192}},
                      LayoutCase{"FullRow", 10, 64, 10, {64, 10, 1, 640, 64}},
                      LayoutCase{"OneOver", 11, 64, 10, {64, 10, 2, 640, 128}},
                      LayoutCase{"NoSurfaces", 0, 64, 10, {64, 10, 0, 640, 0}},
                      LayoutCase{"ColsZeroIsOne", 3, 64, 0, {64, 1, 3, 64, 192}},
                      LayoutCase{"TileZero", 5, 0, 10, {0, 10, 1, 0, 0}},
                      LayoutCase{"LargestTile", 1, 37837, 1, {37837, 1, 1, 37837, 37837}}),
    [](const auto& test) { return std::string(test.param.name); });

struct TooLargeCase {
  const char* name;
  std::size_t count;
  std::uint32_t tile;
  std::uint32_t cols;
  const char* message;
};

class PlanTooLargeTest : public ::testing::TestWithParam<TooLargeCase> {};

TEST_P(PlanTooLargeTest, RejectsBeforeDrawing) {
  const TooLargeCase& c = GetParam();
  const auto layout = plan_contact_sheet(c.count, c.tile, c.cols);
  ASSERT_FALSE(layout.has_value());
  EXPECT_EQ(layout.error(), (RunError{c.message, {}}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlanTooLargeTest,
    ::testing::Values(
        // 37838^2 * 3 bytes is just over 2^32 - 1; 37837^2 * 3 is just under
        TooLargeCase{"TileBytes", 1, 37838, 1, "contact sheet tile of 37838 x 37838 pixels is too large"},
        TooLargeCase{"SheetBytes", 2, 37837, 1, "contact sheet of 37837 x 75674 pixels is too large"},
        TooLargeCase{"WideSheet", 1000, 1000, 2000, "contact sheet of 2000000 x 1000 pixels is too large"},
        TooLargeCase{"WidthOver32Bits", 0, 2, 4294967295u, "contact sheet of 8589934590 x 0 pixels is too large"},
        TooLargeCase{"HeightOver32Bits", 113514, 37837, 1, "contact sheet of 37837 x 4295029218 pixels is too large"}),
    [](const auto& test) { return std::string(test.param.name); });

// ---- sampling ----

struct SampleCase {
  const char* name;
  RgbaImage image;
  std::uint32_t tile;
  Bytes expected;
};

class SampleTileTest : public ::testing::TestWithParam<SampleCase> {};

TEST_P(SampleTileTest, NearestNeighbour) {
  EXPECT_EQ(sample_tile(GetParam().image, GetParam().tile), GetParam().expected);
}

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// A 2x2 image: red, green / blue, white; alpha varies and must not matter.
RgbaImage two_by_two() { return {2, 2, {255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 255, 255, 255, 7}}; }

// Four pixels in a row, 0..3 encoded in the red channel.
RgbaImage four_by_one() { return {4, 1, {0, 9, 9, 9, 1, 9, 9, 9, 2, 9, 9, 9, 3, 9, 9, 9}}; }

INSTANTIATE_TEST_SUITE_P(
    Cases, SampleTileTest,
    ::testing::Values(
        SampleCase{"SolidFillsTile", solid(10, 20, 30, 0), 2,
                   tile_of({{10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}})},
        SampleCase{"TwoByTwoInFour", two_by_two(), 4,
                   tile_of({kRed, kRed, kGreen, kGreen, kRed, kRed, kGreen, kGreen,
                            kBlue, kBlue, kWhite, kWhite, kBlue, kBlue, kWhite, kWhite})},
        SampleCase{"FourByOneInTwo", four_by_one(), 2, tile_of({{0, 9, 9}, {2, 9, 9}, {0, 9, 9}, {2, 9, 9}})},
        SampleCase{"FourByOneInThree", four_by_one(), 3,  // columns 0, 4/3 = 1, 8/3 = 2
                   tile_of({{0, 9, 9}, {1, 9, 9}, {2, 9, 9},  //
                            {0, 9, 9}, {1, 9, 9}, {2, 9, 9},  //
                            {0, 9, 9}, {1, 9, 9}, {2, 9, 9}})},
        SampleCase{"ZeroWidthIsBlack", RgbaImage{0, 5, {}}, 2, tile_of({kBlack, kBlack, kBlack, kBlack})},
        SampleCase{"ZeroHeightIsBlack", RgbaImage{5, 0, {1, 2, 3, 4}}, 1, tile_of({kBlack})},
        SampleCase{"ShortBufferMissingRowIsBlack", RgbaImage{2, 2, {255, 0, 0, 255, 0, 255, 0, 255}}, 2,
                   tile_of({kRed, kGreen, kBlack, kBlack})},
        SampleCase{"PartialPixelIsBlack", RgbaImage{2, 1, {1, 2, 3, 4, 5, 6}}, 2,
                   tile_of({{1, 2, 3}, kBlack, {1, 2, 3}, kBlack})},
        SampleCase{"NoPixelsAtAll", RgbaImage{3, 3, {}}, 1, tile_of({kBlack})},
        SampleCase{"TileZeroIsEmpty", two_by_two(), 0, Bytes{}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SampleTileTest, LargeImageTakesEveryFourthPixelOfEveryFourthRow) {
  RgbaImage image{256, 256, Bytes(256 * 256 * 4)};
  for (std::uint32_t y = 0; y < 256; ++y) {
    for (std::uint32_t x = 0; x < 256; ++x) {
      std::uint8_t* p = &image.pixels[(y * 256 + x) * 4];
      p[0] = static_cast<std::uint8_t>(x);
      p[1] = static_cast<std::uint8_t>(y);
      p[2] = static_cast<std::uint8_t>(x ^ y);
      p[3] = 0;
    }
  }
  const Bytes tile = sample_tile(image, 64);
  ASSERT_EQ(tile.size(), 64u * 64u * 3u);
  for (std::uint32_t ty = 0; ty < 64; ++ty) {
    for (std::uint32_t tx = 0; tx < 64; ++tx) {
      const std::uint8_t* p = &tile[(ty * 64 + tx) * 3];
      ASSERT_EQ(p[0], tx * 4) << tx << "," << ty;
      ASSERT_EQ(p[1], ty * 4) << tx << "," << ty;
      ASSERT_EQ(p[2], (tx * 4) ^ (ty * 4)) << tx << "," << ty;
    }
  }
}

TEST(SampleTileTest, TallImageUsesWideProducts) {
  // ty * height exceeds 32 bits here; the source row must still be ty * height / tile.
  // Only source row 0 is stored, so the later tile rows (source rows 2^29, 2^30, 3 * 2^29)
  // read as missing, i.e. black; a wrapped 32-bit product would send tile row 2 to row 0.
  RgbaImage image{1, 0x80000000u, {7, 8, 9, 0}};
  const Rgb c{7, 8, 9};
  const Bytes tile = sample_tile(image, 4);
  EXPECT_EQ(tile, tile_of({c, c, c, c, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack,
                           kBlack, kBlack}));
}

// ---- rendering ----

// The sheet's pixels as the streaming writer hands them out, gathered in memory.
std::expected<Bytes, RunError> streamed_pixels(const std::vector<Decoded>& decoded, std::uint32_t tile,
                                               std::uint32_t cols) {
  const auto layout = plan_contact_sheet(decoded.size(), tile, cols);
  if (!layout) return std::unexpected(layout.error());
  std::vector<TilePicture> pictures;
  for (const Decoded& d : decoded) pictures.push_back(keep_for_tile(d.image, tile));
  Bytes out;
  auto streamed = stream_sheet_pixels(*layout, pictures, [&out](std::span<const std::uint8_t> piece) {
    out.insert(out.end(), piece.begin(), piece.end());
    return std::expected<void, RunError>{};
  });
  if (!streamed) return std::unexpected(streamed.error());
  return out;
}

// The sheet drawn the plain way, whole and in memory: the background everywhere, then each
// record's sampled tile copied in row by row.
Bytes whole_sheet(const std::vector<Decoded>& decoded, std::uint32_t tile, std::uint32_t cols) {
  const auto layout = plan_contact_sheet(decoded.size(), tile, cols);
  Bytes sheet(layout->sheet_bytes(), kSheetBackground);
  for (std::size_t i = 0; i < decoded.size() && tile != 0; ++i) {
    const Bytes pixels = sample_tile(decoded[i].image, tile);
    const std::size_t x = (i % layout->columns) * tile;
    const std::size_t y = (i / layout->columns) * tile;
    for (std::size_t row = 0; row < tile; ++row) {
      std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(row * tile * 3), tile * 3,
                  sheet.begin() + static_cast<std::ptrdiff_t>(((y + row) * layout->width + x) * 3));
    }
  }
  return sheet;
}

Rgb colour_of(std::size_t i) {
  return {static_cast<std::uint8_t>(i + 1), static_cast<std::uint8_t>(2 * i + 1), static_cast<std::uint8_t>(3 * i + 1)};
}

TEST(RenderTest, TwentyThreeSurfacesWithDefaults) {
  std::vector<Decoded> decoded;
  for (std::size_t i = 0; i < 23; ++i) {
    const Rgb c = colour_of(i);
    decoded.push_back(decoded_with(solid(c[0], c[1], c[2])));
  }
  const auto layout = plan_contact_sheet(decoded.size(), 64, 10);
  ASSERT_TRUE(layout.has_value());
  ASSERT_EQ(layout->width, 640u);
  ASSERT_EQ(layout->height, 192u);
  const auto pixels = streamed_pixels(decoded, 64, 10);
  ASSERT_TRUE(pixels.has_value());
  ASSERT_EQ(pixels->size(), 640u * 192u * 3u);
  for (std::size_t y = 0; y < 192; ++y) {
    for (std::size_t x = 0; x < 640; ++x) {
      const std::size_t cell = (y / 64) * 10 + x / 64;
      const Rgb expected = cell < 23 ? colour_of(cell) : Rgb{32, 32, 32};
      const std::uint8_t* p = &(*pixels)[(y * 640 + x) * 3];
      ASSERT_EQ((Rgb{p[0], p[1], p[2]}), expected) << "pixel " << x << "," << y;
    }
  }
}

TEST(RenderTest, ColsZeroStacksTilesVertically) {
  const std::vector<Decoded> decoded = {decoded_with(solid(1, 1, 1)), decoded_with(solid(2, 2, 2))};
  EXPECT_EQ(streamed_pixels(decoded, 1, 0), (Bytes{1, 1, 1, 2, 2, 2}));
}

// Images below, at and above the tile's size, and odd ones (empty, short of pixels), in
// grids whose rows are longer than one streamed piece or shorter than one tile.
struct StreamCase {
  const char* name;
  std::uint32_t tile;
  std::uint32_t cols;
};

class StreamedSheetTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(StreamedSheetTest, IsTheSheetDrawnWhole) {
  std::vector<Decoded> decoded = {decoded_with(two_by_two()), decoded_with(four_by_one()), decoded_with(solid(5, 6, 7)),
                                  decoded_with(RgbaImage{}), decoded_with(RgbaImage{2, 2, {255, 0, 0, 255, 0, 255, 0, 255}}),
                                  decoded_with(RgbaImage{1, 0x80000000u, {7, 8, 9, 0}})};
  for (const std::uint32_t side : {3u, 7u, 40u, 130u}) {
    RgbaImage image{side, side + 1, Bytes(std::size_t{side} * (side + 1) * 4)};
    for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<std::uint8_t>(i * 37 + side);
    decoded.push_back(decoded_with(std::move(image)));
  }
  const auto [name, tile, cols] = GetParam();
  const auto pixels = streamed_pixels(decoded, tile, cols);
  ASSERT_TRUE(pixels.has_value()) << pixels.error().message;
  EXPECT_TRUE(*pixels == whole_sheet(decoded, tile, cols));
}

INSTANTIATE_TEST_SUITE_P(Layouts, StreamedSheetTest,
                         ::testing::Values(StreamCase{"TilesOfOne", 1, 4}, StreamCase{"SmallTiles", 3, 3},
                                           StreamCase{"TileOfTheImages", 40, 5}, StreamCase{"LargeTiles", 64, 4},
                                           StreamCase{"OneColumn", 17, 1}, StreamCase{"RowsLongerThanAPiece", 33, 12000},
                                           StreamCase{"TileZero", 0, 3}),
                         [](const auto& test) { return std::string(test.param.name); });

// A surface keeps whichever is smaller: its image (less alpha) or its sampled tile.
TEST(KeepForTileTest, KeepsTheSmallerOfImageAndTile) {
  RgbaImage large{256, 256, Bytes(256 * 256 * 4, 9)};
  const TilePicture kept_tile = keep_for_tile(large, 16);
  EXPECT_EQ(kept_tile, (TilePicture{16, 16, sample_tile(large, 16)}));

  const TilePicture kept_image = keep_for_tile(two_by_two(), 64);
  EXPECT_EQ(kept_image, (TilePicture{2, 2, tile_of({kRed, kGreen, kBlue, kWhite})}));

  const TilePicture exact = keep_for_tile(two_by_two(), 2);  // as many pixels as the tile
  EXPECT_EQ(exact.width, 2u);
  EXPECT_EQ(exact.rgb.size(), 12u);

  EXPECT_EQ(keep_for_tile(RgbaImage{2, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9}}, 8).rgb, (Bytes{1, 2, 3, 5, 6, 7}));
  EXPECT_EQ(keep_for_tile(RgbaImage{0, 5, {}}, 8), (TilePicture{0, 5, {}}));
  EXPECT_EQ(keep_for_tile(large, 0), TilePicture{});
}

TEST(RenderTest, MorePicturesThanCellsIsAnError) {
  const auto layout = plan_contact_sheet(3, 2, 2);
  ASSERT_TRUE(layout.has_value());
  const std::vector<TilePicture> pictures(5);
  const auto streamed =
      stream_sheet_pixels(*layout, pictures, [](std::span<const std::uint8_t>) { return std::expected<void, RunError>{}; });
  ASSERT_FALSE(streamed.has_value());
  EXPECT_EQ(streamed.error().message, "tile 4 lies outside the contact sheet of 2 x 2 tiles");
}

// ---- the file ----

struct PpmCase {
  const char* name;
  std::vector<Decoded> decoded;
  std::uint32_t tile;
  std::uint32_t cols;
  Bytes expected;
};

class PpmFileTest : public ::testing::TestWithParam<PpmCase> {};

TEST_P(PpmFileTest, ExactBytes) {
  TempDir dir;
  const auto path = dir / "sheet.ppm";
  const PpmCase& c = GetParam();
  const auto written = write_contact_sheet(c.decoded, path, c.tile, c.cols);
  ASSERT_TRUE(written.has_value()) << written.error().message;
  EXPECT_EQ(read_file_bytes(path), c.expected);
}

constexpr std::uint8_t G = kSheetBackground;

INSTANTIATE_TEST_SUITE_P(
    Cases, PpmFileTest,
    ::testing::Values(
        PpmCase{"NoSurfaces", {}, 64, 10, ppm_bytes("P6\n640 0\n255\n", {})},
        PpmCase{"TileZero", {decoded_with(solid(1, 2, 3))}, 0, 10, ppm_bytes("P6\n0 0\n255\n", {})},
        // red 1x1, a green-blue 2x1 and an empty image in a 2x2 grid of 2-pixel tiles
        PpmCase{"ThreeTiles",
                {decoded_with(solid(255, 0, 0)), decoded_with(RgbaImage{2, 1, {0, 255, 0, 0, 0, 0, 255, 0}}),
                 decoded_with(RgbaImage{0, 0, {}})},
                2,
                2,
                ppm_bytes("P6\n4 4\n255\n", {255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255,  //
                                              255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255,  //
                                              0, 0, 0, 0, 0, 0, G, G, G, G, G, G,          //
                                              0, 0, 0, 0, 0, 0, G, G, G, G, G, G})}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(PpmFileTest, ReplacesExistingFile) {
  TempDir dir;
  const auto path = dir / "sheet.ppm";
  quillfen::testing::write_file_bytes(path, Bytes(100, 'x'));
  ASSERT_TRUE(write_contact_sheet({decoded_with(solid(9, 8, 7))}, path, 1, 1).has_value());
  EXPECT_EQ(read_file_bytes(path), ppm_bytes("P6\n1 1\n255\n", {9, 8, 7}));
}

TEST(PpmFileTest, CreateFailureNamesThePath) {
  TempDir dir;
  struct Case {
    std::filesystem::path path;
    int error;
  };
  for (const Case& c : {Case{dir / "missing" / "sheet.ppm", ENOENT}, Case{dir.path(), EISDIR}}) {
    const auto written = write_contact_sheet({decoded_with(solid(1, 2, 3))}, c.path, 4, 2);
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error(),
              (RunError{"create " + c.path.native(), {common::IoError::from_errno(c.error).message()}}));
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(PpmFileTest, WriteFailureNamesThePath) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const auto written = write_contact_sheet({decoded_with(solid(1, 2, 3))}, "/dev/full", 4, 2);
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error(), (RunError{"write /dev/full", {common::IoError::from_errno(ENOSPC).message()}}));
}

TEST(PpmFileTest, TooLargeSheetCreatesNoFile) {
  TempDir dir;
  const auto path = dir / "sheet.ppm";
  const auto written = write_contact_sheet({decoded_with(solid(1, 2, 3))}, path, 40000, 1);
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error().message, "contact sheet tile of 40000 x 40000 pixels is too large");
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quillfen::audit
