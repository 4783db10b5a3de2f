// The decode pass of a world run: each surface the world reaches decoded once, in
// parallel, with a pixel budget whose outcome does not depend on the thread count.
#include "world-audit/world_decode.hpp"

#include <tbb/parallel_for.h>

#include <algorithm>

#include "surface-classify-audit/decode_pass.hpp"

namespace quillfen::world {
namespace {

// The outcome of one surface's decode, with what the budget saw of it.
struct DecodeOutcome {
  std::uint64_t texture_pixels = 0;  // what it asked of the budget; 0 for a solid colour
  bool over_budget = false;
};

DecodeOutcome decode_one(AuditedSurface& surface, std::size_t index, const dat::DatDatabase& portal,
                         dat::PixelBudget& budget, const OnImage& on_image) {
  auto decoded = dat::decode_surface(surface.id, portal, budget);
  if (!decoded) {
    surface.audit.reset();
    surface.texture_format.reset();
    surface.failure = decoded.error().reason;
    return {decoded.error().texture_pixels, decoded.error().over_budget};
  }
  surface.audit = audit::surface_audit(surface.id, *decoded, dat::measure_surface(*decoded));
  surface.texture_format = decoded->texture_format;
  surface.failure.clear();
  if (on_image) on_image(index, *decoded);
  return {decoded->solid ? 0 : std::uint64_t{decoded->image.width} * decoded->image.height, false};
}

// Threads reach the budget in no fixed order. When it ran out, the surfaces it refused
// depend on timing, so the budget is replayed in ascending id order, as the single tool
// spends it, and every surface whose fate differs is decoded again with exactly the
// budget that order gives it. A run that never reached the budget skips all of this.
void replay_budget_in_id_order(WorldAudit& world, std::vector<DecodeOutcome>& outcomes,
                               const dat::DatDatabase& portal, std::uint64_t pixel_budget, const OnImage& on_image) {
  std::vector<std::size_t> redo;
  std::uint64_t left = pixel_budget;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const DecodeOutcome& outcome = outcomes[i];
    if (outcome.texture_pixels == 0) continue;
    const bool admitted = outcome.texture_pixels <= left;
    if (admitted) left -= outcome.texture_pixels;
    if (admitted == outcome.over_budget) redo.push_back(i);
  }
  tbb::parallel_for(std::size_t{0}, redo.size(), [&](std::size_t r) {
    const std::size_t i = redo[r];
    dat::PixelBudget exact(outcomes[i].over_budget ? outcomes[i].texture_pixels : 0);
    outcomes[i] = decode_one(world.surfaces[i], i, portal, exact, on_image);
  });
}

}  // namespace

std::uint64_t world_pixel_budget(std::uint64_t portal_file_bytes) {
  // Real textures hold at least half a byte a pixel (DXT1), so 16 pixels a byte of the
  // file is far more than any real world converts, even with textures shared by surfaces.
  constexpr std::uint64_t kPixelsPerPortalByte = 16;
  const std::uint64_t by_size =
      portal_file_bytes > UINT64_MAX / kPixelsPerPortalByte ? UINT64_MAX : portal_file_bytes * kPixelsPerPortalByte;
  return std::max(dat::kMaxDecodedPixels, by_size);
}

void decode_world(WorldAudit& world, const dat::DatDatabase& portal, const WorldAuditSettings& settings,
                  AuditCounters& counters) {
  counters.surfaces_total.store(world.surfaces.size());
  dat::PixelBudget budget(settings.pixel_budget);
  std::vector<DecodeOutcome> outcomes(world.surfaces.size());
  // One surface a task: their costs differ by orders of magnitude.
  tbb::parallel_for(std::size_t{0}, world.surfaces.size(), [&](std::size_t i) {
    outcomes[i] = decode_one(world.surfaces[i], i, portal, budget, settings.on_image);
    counters.surfaces_done.fetch_add(1, std::memory_order_relaxed);
  });
  const bool budget_reached =
      std::any_of(outcomes.begin(), outcomes.end(), [](const DecodeOutcome& o) { return o.over_budget; });
  if (budget_reached) replay_budget_in_id_order(world, outcomes, portal, settings.pixel_budget, settings.on_image);
}

}  // namespace quillfen::world
