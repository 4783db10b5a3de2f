// Each landblock's counting is sequential and in index order, so sums of floats come out
// the same on every run; landblocks are summarised in parallel, each into its own row.
#include "world-audit/world_summary.hpp"

#include <tbb/parallel_for.h>

#include <iterator>

namespace quillfen::world {
namespace {

namespace sc = dat::surface_classify;

constexpr SurfaceCategory kAllCategories[] = {
    SurfaceCategory::Stone, SurfaceCategory::Wood,  SurfaceCategory::Metal, SurfaceCategory::Sand,
    SurfaceCategory::Lava,  SurfaceCategory::Water, SurfaceCategory::Foliage, SurfaceCategory::Cloth,
    SurfaceCategory::Dirt,  SurfaceCategory::Snow,  SurfaceCategory::Brick, SurfaceCategory::Tile,
    SurfaceCategory::Generic};

std::optional<SurfaceCategory> dominant_of(const CategoryCounts& counts) {
  const std::pair<const std::string, std::uint64_t>* best = nullptr;
  for (const auto& entry : counts) {
    if (best == nullptr || entry.second > best->second) best = &entry;
  }
  if (best == nullptr) return std::nullopt;
  return category_from_name(best->first);
}

constexpr std::size_t kCategoryCount = std::size(kAllCategories);

// Each surface's category as a position in kAllCategories, or none when it failed: the
// per-landblock counts then add small integers instead of looking up names.
std::vector<std::optional<std::size_t>> category_positions(const WorldAudit& world) {
  std::vector<std::optional<std::size_t>> positions(world.surfaces.size());
  for (std::size_t i = 0; i < world.surfaces.size(); ++i) {
    const auto& audit = world.surfaces[i].audit;
    if (!audit) continue;
    for (std::size_t c = 0; c < kCategoryCount; ++c) {
      if (sc::display_name(kAllCategories[c]) == audit->category) positions[i] = c;
    }
  }
  return positions;
}

LandblockSummary summarize_landblock(const WorldAudit& world, const AuditedLandblock& landblock,
                                     const std::vector<std::optional<std::size_t>>& categories) {
  LandblockSummary summary;
  summary.key = landblock.key;
  summary.found = landblock.surfaces.size();
  std::array<std::uint64_t, kCategoryCount> counts{};
  std::array<float, 3> sum{};
  for (const std::uint32_t index : landblock.surfaces) {
    if (!categories[index]) continue;
    ++summary.decoded;
    ++counts[*categories[index]];
    const auto& mean = world.surfaces[index].audit->mean_rgb;
    for (std::size_t c = 0; c < 3; ++c) sum[c] += mean[c];
  }
  for (std::size_t c = 0; c < kCategoryCount; ++c) {
    if (counts[c] > 0) summary.category_counts.emplace(sc::display_name(kAllCategories[c]), counts[c]);
  }
  summary.failed = summary.found - summary.decoded;
  summary.dominant = dominant_of(summary.category_counts);
  if (summary.decoded > 0) {
    const auto n = static_cast<float>(summary.decoded);
    summary.mean_rgb = std::array<float, 3>{sum[0] / n, sum[1] / n, sum[2] / n};
  }
  return summary;
}

}  // namespace

std::optional<SurfaceCategory> category_from_name(std::string_view name) {
  for (const SurfaceCategory category : kAllCategories) {
    if (sc::display_name(category) == name) return category;
  }
  return std::nullopt;
}

WorldSummary summarize(const WorldAudit& world) {
  WorldSummary summary;
  summary.unique_surfaces = world.surfaces.size();
  for (const AuditedSurface& surface : world.surfaces) {
    if (!surface.audit) continue;
    ++summary.decoded;
    ++summary.category_counts[surface.audit->category];
  }
  summary.failed = summary.unique_surfaces - summary.decoded;
  const auto categories = category_positions(world);
  summary.landblocks.resize(world.landblocks.size());
  tbb::parallel_for(std::size_t{0}, world.landblocks.size(), [&](std::size_t b) {
    summary.landblocks[b] = summarize_landblock(world, world.landblocks[b], categories);
  });
  return summary;
}

}  // namespace quillfen::world
