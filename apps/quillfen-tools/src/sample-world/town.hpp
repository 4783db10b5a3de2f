// The town on landblock 0xA9B4: a road with houses along it, a market square with its
// well and stalls, a paved plaza with a fountain, the tavern, the smithy, a watchtower,
// gardens, a pond, trees, lamp posts, fences, barrels and crates; eleven interior cells
// behind the buildings' doors, furnished.
#pragma once

#include <cstdint>
#include <vector>

#include "sample-world/buildings.hpp"
#include "sample-world/furniture.hpp"
#include "sample-world/landblock_builder.hpp"
#include "sample-world/model_catalogue.hpp"
#include "sample-world/props.hpp"

namespace quillfen::sample {

struct Town {
  ModelCatalogue models;
  BuildingModels buildings;
  PropModels props;
  FurnitureModels furniture;
  LandblockPlan plan;
};

// The town of `seed`: the same buildings, objects and surfaces for every seed, placed a
// little differently and with their own hook parameters.
Town build_town(std::uint64_t seed);

// The surface ids an audit of the town finds, ascending.
std::vector<std::uint32_t> town_surface_ids(const Town& town);

}  // namespace quillfen::sample
