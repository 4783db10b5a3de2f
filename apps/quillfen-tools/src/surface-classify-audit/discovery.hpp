// Surface discovery: every surface id that a landblock's objects, buildings and interior
// cells use. Nothing here fails: records that cannot be read are skipped in silence.
#pragma once

#include <cstdint>
#include <vector>

#include "quillfen/dat/database.hpp"

namespace quillfen::audit {

// The surface ids of the landblock `landblock`, ascending and without duplicates or 0.
std::vector<std::uint32_t> discover_surfaces(std::uint16_t landblock, const dat::DatDatabase& portal,
                                             const dat::DatDatabase& cell);

// The surfaces of a model id: a GfxObj's own list, a SetupModel's parts' lists in order,
// nothing for any other id. Duplicates and order are kept.
std::vector<std::uint32_t> surfaces_for_setup_or_gfx(const dat::DatDatabase& portal, std::uint32_t id);

// The surface list of one GfxObj, or nothing when it cannot be read or decoded whole.
std::vector<std::uint32_t> surfaces_for_gfx(const dat::DatDatabase& portal, std::uint32_t id);

}  // namespace quillfen::audit
