// decode_surface: each way a surface can fail names the record to look at and why; the
// successes give the image the statistics are taken from; the pixel budget is shared.
#include "quillfen/dat/surface_decode.hpp"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/ids.hpp"
#include "support/dat_pair.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::dat {
namespace {

namespace ft = file_type;
namespace sc = surface_classify;

ft::Surface solid(std::uint32_t argb, std::uint32_t flags = 0) {
  ft::Surface s;
  s.surface_type = flags;
  s.color_value = argb;
  return s;
}

ft::Surface textured(std::uint32_t surface_texture_id, std::uint32_t flags = surface_flags::kTextured) {
  ft::Surface s;
  s.surface_type = flags;
  s.texture_refs = ft::TextureRefs{surface_texture_id, 0};
  return s;
}

ft::SurfaceTexture listing(std::vector<std::uint32_t> textures) {
  ft::SurfaceTexture st;
  st.textures = std::move(textures);
  return st;
}

ft::Texture texture(ft::TextureFormat format, std::int32_t side, std::uint8_t fill,
                    std::optional<std::uint32_t> palette = std::nullopt) {
  ft::Texture t;
  t.width = side;
  t.height = side;
  t.format_raw = static_cast<std::uint32_t>(format);
  const std::size_t bytes_per_pixel = format == ft::TextureFormat::A8R8G8B8 ? 4 : 1;
  t.source_data.assign(static_cast<std::size_t>(side * side) * bytes_per_pixel, fill);
  t.default_palette_id = palette;
  return t;
}

// One world holding every case: surfaces 0x08000001.. each reach a different end.
class SurfaceDecodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::DatPair world;
    world.portal(0x08000001, solid(0x80FF0000, surface_flags::kLava));
    world.portal(0x08000002, textured(0x05000002));
    world.portal(0x05000002, listing({0x06000009, 0x06000002}));  // the last one counts
    world.portal(0x06000002, texture(ft::TextureFormat::A8, 8, 40));
    world.portal_raw(0x08000003, {0x02, 0x00});  // cut short
    world.portal(0x08000004, textured(0x05000004));
    world.portal(0x05000004, listing({}));
    world.portal(0x08000005, textured(0x05000005));  // no SurfaceTexture file
    world.portal(0x08000006, textured(0x05000006));
    world.portal(0x05000006, listing({0x06000006}));
    world.portal(0x06000006, texture(ft::TextureFormat::R5G6B5, 2, 0));
    world.portal(0x08000007, textured(0x05000007));
    world.portal(0x05000007, listing({0x06000007}));
    world.portal(0x06000007, texture(ft::TextureFormat::P8, 2, 0, 0x04FFFFFE));
    world.portal(0x08000008, textured(0x05000008));
    world.portal(0x05000008, listing({0x06000008}));  // no Texture file
    world.write(dir_ / "portal.dat", dir_ / "cell.dat");
    portal_.emplace(std::move(*DatDatabase::open(dir_ / "portal.dat")));
  }

  testing::TempDir dir_;
  std::optional<DatDatabase> portal_;
};

TEST_F(SurfaceDecodeTest, ASolidColourIsOnePixelInRgbaOrder) {
  PixelBudget budget;
  const auto surface = decode_surface(0x08000001, *portal_, budget);
  ASSERT_TRUE(surface);
  EXPECT_TRUE(surface->solid);
  EXPECT_EQ(surface->surface_type, surface_flags::kLava);
  EXPECT_EQ(surface->image, (RgbaImage{1, 1, {255, 0, 0, 128}}));
  EXPECT_FALSE(surface->texture_format);
  EXPECT_EQ(budget.left(), kMaxDecodedPixels);  // colours cost no budget
}

TEST_F(SurfaceDecodeTest, ATextureIsTheLastListedAndItsMeasureIsTheClassifiers) {
  PixelBudget budget;
  const auto surface = decode_surface(0x08000002, *portal_, budget);
  ASSERT_TRUE(surface);
  EXPECT_FALSE(surface->solid);
  EXPECT_EQ(surface->image.width, 8u);
  EXPECT_EQ(surface->image.pixels.size(), 8u * 8u * 4u);
  EXPECT_EQ(surface->texture_format, static_cast<std::uint32_t>(ft::TextureFormat::A8));
  EXPECT_EQ(budget.left(), kMaxDecodedPixels - 64);

  const SurfaceMeasure measure = measure_surface(*surface);
  const sc::ImageStats stats = sc::compute_stats(surface->image.pixels, 8, 8);
  EXPECT_EQ(measure.stats, stats);
  EXPECT_EQ(measure.category, sc::classify(stats, surface_flags::kTextured));
  EXPECT_FLOAT_EQ(measure.stats.mean_rgb[0], 40.0f / 255.0f);
}

