// classify_one and the pixel budget that bounds what one run converts.
#include "surface-classify-audit/decode_pass.hpp"

#include <gtest/gtest.h>

#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "support/dat_pair.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::audit {
namespace {

namespace ft = dat::file_type;

// A portal DAT with textured surfaces 0x08000001.. of 8 x 8 grey A8 textures.
dat::DatDatabase portal_with_textures(const testing::TempDir& dir, std::uint32_t count) {
  testing::DatPair world;
  for (std::uint32_t i = 1; i <= count; ++i) {
    ft::Surface surface;
    surface.surface_type = 0x02;
    surface.texture_refs = ft::TextureRefs{0x05000000 + i, 0};
    world.portal(0x08000000 + i, surface);
    ft::SurfaceTexture st;
    st.textures = {0x06000000 + i};
    world.portal(0x05000000 + i, st);
    ft::Texture texture;
    texture.width = 8;
    texture.height = 8;
    texture.format_raw = static_cast<std::uint32_t>(ft::TextureFormat::A8);
    texture.source_data.assign(64, static_cast<std::uint8_t>(40 * i));
    world.portal(0x06000000 + i, texture);
  }
  world.write(dir / "portal.dat", dir / "cell.dat");
  return std::move(*dat::DatDatabase::open(dir / "portal.dat"));
}

TEST(ClassifyOneTest, TexturedSurfaceGivesItsImageAndStatistics) {
  testing::TempDir dir;
  const auto portal = portal_with_textures(dir, 1);
  PixelBudget budget;
  const auto decoded = classify_one(0x08000001, portal, budget);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->audit.did, "0x08000001");
  EXPECT_EQ(decoded->audit.width, 8u);
  EXPECT_FALSE(decoded->audit.solid);
  EXPECT_EQ(decoded->image.pixels.size(), 8u * 8u * 4u);
  EXPECT_FLOAT_EQ(decoded->audit.mean_rgb[0], 40.0f / 255.0f);
}

TEST(PixelBudgetTest, TexturesBeyondTheBudgetFailAndSmallerOnesStillFit) {
  testing::TempDir dir;
  const auto portal = portal_with_textures(dir, 3);
  PixelBudget budget(64 + 63);
  EXPECT_TRUE(classify_one(0x08000001, portal, budget));   // 64 of 127 pixels
  EXPECT_FALSE(classify_one(0x08000002, portal, budget));  // 64 more do not fit in 63
  PixelBudget exact(128);
  EXPECT_TRUE(classify_one(0x08000001, portal, exact));
  EXPECT_TRUE(classify_one(0x08000002, portal, exact));  // exactly used up
  EXPECT_FALSE(classify_one(0x08000003, portal, exact));
}

TEST(PixelBudgetTest, TheDefaultAdmitsSixtyFourTexturesOfTheLargestSize) {
  PixelBudget budget;
  for (int i = 0; i < 64; ++i) EXPECT_TRUE(budget.take(ft::kMaxTexturePixels)) << i;
  EXPECT_FALSE(budget.take(1));
}

}  // namespace
}  // namespace quillfen::audit
