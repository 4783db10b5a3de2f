// The town and its neighbours: the town uses every surface of its catalogue and none of
// the neighbours'; each neighbour shows surfaces of its own; the town's buildings have
// their furnished cells.
#include "sample-world/town.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "sample-world/ids.hpp"
#include "sample-world/neighbours.hpp"
#include "sample-world/surfaces.hpp"

namespace quillfen::sample {
namespace {

std::vector<std::uint32_t> catalogue_ids(std::span<const SurfaceDesign> designs) {
  std::vector<std::uint32_t> ids;
  for (const SurfaceDesign& design : designs) ids.push_back(ids::surface(design.number));
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST(TownTest, UsesEveryTownSurfaceAndNoOther) {
  const Town town = build_town(1);
  EXPECT_EQ(town_surface_ids(town), catalogue_ids(town_surfaces()));
  EXPECT_GE(town_surface_ids(town).size(), 60u);
  EXPECT_LE(town_surface_ids(town).size(), 120u);
}

TEST(TownTest, BuildingsOpenOntoFurnishedCells) {
  const Town town = build_town(1);
  EXPECT_EQ(town.plan.key, ids::kTown);
  EXPECT_EQ(town.plan.info.buildings.size(), 6u);
  EXPECT_EQ(town.plan.cells.size(), 11u);
  EXPECT_EQ(town.plan.info.num_cells, 11u);
  std::size_t furnished = 0;
  for (const auto& cell : town.plan.cells) {
    EXPECT_EQ(cell.id >> 16, ids::kTown);
    EXPECT_FALSE(cell.surfaces.empty());
    if (!cell.objects.empty()) ++furnished;
  }
  EXPECT_EQ(furnished, town.plan.cells.size());
  for (const auto& building : town.plan.info.buildings) EXPECT_EQ(building.portals.size(), 1u);
  EXPECT_GT(town.plan.info.objects.size(), 40u);
}

TEST(TownTest, SeedMovesThingsButKeepsTheSurfaces) {
  const Town a = build_town(1);
  const Town b = build_town(2);
  EXPECT_EQ(town_surface_ids(a), town_surface_ids(b));
  EXPECT_NE(a.plan.info.objects, b.plan.info.objects);
  EXPECT_EQ(build_town(1).plan.info, a.plan.info);
}

TEST(NeighboursTest, EachShowsSurfacesOfItsOwnThatTheTownLacks) {
  const Town town = build_town(1);
  const Neighbours neighbours = build_neighbours(town, 1);
  ASSERT_EQ(neighbours.plans.size(), 4u);
  const std::vector<std::uint16_t> keys = {neighbours.plans[0].key, neighbours.plans[1].key, neighbours.plans[2].key,
                                           neighbours.plans[3].key};
  EXPECT_EQ(keys, (std::vector<std::uint16_t>{ids::kWest, ids::kEast, ids::kSouth, ids::kNorth}));
  const auto town_ids = town_surface_ids(town);
  const ModelCatalogue* catalogues[] = {&town.models, &neighbours.models};
  std::vector<std::uint32_t> seen;
  for (const LandblockPlan& plan : neighbours.plans) {
    const auto surfaces = referenced_surfaces(plan, catalogues);
    const auto own = std::count_if(surfaces.begin(), surfaces.end(),
                                   [](std::uint32_t id) { return (id & 0xFFFF) >= ids::kNeighbourSurfaceFirst; });
    EXPECT_GE(own, 3) << plan.key;
    seen.insert(seen.end(), surfaces.begin(), surfaces.end());
  }
  // Every neighbour surface is used by some neighbour and by no building of the town.
  for (const SurfaceDesign& design : neighbour_surfaces()) {
    EXPECT_NE(std::find(seen.begin(), seen.end(), ids::surface(design.number)), seen.end()) << design.name;
    EXPECT_EQ(std::find(town_ids.begin(), town_ids.end(), ids::surface(design.number)), town_ids.end()) << design.name;
  }
}

}  // namespace
}  // namespace quillfen::sample
