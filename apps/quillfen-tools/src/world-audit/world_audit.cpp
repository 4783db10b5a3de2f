// A world run's two halves, one after the other.
#include "world-audit/world_audit.hpp"

#include "world-audit/world_decode.hpp"
#include "world-audit/world_discovery.hpp"

namespace quillfen::world {

std::expected<WorldAudit, std::string> audit_world(std::span<const std::uint16_t> keys, const dat::DatDatabase& portal,
                                                   const dat::DatDatabase& cell, const WorldAuditSettings& settings,
                                                   AuditCounters& counters) {
  auto found = discover_world(keys, portal, cell, counters, settings.limits);
  if (!found) return std::unexpected(std::move(found).error());
  WorldAudit world = index_world(std::move(*found));
  decode_world(world, portal, settings, counters);
  return world;
}

}  // namespace quillfen::world
