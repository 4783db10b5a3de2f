// Image statistics and the category rules: the hand-computed images, bit-identity with a
// plain division-per-byte computation, each rule's thresholds on both sides, and the
// order in which the rules decide.
#include "quillfen/dat/surface_classify.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace quillfen::dat::surface_classify {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- compute_stats ----

// The statistics computed plainly from their definition: a division by 255.0 for every
// byte, the deviations computed in the second loop, hue and saturation in float.
ImageStats reference_stats(const Bytes& rgba, std::uint32_t width, std::uint32_t height) {
  const std::uint64_t n = static_cast<std::uint64_t>(width) * height;
  if (n == 0 || rgba.size() < 4 * n) return {};
  double sr = 0, sg = 0, sb = 0, sy = 0, syy = 0;
  for (std::uint64_t i = 0; i < n; ++i) {
    const double r = rgba[4 * i] / 255.0, g = rgba[4 * i + 1] / 255.0, b = rgba[4 * i + 2] / 255.0;
    const double y = (r * 0.299 + g * 0.587) + b * 0.114;
    sr += r;
    sg += g;
    sb += b;
    sy += y;
    syy += y * y;
  }
  const double count = static_cast<double>(n);
  const double mr = sr / count, mg = sg / count, mb = sb / count, my = sy / count;
  double var = syy / count - my * my;
  if (!(var > 0)) var = 0;
  double dr = 0, dg = 0, db = 0;
  for (std::uint64_t i = 0; i < n; ++i) {
    const double r = rgba[4 * i] / 255.0 - mr, g = rgba[4 * i + 1] / 255.0 - mg, b = rgba[4 * i + 2] / 255.0 - mb;
    dr += r * r;
    dg += g * g;
    db += b * b;
  }
  ImageStats s;
  s.mean_rgb = {static_cast<float>(mr), static_cast<float>(mg), static_cast<float>(mb)};
  s.std_dev = {static_cast<float>(std::sqrt(dr / count)), static_cast<float>(std::sqrt(dg / count)),
               static_cast<float>(std::sqrt(db / count))};
  s.luminance = static_cast<float>(my);
  s.variance = static_cast<float>(var);
  const float R = s.mean_rgb[0], G = s.mean_rgb[1], B = s.mean_rgb[2];
  const float max = std::max({R, G, B}), min = std::min({R, G, B}), d = max - min;
  if (max > std::numeric_limits<float>::epsilon() && d > std::numeric_limits<float>::epsilon()) {
    const float h = max == R ? (G - B) / d : max == G ? (B - R) / d + 2.0f : (R - G) / d + 4.0f;
    s.dominant_hue = h * 60.0f < 0.0f ? h * 60.0f + 360.0f : h * 60.0f;
    s.saturation = d / max;
  }
  return s;
}

Bytes solid_image(std::size_t pixels, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
  Bytes out;
  for (std::size_t i = 0; i < pixels; ++i) out.insert(out.end(), {r, g, b, a});
  return out;
}

TEST(ComputeStatsTest, EmptyOrShortImagesGiveAllZero) {
  const Bytes four_pixels = solid_image(4, 200, 100, 50);
  EXPECT_EQ(compute_stats(four_pixels, 0, 0), ImageStats{});
  EXPECT_EQ(compute_stats(four_pixels, 0, 4), ImageStats{});
  EXPECT_EQ(compute_stats(four_pixels, 4, 0), ImageStats{});
  const Bytes one_short(four_pixels.begin(), four_pixels.end() - 1);
  EXPECT_EQ(compute_stats(one_short, 2, 2), ImageStats{});
  EXPECT_NE(compute_stats(four_pixels, 2, 2), ImageStats{});
}

struct PixelCase {
  std::uint8_t r, g, b;
  float hue;
  float saturation;
};

class SinglePixelTest : public ::testing::TestWithParam<PixelCase> {};

