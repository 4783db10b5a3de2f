// Material textures: each one, stored in the formats the world uses and read back the way
// the audit reads it, is classified as its material at 8, 64 and 512 pixels - and stays
// so when its statistics are nudged, so it sits inside its rule rather than on an edge.
// Also: determinism, tiling, and the sizes that are refused.
#include "sample-world/materials.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <tuple>

#include "dat/write/texture_test_support.hpp"
#include "quillfen/dat/surface_classify.hpp"
#include "quillfen/dat/write/texture_encode.hpp"

namespace quillfen::sample {

// Test names and failure messages show the material by name.
void PrintTo(Material material, std::ostream* os) { *os << material_name(material); }

namespace {

namespace sc = dat::surface_classify;
using dat::file_type::TextureFormat;

constexpr TextureFormat kWorldFormats[] = {TextureFormat::R8G8B8, TextureFormat::Dxt1, TextureFormat::P8,
                                           TextureFormat::Dxt5, TextureFormat::Index16};

// Small changes to one statistic at a time. A texture whose category survives all of them
// is clear of every threshold it meets.
struct Nudge {
  const char* name;
  std::function<void(sc::ImageStats&)> apply;
};

std::vector<Nudge> nudges() {
  std::vector<Nudge> out;
  for (const float sign : {1.0f, -1.0f}) {
    for (std::size_t c = 0; c < 3; ++c) {
      out.push_back({"mean channel", [=](sc::ImageStats& s) { s.mean_rgb[c] += sign * 0.01f; }});
    }
    out.push_back({"luminance", [=](sc::ImageStats& s) { s.luminance += sign * 0.01f; }});
    out.push_back({"variance", [=](sc::ImageStats& s) { s.variance = std::max(0.0f, s.variance + sign * 0.004f); }});
    out.push_back({"saturation", [=](sc::ImageStats& s) { s.saturation += sign * 0.015f; }});
    out.push_back({"hue", [=](sc::ImageStats& s) { s.dominant_hue += sign * 2.0f; }});
  }
  return out;
}

using ClassifyParam = std::tuple<Material, std::uint32_t>;

class MaterialClassifyTest : public ::testing::TestWithParam<ClassifyParam> {};

TEST_P(MaterialClassifyTest, ClassifiedAsItsMaterialWithMargin) {
  const auto [material, size] = GetParam();
  const auto image = make_material(material, size, 1);
  ASSERT_TRUE(image.has_value()) << image.error();
  const std::uint32_t flags = material_surface_flags(material);
  const sc::SurfaceCategory expected = expected_category(material);

  for (const TextureFormat format : kWorldFormats) {
    SCOPED_TRACE(::testing::Message() << "format " << static_cast<std::uint32_t>(format));
    const auto encoded = dat::write::encode_texture(*image, format);
    ASSERT_TRUE(encoded.has_value()) << encoded.error().message;
    const std::vector<std::uint8_t> rgba = quillfen::testing::decode_through_records(*encoded);
    const sc::ImageStats stats = sc::compute_stats(rgba, size, size);
    ASSERT_EQ(sc::display_name(sc::classify(stats, flags)), sc::display_name(expected));
    for (const Nudge& nudge : nudges()) {
      sc::ImageStats nudged = stats;
      nudge.apply(nudged);
      EXPECT_EQ(sc::display_name(sc::classify(nudged, flags)), sc::display_name(expected)) << nudge.name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllMaterials, MaterialClassifyTest,
                         ::testing::Combine(::testing::ValuesIn(kAllMaterials), ::testing::Values(8u, 64u, 512u)),
                         [](const ::testing::TestParamInfo<ClassifyParam>& param_info) {
                           std::string name(material_name(std::get<0>(param_info.param)));
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name + "_" + std::to_string(std::get<1>(param_info.param));
                         });

TEST(MaterialTest, ClassificationHoldsAcrossSeeds) {
  for (const Material material : kAllMaterials) {
    for (std::uint64_t seed : {2ull, 77ull, 0xDEADBEEFull}) {
      const auto image = make_material(material, 32, seed);
      ASSERT_TRUE(image.has_value());
      const sc::ImageStats stats = sc::compute_stats(image->pixels, 32, 32);
      EXPECT_EQ(sc::classify(stats, material_surface_flags(material)), expected_category(material))
          << material_name(material) << " seed " << seed;
    }
  }
}

TEST(MaterialTest, FoliageNeedsNoFlag) {
  const auto image = make_material(Material::Foliage, 64, 5);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(sc::classify(sc::compute_stats(image->pixels, 64, 64), 0), sc::SurfaceCategory::Foliage);
}

TEST(MaterialTest, SameSeedSameImageOtherSeedOtherImage) {
  for (const Material material : kAllMaterials) {
    SCOPED_TRACE(material_name(material));
    const auto a = make_material(material, 64, 42);
    const auto b = make_material(material, 64, 42);
    const auto c = make_material(material, 64, 43);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->width, 64u);
    EXPECT_EQ(a->height, 64u);
    ASSERT_EQ(a->pixels.size(), 64u * 64u * 4u);
    EXPECT_EQ(*a, *b);
    EXPECT_NE(a->pixels, c->pixels);
    for (std::size_t i = 3; i < a->pixels.size(); i += 4) ASSERT_EQ(a->pixels[i], 255);
  }
}

// Mean absolute RGB difference between columns x0 and x1 (or rows, when `rows`).
double line_difference(const RgbaImage& image, std::uint32_t i0, std::uint32_t i1, bool rows) {
  double sum = 0;
  for (std::uint32_t k = 0; k < image.width; ++k) {
    const std::size_t p0 = rows ? (std::size_t{i0} * image.width + k) * 4 : (std::size_t{k} * image.width + i0) * 4;
    const std::size_t p1 = rows ? (std::size_t{i1} * image.width + k) * 4 : (std::size_t{k} * image.width + i1) * 4;
    for (std::size_t c = 0; c < 3; ++c) sum += std::abs(image.pixels[p0 + c] - image.pixels[p1 + c]);
  }
  return sum / (3.0 * image.width);
}

TEST(MaterialTest, SurfacesTileWithoutASeam) {
  // Across the wrap the change should look like any step between neighbours. The banner
  // is a single hanging cloth with a hem and is not meant to tile.
  constexpr std::uint32_t kSize = 128;
  for (const Material material : kAllMaterials) {
    if (material == Material::Banner) continue;
    SCOPED_TRACE(material_name(material));
    const auto image = make_material(material, kSize, 3);
    ASSERT_TRUE(image.has_value());
    for (const bool rows : {false, true}) {
      double interior = 0;
      for (std::uint32_t i = 0; i + 1 < kSize; ++i) interior += line_difference(*image, i, i + 1, rows);
      interior /= kSize - 1;
      EXPECT_LE(line_difference(*image, kSize - 1, 0, rows), 3.0 * interior + 2.0) << (rows ? "rows" : "columns");
    }
  }
}

TEST(MaterialTest, RefusesSizesOutsideTheRange) {
  for (const std::uint32_t size : {0u, 4u, 12u, 100u, 1024u}) {
    const auto image = make_material(Material::Stone, size, 1);
    ASSERT_FALSE(image.has_value()) << size;
    EXPECT_EQ(image.error(), "material texture size " + std::to_string(size) + " is not a power of two from 8 to 512");
  }
  for (const std::uint32_t size : {8u, 16u, 512u}) EXPECT_TRUE(make_material(Material::Snow, size, 1).has_value());
}

TEST(MaterialTest, FlagsAndCategories) {
  // Only water, lava and foliage need flags, and only the banner is left Generic.
  for (const Material material : kAllMaterials) {
    const bool flagged = material == Material::Water || material == Material::Lava || material == Material::Foliage;
    EXPECT_EQ(material_surface_flags(material) != 0, flagged) << material_name(material);
    EXPECT_EQ(expected_category(material) == sc::SurfaceCategory::Generic, material == Material::Banner);
  }
  EXPECT_EQ(material_surface_flags(Material::Water), 0x10u);
  EXPECT_EQ(material_surface_flags(Material::Lava), 0x40u);
  EXPECT_EQ(material_surface_flags(Material::Foliage), 0x04u);
}

// The lossy formats the world uses keep each material close to its source.
struct LossyCase {
  TextureFormat format;
  std::size_t channels;  // 3 where the format is opaque
  double max_mean_error;
};

TEST(MaterialEncodeTest, LossyFormatsStayCloseOnMaterialTextures) {
  const LossyCase cases[] = {
      {TextureFormat::Dxt1, 3, 3.0},
      {TextureFormat::Dxt3, 3, 3.0},
      {TextureFormat::Dxt5, 3, 3.0},
      {TextureFormat::P8, 3, 1.0},  // these textures have few colours beyond 256
  };
  for (const Material material : {Material::Stone, Material::Wood, Material::Foliage, Material::Lava}) {
    const auto image = make_material(material, 128, 1);
    ASSERT_TRUE(image.has_value());
    for (const LossyCase& c : cases) {
      SCOPED_TRACE(::testing::Message() << material_name(material) << " " << static_cast<std::uint32_t>(c.format));
      const auto encoded = dat::write::encode_texture(*image, c.format);
      ASSERT_TRUE(encoded.has_value());
      const auto rgba = quillfen::testing::decode_through_records(*encoded);
      EXPECT_LT(quillfen::testing::mean_abs_error(rgba, image->pixels, c.channels), c.max_mean_error);
    }
  }
}

}  // namespace
}  // namespace quillfen::sample
