// The furniture of the interior cells: tables, chairs, beds, the bar, shelves, hearths
// and stoves, a chandelier, wall hangings, a carpet, sacks and tools.
#pragma once

#include <cstdint>

#include "sample-world/model_catalogue.hpp"

namespace quillfen::sample {

class Rng;

struct FurnitureModels {
  std::uint32_t table = 0;
  std::uint32_t chair = 0;
  std::uint32_t bed = 0;  // SetupModel: frame and linen
  std::uint32_t bar_counter = 0;
  std::uint32_t shelf = 0;  // with pewter mugs
  std::uint32_t bookshelf = 0;
  std::uint32_t chandelier = 0;  // SetupModel with a light
  std::uint32_t hearth = 0;
  std::uint32_t stove = 0;
  std::uint32_t tapestry = 0;  // its palette is missing
  std::uint32_t wall_hanging = 0;
  std::uint32_t carpet = 0;
  std::uint32_t sacks = 0;
  std::uint32_t tool_rack = 0;
};

FurnitureModels build_furniture(ModelCatalogue& catalogue, Rng& rng);

}  // namespace quillfen::sample
