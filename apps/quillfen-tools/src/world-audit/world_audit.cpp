// A world run's two halves, one after the other.
#include "world-audit/world_audit.hpp"

#include <fmt/format.h>

#include <utility>

#include "world-audit/world_decode.hpp"
#include "world-audit/world_discovery.hpp"

namespace quillfen::world {

std::expected<void, std::string> check_work_budgets(const dat::DatDatabase& portal, const dat::DatDatabase& cell) {
  for (const auto& [name, dat] : {std::pair{"portal", &portal}, std::pair{"cell", &cell}}) {
    const dat::WorkBudget& budget = dat->work_budget();
    if (budget.refused()) {
      return std::unexpected(fmt::format(
          "the {} DAT's files cost more to read and expand than its work budget of {} bytes allows (a damaged or "
          "forged file)",
          name, budget.limit()));
    }
  }
  return {};
}

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
