// The four landblocks around the town, each with content of its own: a farmstead to the
// west, a forest with a hunter's cabin to the east, a quarry and mine to the south and a
// snowy shrine to the north. They reuse some of the town's models and add their own
// surfaces, which an audit of the town must not find.
#pragma once

#include <cstdint>
#include <vector>

#include "sample-world/landblock_builder.hpp"
#include "sample-world/model_catalogue.hpp"
#include "sample-world/town.hpp"

namespace quillfen::sample {

struct Neighbours {
  ModelCatalogue models;
  std::vector<LandblockPlan> plans;  // west, east, south, north
};

Neighbours build_neighbours(const Town& town, std::uint64_t seed);

}  // namespace quillfen::sample
