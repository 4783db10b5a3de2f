// Laying out a landblock: cells numbered from 0x0100, rooms linked to each other and to
// the outside, positions turned with their building, optional parts flagged, and the
// surfaces an audit would find.
#include "sample-world/landblock_builder.hpp"

#include <gtest/gtest.h>

#include "sample-world/ids.hpp"
#include "world_test_support.hpp"

namespace quillfen::sample {
namespace {

using dat::file_type::env_cell::EnvCell;
using dat::landblock::LandblockInfo;

constexpr std::uint16_t kKey = 0x1234;

LandblockPlan three_room_building() {
  LandblockBuilder builder(kKey);
  builder.object(0x01000001, 10, 20, 0, 45);
  builder.building(0x02000001, 50, 60, 0, 90,
                   std::vector<Room>{{.surfaces = {0x0100, 0x0101}, .furniture = {{0x01000002, 2.0, 0.0, 0.0, 10}}},
                                     {.surfaces = {0x0102}, .x = 4.0},
                                     {.surfaces = {}, .z = -3.0, .trailing_id = 0x7000000A}});
  builder.restriction(ids::cell(kKey, 0x0100), 0x70000001);
  return builder.finish();
}

TEST(LandblockBuilderTest, RoomsAreLinkedToEachOtherAndToTheOutside) {
  const LandblockPlan plan = three_room_building();
  ASSERT_EQ(plan.cells.size(), 3u);
  EXPECT_EQ(plan.info.num_cells, 3u);
  EXPECT_EQ(plan.info.id, 0x1234FFFEu);
  const std::vector<std::uint32_t> ids = {plan.cells[0].id, plan.cells[1].id, plan.cells[2].id};
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{0x12340100, 0x12340101, 0x12340102}));

  // The door opens into the first room; the others follow one from the next.
  ASSERT_EQ(plan.info.buildings.size(), 1u);
  ASSERT_EQ(plan.info.buildings[0].portals.size(), 1u);
  EXPECT_EQ(plan.info.buildings[0].portals[0].other_cell_id, 0x0100);
  EXPECT_EQ(plan.info.buildings[0].portals[0].stab_list, (std::vector<std::uint16_t>{0x0100, 0x0101, 0x0102}));
  EXPECT_EQ(plan.cells[0].portals[0].other_cell_id, 0xFFFF);
  EXPECT_EQ(plan.cells[0].portals[1].other_cell_id, 0x0101);
  EXPECT_EQ(plan.cells[1].portals[0].other_cell_id, 0x0100);
  EXPECT_EQ(plan.cells[1].portals[1].other_cell_id, 0x0102);
  EXPECT_EQ(plan.cells[2].portals.size(), 1u);
  EXPECT_EQ(plan.cells[1].cell_refs, (std::vector<std::uint16_t>{0x0100, 0x0102}));
}

TEST(LandblockBuilderTest, PositionsTurnWithTheBuilding) {
  const LandblockPlan plan = three_room_building();
  // Turned a quarter to the left, the room 4 units along x lies 4 units along y.
  EXPECT_NEAR(plan.cells[1].position.origin.x, 50.0, 1e-5);
  EXPECT_NEAR(plan.cells[1].position.origin.y, 64.0, 1e-5);
  EXPECT_NEAR(plan.cells[2].position.origin.z, -3.0, 1e-5);
  ASSERT_EQ(plan.cells[0].objects.size(), 1u);
  EXPECT_NEAR(plan.cells[0].objects[0].position.origin.x, 50.0, 1e-5);
  EXPECT_NEAR(plan.cells[0].objects[0].position.origin.y, 62.0, 1e-5);
  EXPECT_EQ(plan.cells[0].objects[0].position.orientation, yaw(100.0));
}

TEST(LandblockBuilderTest, OptionalPartsAreFlaggedAndRecordsReadBack) {
  const LandblockPlan plan = three_room_building();
  EXPECT_EQ(plan.cells[0].flags, 0x01u | dat::file_type::env_cell::kHasObjects);  // seen outside, furnished
  EXPECT_EQ(plan.cells[1].flags, 0x00u);
  EXPECT_EQ(plan.cells[2].flags, dat::file_type::env_cell::kHasTrailingId);
  EXPECT_EQ(plan.info.pack_mask, dat::landblock::kHasRestrictionTable);
  const auto info = LandblockInfo::unpack(testing::packed(plan.info));
  ASSERT_TRUE(info) << info.error().message();
  EXPECT_EQ(*info, plan.info);
  for (const EnvCell& cell : plan.cells) {
    const auto read = testing::unpack_from_reader<EnvCell>(testing::packed(cell));
    ASSERT_TRUE(read) << read.error().message();
    EXPECT_EQ(*read, cell);
  }
}

TEST(LandblockBuilderTest, ReferencedSurfacesAreWhatAnAuditFinds) {
  ModelCatalogue catalogue(0x0500);
  Mesh box;
  add_box(box, vec(0, 0, 0), vec(1, 1, 1), {0, 1, 0});
  const std::uint32_t outside = catalogue.add_gfx(box, {ids::surface(0x0200), 0});
  const std::uint32_t inside = catalogue.add_gfx(box, surface_ids({0x0201, 0x0200}));
  SetupDesign design;
  design.parts = {{inside, place(0, 0, 0)}};
  const std::uint32_t setup = catalogue.add_setup(design);
  LandblockBuilder builder(kKey);
  builder.object(outside, 1, 1, 0);
  builder.building(setup, 5, 5, 0, 0, std::vector<Room>{{.surfaces = {0x0300, 0x0200}, .furniture = {{inside}}}});
  const ModelCatalogue* catalogues[] = {&catalogue};
  // Ascending, each once, the 0 dropped; cell numbers become surface ids.
  EXPECT_EQ(referenced_surfaces(builder.finish(), catalogues),
            (std::vector<std::uint32_t>{0x08000200, 0x08000201, 0x08000300}));
}

}  // namespace
}  // namespace quillfen::sample
