// The discovery half of a world run.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <span>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "world-audit/world_audit.hpp"

namespace quillfen::world {

struct DiscoveredWorld {
  std::vector<std::uint16_t> keys;          // the landblocks audited, ascending
  std::vector<std::uint32_t> surface_ids;   // every surface they reach, ascending, without 0
  // Per landblock, its surfaces as indices into `surface_ids`, ascending.
  std::vector<std::vector<std::uint32_t>> landblock_surfaces;
};

// Discovers the surfaces of every landblock of `keys` (ascending, distinct), each model
// decoded once; what the single-landblock discovery finds, landblock by landblock. Fails,
// saying which limit and what to do, when the landblocks need more than `limits` allow.
std::expected<DiscoveredWorld, std::string> discover_world(std::span<const std::uint16_t> keys,
                                                          const dat::DatDatabase& portal, const dat::DatDatabase& cell,
                                                          AuditCounters& counters, const DiscoveryLimits& limits = {});

// The audit's skeleton: each surface with its users, each landblock with its surfaces;
// nothing decoded yet.
WorldAudit index_world(DiscoveredWorld found);

}  // namespace quillfen::world
