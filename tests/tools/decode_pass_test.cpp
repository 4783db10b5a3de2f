// The tool's decode pass: report entries from the library's decoder, and one warning
// line per failed surface with nothing else between them.
#include "surface-classify-audit/decode_pass.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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

TEST(DecodePassTest, WarnsOncePerFailedSurfaceInIdOrderAndCountsTheRest) {
  testing::TempDir dir;
  const auto portal = portal_with_textures(dir, 2);
  const std::vector<std::uint32_t> ids{0x08000001, 0x08000002, 0x080000AA, 0x080000AB};
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* log = open_memstream(&text, &size);
  ASSERT_NE(log, nullptr);
  std::size_t images = 0;
  const DecodePassResult pass = run_decode_pass(ids, portal, log, [&images](const RgbaImage&) { ++images; });
  std::fclose(log);
  const std::string printed(text, size);
  std::free(text);
  EXPECT_EQ(printed,
            "  warn: surface 0x080000AA failed to decode\n"
            "  warn: surface 0x080000AB failed to decode\n");
  ASSERT_EQ(pass.surfaces.size(), 2u);
  EXPECT_EQ(pass.surfaces[1].did, "0x08000002");
  EXPECT_EQ(images, 2u);
  std::uint64_t counted = 0;
  for (const auto& [name, count] : pass.category_counts) counted += count;
  EXPECT_EQ(counted, 2u);
}

}  // namespace
}  // namespace quillfen::audit