struct FailureCase {
  const char* name;
  std::uint32_t surface_id;
  std::string reason;
};

class SurfaceFailureTest : public SurfaceDecodeTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SurfaceFailureTest, NamesTheRecordAndTheCause) {
  PixelBudget budget;
  const auto surface = decode_surface(GetParam().surface_id, *portal_, budget);
  ASSERT_FALSE(surface);
  EXPECT_EQ(surface.error().reason, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SurfaceFailureTest,
    ::testing::Values(
        FailureCase{"MissingSurface", 0x080000FF, "Surface 0x080000FF: File ID 080000FF not found in provider"},
        FailureCase{"ShortSurface", 0x08000003,
                    "Surface 0x08000003: failed to fill whole buffer (While parsing field 'surface_type' in "
                    "Surface)"},
        FailureCase{"EmptyTextureList", 0x08000004, "SurfaceTexture 0x05000004: lists no textures"},
        FailureCase{"MissingSurfaceTexture", 0x08000005,
                    "SurfaceTexture 0x05000005: File ID 05000005 not found in provider"},
        FailureCase{"UnsupportedFormat", 0x08000006,
                    "Texture 0x06000006: unsupported texture format R5G6B5 (code 23)"},
        FailureCase{"MissingPalette", 0x08000007,
                    "Texture 0x06000007: palette lookup failed: 0x04FFFFFE: File ID 04FFFFFE not found in "
                    "provider"},
        FailureCase{"MissingTexture", 0x08000008, "Texture 0x06000008: File ID 06000008 not found in provider"}),
    [](const ::testing::TestParamInfo<FailureCase>& c) { return std::string(c.param.name); });

TEST_F(SurfaceDecodeTest, ATextureBeyondTheBudgetFailsAndSaysSo) {
  PixelBudget budget(63);
  const auto surface = decode_surface(0x08000002, *portal_, budget);
  ASSERT_FALSE(surface);
  EXPECT_EQ(surface.error().reason,
            "Texture 0x06000002: 8 x 8 pixels exceed what is left of the run's budget of decoded pixels");
  EXPECT_TRUE(surface.error().over_budget);
  EXPECT_EQ(surface.error().texture_pixels, 64u);
  EXPECT_EQ(budget.left(), 63u);
}

// A texture that fails after the budget took its pixels says how many it took, so a
// caller can replay the budget; one that fails before says none.
TEST_F(SurfaceDecodeTest, AFailureSaysWhatTheBudgetGaveIt) {
  PixelBudget budget;
  const auto converted = decode_surface(0x08000006, *portal_, budget);  // R5G6B5, 2 x 2
  ASSERT_FALSE(converted);
  EXPECT_EQ(converted.error().texture_pixels, 4u);
  EXPECT_FALSE(converted.error().over_budget);
  const auto listed = decode_surface(0x08000004, *portal_, budget);  // empty texture list
  ASSERT_FALSE(listed);
  EXPECT_EQ(listed.error().texture_pixels, 0u);
}

TEST(PixelBudgetTest, TakesWhatFitsAndNothingElse) {
  PixelBudget budget(64 + 63);
  EXPECT_TRUE(budget.take(64));
  EXPECT_FALSE(budget.take(64));
  EXPECT_TRUE(budget.take(63));  // exactly used up
  EXPECT_FALSE(budget.take(1));
  EXPECT_TRUE(budget.take(0));
}

TEST(PixelBudgetTest, TheDefaultAdmitsSixtyFourTexturesOfTheLargestSize) {
  PixelBudget budget;
  for (int i = 0; i < 64; ++i) EXPECT_TRUE(budget.take(ft::kMaxTexturePixels)) << i;
  EXPECT_FALSE(budget.take(1));
}

// Threads that share a budget never take more than it holds between them.
TEST(PixelBudgetTest, SharedByThreadsItIsNeverOverdrawn) {
  constexpr std::uint64_t kBudget = 100'000;
  PixelBudget budget(kBudget);
  std::vector<std::uint64_t> taken(4, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < taken.size(); ++t) {
    threads.emplace_back([&budget, &taken, t] {
      for (int i = 0; i < 20'000; ++i) {
        if (budget.take(3)) taken[t] += 3;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::uint64_t total = 0;
  for (const std::uint64_t t : taken) total += t;
  EXPECT_EQ(total, kBudget - kBudget % 3);
  EXPECT_EQ(budget.left(), kBudget % 3);
}

}  // namespace
}  // namespace quillfen::dat
