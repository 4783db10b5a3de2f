// The filler: every record it writes decodes, its landblocks name only filler models and
// surfaces that exist, and every filler surface decodes to an image.
#include "sample-world/filler.hpp"

#include <gtest/gtest.h>

#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/landblock.hpp"
#include "sample-world/ids.hpp"
#include "support/temp_dir.hpp"
#include "world_test_support.hpp"

namespace quillfen::sample {
namespace {

using namespace dat::file_type;

constexpr FillerDesign kFiller{.surfaces = 40, .gfx_objs = 30, .setups = 12, .cells_per_landblock = 9};
constexpr std::uint16_t kLandblock = 0x2030;

class FillerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    portal_ = testing::write_dat(
        dir_ / "portal.dat", [](DatSink& sink) { return write_filler_portal(kFiller, 9, sink); }, 1024);
    cell_ = testing::write_dat(dir_ / "cell.dat",
                               [](DatSink& sink) { return write_filler_landblock(kLandblock, kFiller, 9, sink); });
    ASSERT_TRUE(portal_ && cell_);
  }

  // The image of a surface, as the audit gets it; empty when any step fails.
  std::vector<std::uint8_t> surface_image(std::uint32_t id) const {
    const auto surface = Surface::unpack(portal_->get_file(id).value_or(std::vector<std::uint8_t>{}));
    if (!surface) return {};
    if (surface->color_value) return {1, 1, 1, 1};
    const auto st = SurfaceTexture::unpack(
        portal_->get_file(surface->texture_refs->orig_texture_id).value_or(std::vector<std::uint8_t>{}));
    if (!st || st->textures.empty()) return {};
    const auto texture = Texture::unpack(portal_->get_file(st->textures.back()).value_or(std::vector<std::uint8_t>{}));
    if (!texture) return {};
    const auto rgba = to_rgba8(*texture, [&](std::uint32_t pid) -> std::expected<Palette, std::string> {
      const auto palette = Palette::unpack(portal_->get_file(pid).value_or(std::vector<std::uint8_t>{}));
      if (!palette) return std::unexpected(palette.error().message());
      return *palette;
    });
    return rgba.value_or(std::vector<std::uint8_t>{});
  }

  bool is_model(std::uint32_t id) const {
    const auto bytes = portal_->get_file(id);
    if (!bytes) return false;
    if ((id >> 24) == 0x01) return testing::unpack_from_reader<GfxObj>(*bytes).has_value();
    return (id >> 24) == 0x02 && testing::unpack_from_reader<SetupModel>(*bytes).has_value();
  }

  quillfen::testing::TempDir dir_;
  std::optional<dat::DatDatabase> portal_;
  std::optional<dat::DatDatabase> cell_;
};

TEST_F(FillerTest, EverySurfaceDecodesToAnImage) {
  for (std::uint32_t i = 0; i < kFiller.surfaces; ++i) {
    EXPECT_FALSE(surface_image(ids::surface(ids::kFillerSurfaceFirst + i)).empty()) << i;
  }
}

TEST_F(FillerTest, EveryModelDecodesWhole) {
  for (std::uint32_t i = 0; i < kFiller.gfx_objs; ++i)
    EXPECT_TRUE(is_model(ids::kGfxObj | (ids::kFillerModelFirst + i))) << i;
  for (std::uint32_t i = 0; i < kFiller.setups; ++i)
    EXPECT_TRUE(is_model(ids::kSetup | (ids::kFillerModelFirst + i))) << i;
}

TEST_F(FillerTest, LandblockNamesOnlyWhatExists) {
  const auto info = dat::landblock::LandblockInfo::unpack(cell_->get_file(ids::landblock_info(kLandblock)).value());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->num_cells, kFiller.cells_per_landblock);
  EXPECT_FALSE(info->objects.empty());
  for (const auto& stab : info->objects) EXPECT_TRUE(is_model(stab.id)) << stab.id;
  for (const auto& building : info->buildings) EXPECT_TRUE(is_model(building.model_id));
  const auto cells = cell_->files().range(ids::cell(kLandblock, 1), ids::cell(kLandblock, 0xFFFD));
  ASSERT_EQ(cells.size(), kFiller.cells_per_landblock);
  for (const auto& entry : cells) {
    const auto cell = testing::unpack_from_reader<env_cell::EnvCell>(cell_->get_file(entry.id).value());
    ASSERT_TRUE(cell) << cell.error().message();
    for (const std::uint16_t number : cell->surfaces) {
      EXPECT_GE(number, ids::kFillerSurfaceFirst);
      EXPECT_LT(number, ids::kFillerSurfaceFirst + kFiller.surfaces);
    }
    for (const auto& stab : cell->objects) EXPECT_TRUE(is_model(stab.stab_id));
  }
}

TEST(FillerLimitTest, RefusesMoreSurfacesThanNumbersLeft) {
  const quillfen::testing::TempDir dir;
  auto sink = DatSink::create(dir / "portal.dat", 1024);
  ASSERT_TRUE(sink);
  const FillerDesign too_many{.surfaces = ids::kFillerSurfaceLimit - ids::kFillerSurfaceFirst + 1};
  const Status written = write_filler_portal(too_many, 1, *sink);
  ASSERT_FALSE(written);
  EXPECT_EQ(written.error(), "61441 filler surfaces do not fit below surface number 0x10000");
}

}  // namespace
}  // namespace quillfen::sample