TEST_P(SinglePixelTest, HueAndSaturationOfTheMeanColour) {
  const auto& c = GetParam();
  const auto stats = compute_stats(solid_image(1, c.r, c.g, c.b, 0), 1, 1);
  EXPECT_EQ(stats.dominant_hue, c.hue);
  EXPECT_EQ(stats.saturation, c.saturation);
  EXPECT_EQ(stats.std_dev, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(stats.variance, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Colours, SinglePixelTest,
                         ::testing::Values(PixelCase{255, 0, 0, 0.0f, 1.0f}, PixelCase{0, 255, 0, 120.0f, 1.0f},
                                           PixelCase{0, 0, 255, 240.0f, 1.0f},
                                           PixelCase{255, 0, 255, 300.0f, 1.0f},  // h = -1 wraps
                                           PixelCase{255, 255, 0, 60.0f, 1.0f},   // red-green tie: red formula
                                           PixelCase{0, 255, 255, 180.0f, 1.0f},  // green-blue tie: green formula
                                           PixelCase{128, 128, 128, 0.0f, 0.0f}, PixelCase{0, 0, 0, 0.0f, 0.0f},
                                           PixelCase{1, 1, 1, 0.0f, 0.0f}));

TEST(ComputeStatsTest, PureRedPixel) {
  const auto stats = compute_stats(Bytes{255, 0, 0, 17}, 1, 1);
  EXPECT_EQ(stats.mean_rgb, (std::array<float, 3>{1, 0, 0}));
  EXPECT_EQ(stats.luminance, static_cast<float>(0.299));
}

TEST(ComputeStatsTest, BlackAndWhite) {
  const auto stats = compute_stats(Bytes{0, 0, 0, 255, 255, 255, 255, 255}, 2, 1);
  EXPECT_EQ(stats.std_dev, (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
  EXPECT_EQ(stats.luminance, 0.5f);
  EXPECT_EQ(stats.variance, 0.25f);
  EXPECT_EQ(stats.saturation, 0.0f);
}

TEST(ComputeStatsTest, RoundingNeverMakesTheVarianceNegative) {
  // Three pixels of grey 13: the mean of the squares falls below the squared mean.
  const double y = (13 / 255.0 * 0.299 + 13 / 255.0 * 0.587) + 13 / 255.0 * 0.114;
  const double mean = (y + y + y) / 3.0;
  ASSERT_LT((y * y + y * y + y * y) / 3.0 - mean * mean, 0.0);  // the case is real
  const auto stats = compute_stats(solid_image(3, 13, 13, 13), 3, 1);
  EXPECT_EQ(stats.variance, 0.0f);
  EXPECT_FALSE(std::signbit(stats.variance));
}

TEST(ComputeStatsTest, AlphaAndTrailingBytesTakeNoPart) {
  std::mt19937 engine(0x5eed0200);
  Bytes image(4 * 30 * 20);
  for (auto& byte : image) byte = static_cast<std::uint8_t>(engine());
  Bytes other = image;
  for (std::size_t i = 3; i < other.size(); i += 4) other[i] = static_cast<std::uint8_t>(~other[i]);
  other.insert(other.end(), {9, 9, 9, 9, 9});
  EXPECT_EQ(compute_stats(image, 30, 20), compute_stats(other, 30, 20));
}

TEST(ComputeStatsTest, BitIdenticalToThePlainComputation) {
  std::mt19937 engine(0x5eed0201);
  const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{1, 1}, {2, 1}, {7, 3}, {64, 64}, {257, 31}};
  for (const auto& [w, h] : sizes) {
    for (int narrow = 0; narrow < 2; ++narrow) {
      // Full-range noise, and a narrow band around a colour (small deviations, hue > 0).
      Bytes image(4ull * w * h);
      for (std::size_t i = 0; i < image.size(); ++i) {
        const auto noise = static_cast<std::uint8_t>(engine());
        const std::uint8_t base[] = {150, 110, 60, 255};
        image[i] = narrow ? static_cast<std::uint8_t>(base[i % 4] + noise % 8) : noise;
      }
      const auto stats = compute_stats(image, w, h);
      const auto expected = reference_stats(image, w, h);
      EXPECT_EQ(stats, expected) << w << " x " << h;
    }
  }
}

TEST(ComputeStatsTest, HueJustBelowZeroWrapsToZeroNotTo360) {
  // Red everywhere, one pixel with blue 1 of 16384: the mean hue is -60 / (255 * 16384)
  // degrees, which plus 360 rounds to exactly 360 in float.
  const std::uint32_t side = 128;
  Bytes image = solid_image(side * side, 255, 0, 0);
  image[2] = 1;
  const auto stats = compute_stats(image, side, side);
  const float b = stats.mean_rgb[2];
  ASSERT_GT(b, 0.0f);
  ASSERT_EQ((0.0f - b) / (1.0f - 0.0f) * 60.0f + 360.0f, 360.0f);  // the case is real
  EXPECT_EQ(stats.dominant_hue, 0.0f);
  EXPECT_LT(stats.dominant_hue, 360.0f);
  EXPECT_EQ(stats.saturation, 1.0f);
}

// ---- display_name ----

TEST(DisplayNameTest, EveryCategoryHasItsName) {
  const std::pair<SurfaceCategory, std::string_view> names[] = {
      {SurfaceCategory::Stone, "Stone"}, {SurfaceCategory::Wood, "Wood"},       {SurfaceCategory::Metal, "Metal"},
      {SurfaceCategory::Sand, "Sand"},   {SurfaceCategory::Lava, "Lava"},       {SurfaceCategory::Water, "Water"},
      {SurfaceCategory::Foliage, "Foliage"}, {SurfaceCategory::Cloth, "Cloth"}, {SurfaceCategory::Dirt, "Dirt"},
      {SurfaceCategory::Snow, "Snow"},   {SurfaceCategory::Brick, "Brick"},     {SurfaceCategory::Tile, "Tile"},
      {SurfaceCategory::Generic, "Generic"}};
  for (std::size_t i = 0; i < std::size(names); ++i) {
    EXPECT_EQ(static_cast<std::size_t>(names[i].first), i);
    EXPECT_EQ(display_name(names[i].first), names[i].second);
  }
}

// ---- classify ----

ImageStats stats_of(float r, float g, float b, float l, float v, float h, float s) {
  ImageStats stats;
  stats.mean_rgb = {r, g, b};
  stats.luminance = l;
  stats.variance = v;
  stats.dominant_hue = h;
  stats.saturation = s;
  return stats;
}

struct ClassifyCase {
  const char* name;
  ImageStats stats;
  std::uint32_t flags;
  SurfaceCategory expected;
};

class ClassifyTest : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyTest, FirstMatchingRuleDecides) {
  const auto& c = GetParam();
  EXPECT_EQ(display_name(classify(c.stats, c.flags)), display_name(c.expected));
}

using enum SurfaceCategory;

INSTANTIATE_TEST_SUITE_P(
    Cases, ClassifyTest,
    ::testing::Values(
        ClassifyCase{"EmptyImage", ImageStats{}, 0x54, Generic},
        ClassifyCase{"RedWithLavaFlag", stats_of(1, 0, 0, 0.299f, 0, 0, 1), 0x40, Lava},
        ClassifyCase{"RedWithWaterVeto", stats_of(1, 0, 0, 0.299f, 0, 0, 1), 0x50, Generic},
        ClassifyCase{"RedWithoutFlags", stats_of(1, 0, 0, 0.299f, 0, 0, 1), 0x00, Generic},
        ClassifyCase{"BlueWithWaterFlag", stats_of(0.2f, 0.2f, 0.6f, 0.2456f, 0, 240, 0.6667f), 0x10, Water},
        ClassifyCase{"BlueWithoutFlags", stats_of(0.2f, 0.2f, 0.6f, 0.2456f, 0, 240, 0.6667f), 0x00, Generic},
        ClassifyCase{"GreenNoFlags", stats_of(0.2f, 0.5f, 0.2f, 0.4f, 0, 120, 0.6f), 0x00, Foliage},
        ClassifyCase{"GreenAllFlags", stats_of(0.2f, 0.5f, 0.2f, 0.4f, 0, 120, 0.6f), 0x54, Foliage},
        ClassifyCase{"PaleGreenNeedsFlag", stats_of(0.3f, 0.4f, 0.3f, 0.37f, 0, 120, 0.25f), 0x04, Foliage},
        ClassifyCase{"PaleGreenWithoutFlag", stats_of(0.3f, 0.4f, 0.3f, 0.37f, 0, 120, 0.25f), 0x00, Generic},
        ClassifyCase{"GreySnow", stats_of(0.9f, 0.9f, 0.9f, 0.9f, 0.01f, 0, 0), 0, Snow},
        ClassifyCase{"GreyMetal", stats_of(0.6f, 0.6f, 0.6f, 0.6f, 0.01f, 0, 0), 0, Metal},
        ClassifyCase{"GreyStoneRule10", stats_of(0.6f, 0.6f, 0.6f, 0.6f, 0.03f, 0, 0), 0, Stone},
        ClassifyCase{"GreyStoneRule11", stats_of(0.3f, 0.3f, 0.3f, 0.3f, 0.05f, 0, 0), 0, Stone},
        ClassifyCase{"GreyTooDark", stats_of(0.05f, 0.05f, 0.05f, 0.05f, 0.05f, 0, 0), 0, Generic},
        ClassifyCase{"ReddishBrownWood", stats_of(0.5f, 0.3f, 0.2f, 0.3484f, 0.01f, 20, 0.6f), 0, Wood},
        ClassifyCase{"BrightReddishDirt", stats_of(0.75f, 0.45f, 0.3f, 0.5226f, 0.01f, 20, 0.6f), 0, Dirt},
        ClassifyCase{"BrownWoodRule8", stats_of(0.4f, 0.32f, 0.24f, 0.3348f, 0.01f, 30, 0.4f), 0, Wood},
        ClassifyCase{"BrownDirtRule8", stats_of(0.5f, 0.4f, 0.3f, 0.4185f, 0.01f, 30, 0.4f), 0, Dirt},
        ClassifyCase{"BeigeSand", stats_of(0.8f, 0.7f, 0.5f, 0.7071f, 0.01f, 40, 0.375f), 0, Sand},
        // Rule 7 decides even where rule 9 would also hold.
        ClassifyCase{"Rule7BeforeMetal", stats_of(0.9f, 0.6f, 0.6f, 0.7f, 0.01f, 10, 0.1f), 0, Dirt},
        // Rule 8 passes a bright surface on; rule 9 then takes it.
        ClassifyCase{"BrightRule8GoesToMetal", stats_of(0.6f, 0.58f, 0.55f, 0.6f, 0.01f, 30, 0.11f), 0, Metal},
        ClassifyCase{"DimRule8IsDirt", stats_of(0.6f, 0.58f, 0.55f, 0.5f, 0.01f, 30, 0.11f), 0, Dirt},
        // Lava comes before rule 7, which would otherwise make this Wood.
        ClassifyCase{"LavaBeforeRule7", stats_of(0.8f, 0.1f, 0.1f, 0.3f, 0, 20, 0.875f), 0x40, Lava},
        ClassifyCase{"Rule7WithoutLavaFlag", stats_of(0.8f, 0.1f, 0.1f, 0.3f, 0, 20, 0.875f), 0x00, Wood}),
    [](const auto& test) { return std::string(test.param.name); });

enum class Field { R, G, B, L, V, H, S };

float& field_of(ImageStats& stats, Field field) {
  switch (field) {
    case Field::R: return stats.mean_rgb[0];
    case Field::G: return stats.mean_rgb[1];
    case Field::B: return stats.mean_rgb[2];
    case Field::L: return stats.luminance;
    case Field::V: return stats.variance;
    case Field::H: return stats.dominant_hue;
    case Field::S: return stats.saturation;
  }
  return stats.luminance;
}

// One threshold of one rule: `field` is set to the float just below `at`, to `at`, and
// to the float just above it; the three results show which side is strict.
struct BoundaryCase {
  const char* name;
  ImageStats base;
  std::uint32_t flags;
  Field field;
  float at;
  SurfaceCategory below, on, above;
};

class BoundaryTest : public ::testing::TestWithParam<BoundaryCase> {};

TEST_P(BoundaryTest, StrictAndInclusiveAsWritten) {
  const auto& c = GetParam();
  const float inf = std::numeric_limits<float>::infinity();
  const std::pair<float, SurfaceCategory> probes[] = {
      {std::nextafter(c.at, -inf), c.below}, {c.at, c.on}, {std::nextafter(c.at, inf), c.above}};
  for (const auto& [value, expected] : probes) {
    ImageStats stats = c.base;
    field_of(stats, c.field) = value;
    EXPECT_EQ(display_name(classify(stats, c.flags)), display_name(expected)) << "value " << value;
  }
}

const ImageStats kLavaRed = stats_of(0.8f, 0.1f, 0.1f, 0.3f, 0.0f, 0, 0.875f);
const ImageStats kWaterBlue = stats_of(0.1f, 0.1f, 0.6f, 0.2f, 0.0f, 240, 0.833f);
const ImageStats kPaleGreen = stats_of(0.3f, 0.4f, 0.3f, 0.37f, 0.0f, 120, 0.25f);
const ImageStats kGreen = stats_of(0.2f, 0.5f, 0.2f, 0.4f, 0.0f, 120, 0.6f);
const ImageStats kSnow = stats_of(0.9f, 0.9f, 0.9f, 0.9f, 0.01f, 0, 0.0f);
const ImageStats kBeige = stats_of(0.8f, 0.7f, 0.5f, 0.7071f, 0.01f, 40, 0.375f);
const ImageStats kRedBrown = stats_of(0.5f, 0.3f, 0.2f, 0.3f, 0.01f, 20, 0.7f);  // S beyond rule 8
const ImageStats kBrown = stats_of(0.4f, 0.32f, 0.24f, 0.3348f, 0.01f, 30, 0.4f);
const ImageStats kBrownHue20 = stats_of(0.4f, 0.32f, 0.24f, 0.3348f, 0.01f, 20, 0.4f);
const ImageStats kMetal = stats_of(0.6f, 0.6f, 0.6f, 0.6f, 0.01f, 0, 0.0f);
const ImageStats kStone10 = stats_of(0.3f, 0.3f, 0.3f, 0.3f, 0.01f, 0, 0.15f);
const ImageStats kStone11 = stats_of(0.3f, 0.3f, 0.3f, 0.3f, 0.05f, 0, 0.22f);

ImageStats with(ImageStats stats, Field field, float value) {
  field_of(stats, field) = value;
  return stats;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BoundaryTest,
    ::testing::Values(
        // Rule 1, Lava: R > 0.4, R > 1.2 G, R > 1.5 B, V < 0.05.
        BoundaryCase{"LavaR", kLavaRed, 0x40, Field::R, 0.4f, Generic, Generic, Lava},
        BoundaryCase{"LavaRtoG", with(kLavaRed, Field::G, 0.5f), 0x40, Field::R, 1.2f * 0.5f, Generic, Generic, Lava},
        BoundaryCase{"LavaRtoB", with(kLavaRed, Field::B, 0.4f), 0x40, Field::R, 1.5f * 0.4f, Generic, Generic, Lava},
        BoundaryCase{"LavaV", kLavaRed, 0x40, Field::V, 0.05f, Lava, Generic, Generic},
        // Rule 2, Water: B > 0.2, B > G, B > R.
        BoundaryCase{"WaterB", with(kWaterBlue, Field::B, 0.2f), 0x10, Field::B, 0.2f, Generic, Generic, Water},
        BoundaryCase{"WaterBtoG", with(kWaterBlue, Field::G, 0.5f), 0x10, Field::B, 0.5f, Foliage, Generic, Water},
        BoundaryCase{"WaterBtoR", with(kWaterBlue, Field::R, 0.5f), 0x10, Field::B, 0.5f, Generic, Generic, Water},
        // Rule 3, Foliage with bit 0x04: G > B, G > R, S > 0.15.
        BoundaryCase{"FlagFoliageGtoB", with(kPaleGreen, Field::B, 0.4f), 0x04, Field::G, 0.4f, Generic, Generic,
                     Foliage},
        BoundaryCase{"FlagFoliageGtoR", with(kPaleGreen, Field::R, 0.4f), 0x04, Field::G, 0.4f, Generic, Generic,
                     Foliage},
        BoundaryCase{"FlagFoliageS", kPaleGreen, 0x04, Field::S, 0.15f, Stone, Stone, Foliage},
        // Rule 4, Foliage: G > R, G > B, S > 0.3.
        BoundaryCase{"FoliageGtoR", with(kGreen, Field::R, 0.5f), 0, Field::G, 0.5f, Generic, Generic, Foliage},
        BoundaryCase{"FoliageGtoB", with(kGreen, Field::B, 0.5f), 0, Field::G, 0.5f, Generic, Generic, Foliage},
        BoundaryCase{"FoliageS", kGreen, 0, Field::S, 0.3f, Generic, Generic, Foliage},
        // Rule 5, Snow: S < 0.12, L > 0.78, V < 0.02.
        BoundaryCase{"SnowS", kSnow, 0, Field::S, 0.12f, Snow, Generic, Generic},
        BoundaryCase{"SnowL", kSnow, 0, Field::L, 0.78f, Metal, Metal, Snow},
        BoundaryCase{"SnowV", kSnow, 0, Field::V, 0.02f, Snow, Metal, Metal},
        // Rule 6, Sand: V < 0.06, L >= 0.55, 0.2 <= S <= 0.5, 30 <= H <= 60.
        BoundaryCase{"SandV", kBeige, 0, Field::V, 0.06f, Sand, Generic, Generic},
        BoundaryCase{"SandL", kBeige, 0, Field::L, 0.55f, Dirt, Sand, Sand},
        BoundaryCase{"SandSLow", kBeige, 0, Field::S, 0.2f, Generic, Sand, Sand},
        BoundaryCase{"SandSHigh", kBeige, 0, Field::S, 0.5f, Sand, Sand, Generic},
        BoundaryCase{"SandHLow", kBeige, 0, Field::H, 30.0f, Generic, Sand, Sand},
        BoundaryCase{"SandHHigh", kBeige, 0, Field::H, 60.0f, Sand, Sand, Generic},
        // Rule 7: R > 1.4 G, R > 1.4 B, 5 <= H <= 50; Wood below L 0.35, else Dirt.
        BoundaryCase{"ReddishRtoG", kRedBrown, 0, Field::R, 1.4f * 0.3f, Generic, Generic, Wood},
        BoundaryCase{"ReddishRtoB", with(with(kRedBrown, Field::G, 0.2f), Field::B, 0.3f), 0, Field::R,
                     1.4f * 0.3f, Generic, Generic, Wood},
        BoundaryCase{"ReddishHLow", kRedBrown, 0, Field::H, 5.0f, Generic, Wood, Wood},
        BoundaryCase{"ReddishHHigh", kRedBrown, 0, Field::H, 50.0f, Wood, Wood, Generic},
        BoundaryCase{"ReddishL", kRedBrown, 0, Field::L, 0.35f, Wood, Dirt, Dirt},
        // Rule 8: 15 <= H <= 55, V < 0.13, 0.1 <= S <= 0.65, L < 0.55.
        BoundaryCase{"BrownHLow", kBrown, 0, Field::H, 15.0f, Generic, Wood, Wood},
        BoundaryCase{"BrownHHigh", kBrown, 0, Field::H, 55.0f, Wood, Wood, Generic},
        BoundaryCase{"BrownV", kBrown, 0, Field::V, 0.13f, Wood, Generic, Generic},
        BoundaryCase{"BrownSLow", kBrown, 0, Field::S, 0.1f, Stone, Wood, Wood},
        BoundaryCase{"BrownSHigh", kBrown, 0, Field::S, 0.65f, Wood, Wood, Generic},
        BoundaryCase{"BrownL", kBrownHue20, 0, Field::L, 0.55f, Dirt, Generic, Generic},
        BoundaryCase{"BrownWoodOrDirt", kBrown, 0, Field::L, 0.35f, Wood, Dirt, Dirt},
        // Rule 9, Metal: S < 0.12, L > 0.45, V < 0.025.
        BoundaryCase{"MetalS", kMetal, 0, Field::S, 0.12f, Metal, Stone, Stone},
        BoundaryCase{"MetalL", kMetal, 0, Field::L, 0.45f, Stone, Stone, Metal},
        BoundaryCase{"MetalV", kMetal, 0, Field::V, 0.025f, Metal, Stone, Stone},
        // Rule 10, Stone: 0.1 <= L <= 0.65, S < 0.2, V < 0.04. (Its V bound cannot show:
        // rule 11 takes every V >= 0.04 that rule 10 lets through.)
        BoundaryCase{"StoneLLow", kStone10, 0, Field::L, 0.1f, Generic, Stone, Stone},
        BoundaryCase{"StoneLHigh", kStone10, 0, Field::L, 0.65f, Stone, Stone, Generic},
        BoundaryCase{"StoneS", kStone10, 0, Field::S, 0.2f, Stone, Generic, Generic},
        // Rule 11, Stone: L >= 0.1, S < 0.25, V >= 0.025.
        BoundaryCase{"RoughStoneL", kStone11, 0, Field::L, 0.1f, Generic, Stone, Stone},
        BoundaryCase{"RoughStoneS", kStone11, 0, Field::S, 0.25f, Stone, Generic, Generic},
        BoundaryCase{"RoughStoneV", kStone11, 0, Field::V, 0.025f, Generic, Stone, Stone}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace quillfen::dat::surface_classify
