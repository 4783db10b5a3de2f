// Which landblocks a cell DAT holds, read from its index alone.
#pragma once

#include <cstdint>
#include <vector>

#include "quillfen/dat/database.hpp"

namespace quillfen::world {

struct LandblockPresence {
  std::uint16_t key = 0;
  std::uint32_t interior_cells = 0;  // ids in the interior cell range 0x0001..0xFFFD
  bool has_info = false;             // the id key << 16 | 0xFFFE is present

  bool operator==(const LandblockPresence&) const = default;
};

// Every landblock with a LandblockInfo id or an interior cell id in `cell_index`,
// ascending by key. Nothing is read or decoded: a present record may still be damaged.
std::vector<LandblockPresence> present_landblocks(const dat::FileIndex& cell_index);

}  // namespace quillfen::world
