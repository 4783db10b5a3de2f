// The decode half of a world run.
#pragma once

#include <cstdint>

#include "quillfen/dat/database.hpp"
#include "world-audit/world_audit.hpp"

namespace quillfen::world {

// Decodes every surface of `world` once, filling in its audit or its failure. When the
// pixel budget runs out, the surfaces it refuses are those that refusing in ascending id
// order gives, as in the single-landblock tool, whatever the thread count.
void decode_world(WorldAudit& world, const dat::DatDatabase& portal, const WorldAuditSettings& settings,
                  AuditCounters& counters);

}  // namespace quillfen::world
