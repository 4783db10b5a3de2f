// One pass over the sorted index: the ids of a landblock are contiguous in it.
#include "world-audit/landblock_presence.hpp"

#include "quillfen/dat/ids.hpp"

namespace quillfen::world {

std::vector<LandblockPresence> present_landblocks(const dat::FileIndex& cell_index) {
  namespace ids = dat::ids;
  std::vector<LandblockPresence> present;
  for (const dat::DatFileEntry& entry : cell_index) {
    const bool interior = ids::is_interior_cell(entry.id);
    const bool info = ids::cell_of(entry.id) == ids::kLandblockInfoCell;
    if (!interior && !info) continue;
    const std::uint16_t key = ids::landblock_of(entry.id);
    if (present.empty() || present.back().key != key) present.push_back(LandblockPresence{key, 0, false});
    if (interior) ++present.back().interior_cells;
    if (info) present.back().has_info = true;
  }
  return present;
}

}  // namespace quillfen::world
