// The surface catalogue and the records written for each surface, read back the way the
// audit reads them: Surface, SurfaceTexture, the last Texture and its palette.
#include "sample-world/surfaces.hpp"

#include <gtest/gtest.h>

#include <set>

#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "sample-world/ids.hpp"
#include "support/temp_dir.hpp"
#include "world_test_support.hpp"

namespace quillfen::sample {
namespace {

using dat::file_type::Surface;
using dat::file_type::SurfaceTexture;
using dat::file_type::Texture;
using dat::file_type::TextureFormat;

const SurfaceDesign& design_named(std::string_view name) {
  for (const auto list : {town_surfaces(), neighbour_surfaces()}) {
    for (const SurfaceDesign& design : list) {
      if (design.name == name) return design;
    }
  }
  ADD_FAILURE() << "no surface " << name;
  return town_surfaces().front();
}

TEST(SurfaceCatalogueTest, NumbersAreUniqueAndInTheirBlocks) {
  std::set<std::uint16_t> numbers;
  for (const SurfaceDesign& design : town_surfaces()) {
    EXPECT_TRUE(numbers.insert(design.number).second) << design.name;
    // Each surface number has room for this many texture ids.
    EXPECT_GE(design.chain, 1u) << design.name;
    EXPECT_LE(design.chain, ids::kTextureSlots) << design.name;
    EXPECT_GE(design.number, ids::kTownSurfaceFirst) << design.name;
    EXPECT_LT(design.number, ids::kNeighbourSurfaceFirst) << design.name;
    EXPECT_EQ(find_surface(design.number), &design);
  }
  for (const SurfaceDesign& design : neighbour_surfaces()) {
    EXPECT_TRUE(numbers.insert(design.number).second) << design.name;
    EXPECT_GE(design.number, ids::kNeighbourSurfaceFirst) << design.name;
    EXPECT_LT(design.number, ids::kFillerSurfaceFirst) << design.name;
  }
  EXPECT_EQ(find_surface(0x0FFF), nullptr);
}

TEST(SurfaceCatalogueTest, TheTownShowsEveryFormatSizeAndBreakage) {
  std::set<TextureFormat> formats;
  std::set<SurfaceKind> kinds;
  std::uint32_t smallest = 1024;
  std::uint32_t largest = 0;
  bool several_textures = false;
  bool compressed = false;
  for (const SurfaceDesign& design : town_surfaces()) {
    kinds.insert(design.kind);
    if (design.kind != SurfaceKind::Textured) continue;
    formats.insert(design.format);
    smallest = std::min(smallest, design.size);
    largest = std::max(largest, design.size);
    several_textures |= design.chain > 1;
    compressed |= design.compress;
    // A grey format would turn a coloured material into stone or metal.
    if (design.format == TextureFormat::A8 || design.format == TextureFormat::CustomLuminance) {
      EXPECT_TRUE(design.material == Material::Stone || design.material == Material::Metal ||
                  design.material == Material::Snow)
          << design.name;
    }
  }
  EXPECT_EQ(formats,
            (std::set<TextureFormat>{TextureFormat::Dxt1, TextureFormat::Dxt3, TextureFormat::Dxt5, TextureFormat::P8,
                                     TextureFormat::Index16, TextureFormat::R8G8B8, TextureFormat::A8R8G8B8,
                                     TextureFormat::A8, TextureFormat::CustomRgb, TextureFormat::CustomLuminance}));
  EXPECT_EQ(smallest, kMinMaterialSize);
  EXPECT_EQ(largest, kMaxMaterialSize);
  EXPECT_TRUE(several_textures);
  EXPECT_TRUE(compressed);
  EXPECT_EQ(kinds.size(), 6u);  // textured, solid and the four kinds of breakage
}

TEST(SurfaceCatalogueTest, FlagsAndExpectedCategories) {
  EXPECT_EQ(surface_type(design_named("well-water")), 0x12u);
  EXPECT_EQ(surface_type(design_named("forge-coals")), 0x42u);
  EXPECT_EQ(surface_type(design_named("oak-leaves")), 0x06u);
  EXPECT_EQ(surface_type(design_named("ivy")), 0x04u);  // textured through bit 0x04 alone
  EXPECT_EQ(surface_type(design_named("pewter")), 0x01u);
  EXPECT_EQ(expected_surface_category(design_named("planks")), dat::surface_classify::SurfaceCategory::Wood);
  EXPECT_EQ(expected_surface_category(design_named("whitewash")), dat::surface_classify::SurfaceCategory::Snow);
  EXPECT_EQ(expected_surface_category(design_named("faded-banner")), std::nullopt);
  EXPECT_EQ(chain_size(design_named("wall-courses"), 0), 64u);
  EXPECT_EQ(chain_size(design_named("wall-courses"), 2), 256u);
}

// What reading a surface back the audit's way shows.
struct Readback {
  Surface surface;
  SurfaceTexture surface_texture;
  std::optional<dat::ReadResult<Texture>> last;
  std::optional<std::expected<std::vector<std::uint8_t>, dat::file_type::TextureError>> rgba;
};

Readback read_back(const dat::DatDatabase& db, const SurfaceDesign& design) {
  Readback r;
  const auto surface_bytes = db.get_file(ids::surface(design.number));
  EXPECT_TRUE(surface_bytes);
  r.surface = Surface::unpack(*surface_bytes).value();
  if (!r.surface.texture_refs) return r;
  r.surface_texture = SurfaceTexture::unpack(db.get_file(r.surface.texture_refs->orig_texture_id).value()).value();
  if (r.surface_texture.textures.empty()) return r;
  r.last = Texture::unpack(db.get_file(r.surface_texture.textures.back()).value());
  if (!*r.last) return r;
  r.rgba =
      dat::file_type::to_rgba8(**r.last, [&](std::uint32_t id) -> std::expected<dat::file_type::Palette, std::string> {
        const auto bytes = db.get_file(id);
        if (!bytes) return std::unexpected(bytes.error().message());
        auto palette = dat::file_type::Palette::unpack(*bytes);
        if (!palette) return std::unexpected(palette.error().message());
        return std::move(*palette);
      });
  return r;
}

class WriteSurfaceTest : public ::testing::TestWithParam<const char*> {};

TEST_P(WriteSurfaceTest, ReadsBackAsDesigned) {
  const SurfaceDesign& design = design_named(GetParam());
  const quillfen::testing::TempDir dir;
  const auto db = testing::write_dat(
      dir / "portal.dat", [&](DatSink& sink) { return write_surface(design, 5, sink); }, 1024);
  ASSERT_TRUE(db);
  const Readback r = read_back(*db, design);
  EXPECT_EQ(r.surface.surface_type, surface_type(design));
  switch (design.kind) {
    case SurfaceKind::Solid:
      EXPECT_EQ(r.surface.color_value, design.colour);
      break;
    case SurfaceKind::Textured: {
      ASSERT_EQ(r.surface_texture.textures.size(), design.chain);
      for (std::uint32_t slot = 0; slot < design.chain; ++slot) {
        const auto texture = Texture::unpack(db->get_file(r.surface_texture.textures[slot]).value());
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->width, static_cast<std::int32_t>(chain_size(design, slot)));
      }
      EXPECT_EQ((*r.last)->format_raw, static_cast<std::uint32_t>(design.format));
      ASSERT_TRUE(r.rgba && *r.rgba);
      EXPECT_EQ((*r.rgba)->size(), std::size_t{design.size} * design.size * 4);
      EXPECT_EQ(db->files().find(r.surface_texture.textures.back())->is_compressed(), design.compress);
      break;
    }
    case SurfaceKind::UnsupportedFormat:
      ASSERT_TRUE(r.rgba);
      ASSERT_FALSE(*r.rgba);
      EXPECT_EQ(r.rgba->error(), dat::file_type::TextureError(dat::file_type::texture_error::UnsupportedFormat{
                                     TextureFormat::R5G6B5, static_cast<std::uint32_t>(TextureFormat::R5G6B5)}));
      break;
    case SurfaceKind::EmptyTextureList:
      EXPECT_TRUE(r.surface_texture.textures.empty());
      break;
    case SurfaceKind::MissingPalette:
      ASSERT_TRUE(r.rgba);
      ASSERT_FALSE(*r.rgba);
      EXPECT_TRUE(std::holds_alternative<dat::file_type::texture_error::PaletteLookup>(r.rgba->error()));
      EXPECT_FALSE(db->files().contains(ids::kMissingPalette));
      break;
    case SurfaceKind::TruncatedTexture:
      ASSERT_TRUE(r.last);
      EXPECT_FALSE(*r.last);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Surfaces, WriteSurfaceTest,
                         ::testing::Values("wall-courses", "paving", "well-stone", "barrel-staves", "pewter",
                                           "weathered-sign", "faded-banner", "old-tapestry", "cracked-tile"),
                         [](const auto& test) {
                           std::string name = test.param;
                           std::erase(name, '-');
                           return name;
                         });

TEST(WriteSurfaceTest, TheSeedChangesTheImagesOnly) {
  const SurfaceDesign& design = design_named("table-top");
  const quillfen::testing::TempDir dir;
  const auto write = [&](const char* name, std::uint64_t seed) {
    return testing::write_dat(dir / name, [&](DatSink& sink) { return write_surface(design, seed, sink); });
  };
  const auto a = write("a.dat", 1);
  const auto b = write("b.dat", 1);
  const auto c = write("c.dat", 2);
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(quillfen::testing::read_file_bytes(dir / "a.dat"), quillfen::testing::read_file_bytes(dir / "b.dat"));
  const std::uint32_t texture = ids::texture(design.number, 0);
  EXPECT_NE(a->get_file(texture).value(), c->get_file(texture).value());
  EXPECT_EQ(a->get_file(ids::surface(design.number)).value(), c->get_file(ids::surface(design.number)).value());
}

}  // namespace
}  // namespace quillfen::sample
