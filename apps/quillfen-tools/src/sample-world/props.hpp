// The town's outdoor objects: trees, the well, the fountain, lamp posts and market
// stalls as SetupModels; barrels, crates, straw bales, fences, hedges, the signpost and
// the ground patches (road, market square, plaza, gardens, pond, snowdrift) as GfxObjs
// placed directly.
#pragma once

#include <cstdint>

#include "sample-world/model_catalogue.hpp"

namespace quillfen::sample {

class Rng;

struct PropModels {
  // SetupModels
  std::uint32_t oak = 0;
  std::uint32_t elm = 0;
  std::uint32_t well = 0;
  std::uint32_t fountain = 0;
  std::uint32_t lamp_post = 0;
  std::uint32_t market_stall = 0;
  // GfxObjs
  std::uint32_t barrel = 0;
  std::uint32_t crate = 0;
  std::uint32_t straw_bale = 0;
  std::uint32_t fence = 0;
  std::uint32_t hedge = 0;
  std::uint32_t signpost = 0;
  std::uint32_t road = 0;
  std::uint32_t market_square = 0;
  std::uint32_t plaza = 0;
  std::uint32_t footpath = 0;
  std::uint32_t garden = 0;
  std::uint32_t mud = 0;
  std::uint32_t pond = 0;
  std::uint32_t snowdrift = 0;
  std::uint32_t rubble = 0;
};

PropModels build_town_props(ModelCatalogue& catalogue, Rng& rng);

// A tree of a trunk and a crown (a cone for a pine, a round crown otherwise); the
// neighbours plant their own.
std::uint32_t build_tree(ModelCatalogue& catalogue, Rng& rng, std::uint16_t bark, std::uint16_t leaves, bool pine);

}  // namespace quillfen::sample
