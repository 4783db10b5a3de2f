// What the world's documents and maps say about each landblock and the whole: counts,
// category histograms, each landblock's dominant category and mean colour.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "quillfen/dat/surface_classify.hpp"
#include "world-audit/world_audit.hpp"

namespace quillfen::world {

using dat::surface_classify::SurfaceCategory;
using CategoryCounts = std::map<std::string, std::uint64_t>;  // by display name, in byte order

struct LandblockSummary {
  std::uint16_t key = 0;
  std::uint64_t found = 0;  // surfaces discovery found
  std::uint64_t decoded = 0;
  std::uint64_t failed = 0;
  CategoryCounts category_counts;
  // The category with the most decoded surfaces, the first name in byte order among
  // equals; absent when nothing decoded.
  std::optional<SurfaceCategory> dominant;
  // The mean of the decoded surfaces' mean colours, each channel 0..1, in id order;
  // absent when nothing decoded.
  std::optional<std::array<float, 3>> mean_rgb;
};

struct WorldSummary {
  std::uint64_t unique_surfaces = 0;
  std::uint64_t decoded = 0;
  std::uint64_t failed = 0;
  CategoryCounts category_counts;  // over unique decoded surfaces
  std::vector<LandblockSummary> landblocks;  // as in the audit, ascending by key
};

WorldSummary summarize(const WorldAudit& world);

// The category of a display name; absent for a name no category has.
std::optional<SurfaceCategory> category_from_name(std::string_view name);

}  // namespace quillfen::world
