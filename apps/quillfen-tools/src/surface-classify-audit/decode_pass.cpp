// The tool's decode pass over the library's surface decoder: the report entry of each
// surface and the warning line of each failure (the single tool prints no reason).
#include "surface-classify-audit/decode_pass.hpp"

#include <fmt/format.h>

namespace quillfen::audit {

SurfaceAudit surface_audit(std::uint32_t surface_id, const dat::SurfaceImage& surface,
                           const dat::SurfaceMeasure& measure) {
  SurfaceAudit audit;
  audit.did = fmt::format("0x{:08X}", surface_id);
  audit.category = std::string(dat::surface_classify::display_name(measure.category));
  audit.surface_type = surface.surface_type;
  audit.mean_rgb = measure.stats.mean_rgb;
  audit.std_dev = measure.stats.std_dev;
  audit.luminance = measure.stats.luminance;
  audit.variance = measure.stats.variance;
  audit.dominant_hue = measure.stats.dominant_hue;
  audit.saturation = measure.stats.saturation;
  audit.width = surface.image.width;
  audit.height = surface.image.height;
  audit.solid = surface.solid;
  return audit;
}

std::optional<Decoded> classify_one(std::uint32_t surface_id, const dat::DatDatabase& portal, PixelBudget& budget) {
  auto surface = dat::decode_surface(surface_id, portal, budget);
  if (!surface) return std::nullopt;
  const dat::SurfaceMeasure measure = dat::measure_surface(*surface);
  return Decoded{surface_audit(surface_id, *surface, measure), std::move(surface->image)};
}

DecodePassResult run_decode_pass(std::span<const std::uint32_t> surface_ids, const dat::DatDatabase& portal,
                                 std::FILE* log, const std::function<void(const RgbaImage&)>& on_image) {
  DecodePassResult result;
  result.surfaces.reserve(surface_ids.size());
  PixelBudget budget;
  for (const std::uint32_t id : surface_ids) {
    auto decoded = classify_one(id, portal, budget);
    if (!decoded) {
      fmt::print(log, "  warn: surface 0x{:08X} failed to decode\n", id);
      continue;
    }
    ++result.category_counts[decoded->audit.category];
    if (on_image) on_image(decoded->image);
    result.surfaces.push_back(std::move(decoded->audit));
  }
  return result;
}

}  // namespace quillfen::audit
