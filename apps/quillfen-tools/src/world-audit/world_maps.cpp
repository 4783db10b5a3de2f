// Both maps are filled cell by cell from the per-landblock summary.
#include "world-audit/world_maps.hpp"

#include <cmath>
#include <functional>
#include <optional>

namespace quillfen::world {
namespace {

std::uint8_t to_byte(float unit) {
  if (!(unit > 0.0f)) return 0;  // also NaN
  if (unit >= 1.0f) return 255;
  return static_cast<std::uint8_t>(std::lround(unit * 255.0f));
}

MapImage draw(const WorldSummary& summary, std::uint32_t scale,
              const std::function<std::optional<Rgb>(const LandblockSummary&)>& colour_of) {
  MapImage map = MapImage::filled(kMapCells * scale, kMapCells * scale, kMapBackground);
  for (const LandblockSummary& landblock : summary.landblocks) {
    if (landblock.found == 0) continue;
    const Rgb colour = colour_of(landblock).value_or(kMapNothingDecoded);
    const std::uint32_t x0 = map_x(landblock.key) * scale;
    const std::uint32_t y0 = map_y(landblock.key) * scale;
    for (std::uint32_t y = y0; y < y0 + scale; ++y) {
      for (std::uint32_t x = x0; x < x0 + scale; ++x) {
        const std::size_t at = (std::size_t{y} * map.width + x) * 3;
        map.rgb[at] = colour.r;
        map.rgb[at + 1] = colour.g;
        map.rgb[at + 2] = colour.b;
      }
    }
  }
  return map;
}

}  // namespace

Rgb category_colour(SurfaceCategory category) {
  switch (category) {
    case SurfaceCategory::Stone: return {140, 140, 140};
    case SurfaceCategory::Wood: return {166, 104, 42};
    case SurfaceCategory::Metal: return {112, 160, 196};
    case SurfaceCategory::Sand: return {232, 208, 140};
    case SurfaceCategory::Lava: return {232, 64, 16};
    case SurfaceCategory::Water: return {32, 96, 208};
    case SurfaceCategory::Foliage: return {56, 150, 64};
    case SurfaceCategory::Cloth: return {168, 72, 200};
    case SurfaceCategory::Dirt: return {100, 72, 48};
    case SurfaceCategory::Snow: return {244, 246, 250};
    case SurfaceCategory::Brick: return {168, 56, 48};
    case SurfaceCategory::Tile: return {200, 152, 112};
    case SurfaceCategory::Generic: return {224, 120, 168};
  }
  return {224, 120, 168};
}

MapImage MapImage::filled(std::uint32_t width, std::uint32_t height, Rgb colour) {
  MapImage image;
  image.width = width;
  image.height = height;
  image.rgb.resize(std::size_t{width} * height * 3);
  for (std::size_t i = 0; i < image.rgb.size(); i += 3) {
    image.rgb[i] = colour.r;
    image.rgb[i + 1] = colour.g;
    image.rgb[i + 2] = colour.b;
  }
  return image;
}

MapImage material_map(const WorldSummary& summary, std::uint32_t scale) {
  return draw(summary, scale, [](const LandblockSummary& landblock) -> std::optional<Rgb> {
    if (!landblock.dominant) return std::nullopt;
    return category_colour(*landblock.dominant);
  });
}

MapImage colour_map(const WorldSummary& summary, std::uint32_t scale) {
  return draw(summary, scale, [](const LandblockSummary& landblock) -> std::optional<Rgb> {
    if (!landblock.mean_rgb) return std::nullopt;
    const auto& m = *landblock.mean_rgb;
    return Rgb{to_byte(m[0]), to_byte(m[1]), to_byte(m[2])};
  });
}

}  // namespace quillfen::world
