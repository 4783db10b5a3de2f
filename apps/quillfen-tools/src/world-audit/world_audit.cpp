// A world run's two halves, one after the other.
#include "world-audit/world_audit.hpp"

#include "world-audit/world_decode.hpp"
#include "world-audit/world_discovery.hpp"

namespace quillfen::world {

WorldAudit audit_world(std::span<const std::uint16_t> keys, const dat::DatDatabase& portal,
                       const dat::DatDatabase& cell, const WorldAuditSettings& settings, AuditCounters& counters) {
  WorldAudit world = index_world(discover_world(keys, portal, cell, counters));
  decode_world(world, portal, settings, counters);
  return world;
}

}  // namespace quillfen::world
