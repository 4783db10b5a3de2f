// The report's thumbnails: the fit inside the square, and area-weighted sampling checked
// against sums worked out by hand.
#include "world-audit/report/thumbnail.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>

namespace quillfen::world {
namespace {

using Colour = std::array<std::uint8_t, 3>;

dat::RgbaImage image_of(std::uint32_t width, std::uint32_t height, auto colour_at) {
  dat::RgbaImage image{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const Colour c = colour_at(x, y);
      std::uint8_t* p = image.pixels.data() + (std::size_t{y} * width + x) * 4;
      p[0] = c[0];
      p[1] = c[1];
      p[2] = c[2];
      p[3] = static_cast<std::uint8_t>((x * 37 + y) & 0xFF);  // alpha takes no part
    }
  }
  return image;
}

Colour at(const Thumbnail& thumbnail, std::uint32_t x, std::uint32_t y) {
  const std::size_t i = (std::size_t{y} * kThumbnailEdge + x) * 3;
  return {thumbnail[i], thumbnail[i + 1], thumbnail[i + 2]};
}

constexpr Colour kMargin{kThumbnailMargin.r, kThumbnailMargin.g, kThumbnailMargin.b};

struct FitCase {
  std::uint32_t width, height;
  ThumbnailFit expected;
};

class Fit : public ::testing::TestWithParam<FitCase> {};

TEST_P(Fit, KeepsTheAspectWithTheLongerSideFilled) {
  EXPECT_EQ(thumbnail_fit(GetParam().width, GetParam().height), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Fit,
                         ::testing::Values(FitCase{128, 128, {48, 48}}, FitCase{16, 16, {48, 48}},
                                           FitCase{1, 1, {48, 48}}, FitCase{128, 64, {48, 24}},
                                           FitCase{64, 128, {24, 48}}, FitCase{3, 2, {48, 32}},
                                           FitCase{100, 3, {48, 1}},  // 1.44 rounds to 1
                                           FitCase{10000, 1, {48, 1}},  // never less than a pixel
                                           FitCase{0, 5, {0, 0}}, FitCase{5, 0, {0, 0}}));

TEST(SampleThumbnail, AUniformImageGivesItsColourEverywhere) {
  const Thumbnail thumbnail = sample_thumbnail(image_of(128, 128, [](auto, auto) { return Colour{10, 200, 77}; }));
  for (std::uint32_t y = 0; y < kThumbnailEdge; ++y) {
    for (std::uint32_t x = 0; x < kThumbnailEdge; ++x) ASSERT_EQ(at(thumbnail, x, y), (Colour{10, 200, 77}));
  }
}

TEST(SampleThumbnail, AWholeRatioEnlargesEachPixelIntoABlock) {
  const auto colour = [](std::uint32_t x, std::uint32_t y) {
    return Colour{static_cast<std::uint8_t>(x * 16), static_cast<std::uint8_t>(y * 16), static_cast<std::uint8_t>(x ^ y)};
  };
  const Thumbnail thumbnail = sample_thumbnail(image_of(16, 16, colour));
  for (std::uint32_t y = 0; y < kThumbnailEdge; ++y) {
    for (std::uint32_t x = 0; x < kThumbnailEdge; ++x) ASSERT_EQ(at(thumbnail, x, y), colour(x / 3, y / 3)) << x << "," << y;
  }
}

TEST(SampleThumbnail, AWholeRatioDownIsTheRoundedMeanOfEachBlock) {
  // 96 -> 48: each thumbnail pixel is the mean of a 2 x 2 block.
  const auto colour = [](std::uint32_t x, std::uint32_t y) {
    return Colour{static_cast<std::uint8_t>((x + y) % 2 == 0 ? 255 : 0), static_cast<std::uint8_t>(x % 2 == 0 ? 10 : 11),
                  static_cast<std::uint8_t>(y)};
  };
  const Thumbnail thumbnail = sample_thumbnail(image_of(96, 96, colour));
  for (std::uint32_t y = 0; y < kThumbnailEdge; ++y) {
    for (std::uint32_t x = 0; x < kThumbnailEdge; ++x) {
      // (255 + 0 + 0 + 255) / 4 = 127.5 and (10 + 11 + 10 + 11) / 4 = 10.5 round up;
      // the blue rows 2y and 2y + 1 average to 2y + 0.5, also up.
      ASSERT_EQ(at(thumbnail, x, y), (Colour{128, 11, static_cast<std::uint8_t>(2 * y + 1)})) << x << "," << y;
    }
  }
}

TEST(SampleThumbnail, APixelThatStraddlesTwoSourcePixelsWeighsThemByArea) {
  // Five columns onto 48: source column s covers [48s, 48s + 48) and thumbnail column o
  // covers [5o, 5o + 5). Column 9 covers [45, 50): 3 parts of column 0, 2 of column 1.
  const Thumbnail thumbnail =
      sample_thumbnail(image_of(5, 5, [](std::uint32_t x, auto) { return x == 0 ? Colour{0, 0, 0} : Colour{250, 250, 250}; }));
  for (std::uint32_t y = 0; y < kThumbnailEdge; ++y) {
    for (std::uint32_t x = 0; x < 9; ++x) ASSERT_EQ(at(thumbnail, x, y), (Colour{0, 0, 0}));
    ASSERT_EQ(at(thumbnail, 9, y), (Colour{100, 100, 100}));
    for (std::uint32_t x = 10; x < kThumbnailEdge; ++x) ASSERT_EQ(at(thumbnail, x, y), (Colour{250, 250, 250}));
  }
}

TEST(SampleThumbnail, AWideImageIsCentredBetweenMargins) {
  // 4 x 2 fits as 48 x 24, rows 12 to 35.
  const Thumbnail thumbnail = sample_thumbnail(image_of(4, 2, [](auto, auto) { return Colour{200, 0, 0}; }));
  for (std::uint32_t y = 0; y < kThumbnailEdge; ++y) {
    const Colour expected = y >= 12 && y < 36 ? Colour{200, 0, 0} : kMargin;
    for (std::uint32_t x = 0; x < kThumbnailEdge; ++x) ASSERT_EQ(at(thumbnail, x, y), expected) << x << "," << y;
  }
}

TEST(SampleThumbnail, ATallImageIsCentredBetweenMargins) {
  // 1 x 3 fits as 16 x 48, columns 16 to 31.
  const Thumbnail thumbnail = sample_thumbnail(image_of(1, 3, [](auto, auto) { return Colour{0, 0, 90}; }));
  for (std::uint32_t x = 0; x < kThumbnailEdge; ++x) {
    const Colour expected = x >= 16 && x < 32 ? Colour{0, 0, 90} : kMargin;
    for (std::uint32_t y = 0; y < kThumbnailEdge; ++y) ASSERT_EQ(at(thumbnail, x, y), expected) << x << "," << y;
  }
}

TEST(SampleThumbnail, AnImageWithoutItsPixelsGivesTheMarginAndReadsNothing) {
  dat::RgbaImage short_image = image_of(8, 8, [](auto, auto) { return Colour{1, 2, 3}; });
  short_image.pixels.resize(8 * 8 * 4 - 1);
  const dat::RgbaImage empty{0, 0, {}};
  const dat::RgbaImage claims_more{1u << 20, 1u << 20, std::vector<std::uint8_t>(64)};
  for (const dat::RgbaImage* image : std::initializer_list<const dat::RgbaImage*>{&short_image, &empty, &claims_more}) {
    const Thumbnail thumbnail = sample_thumbnail(*image);
    for (std::uint32_t y = 0; y < kThumbnailEdge; ++y) {
      for (std::uint32_t x = 0; x < kThumbnailEdge; ++x) ASSERT_EQ(at(thumbnail, x, y), kMargin);
    }
  }
}

}  // namespace
}  // namespace quillfen::world
