#include "world-audit/report/thumbnail_atlas.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>

namespace quillfen::world {

AtlasPlace atlas_place(std::size_t n) {
  const std::size_t within = n % kThumbnailsPerAtlas;
  return {n / kThumbnailsPerAtlas, static_cast<std::uint32_t>(within % kAtlasColumns),
          static_cast<std::uint32_t>(within / kAtlasColumns)};
}

std::size_t atlas_count(std::size_t thumbnails) {
  return (thumbnails + kThumbnailsPerAtlas - 1) / kThumbnailsPerAtlas;
}

std::string atlas_path(std::size_t atlas) { return fmt::format("thumbs/atlas-{:03}.png", atlas); }

namespace {

// Copies the thumbnail into its cell at (x0, y0) with each edge pixel repeated once outward.
void place(MapImage& image, const Thumbnail& thumbnail, std::size_t x0, std::size_t y0) {
  constexpr std::size_t kEdge = kThumbnailEdge;
  for (std::size_t y = 0; y < kAtlasCell; ++y) {
    const std::size_t from_y = std::min(kEdge - 1, y == 0 ? 0 : y - kAtlasGutter);
    for (std::size_t x = 0; x < kAtlasCell; ++x) {
      const std::size_t from_x = std::min(kEdge - 1, x == 0 ? 0 : x - kAtlasGutter);
      std::memcpy(image.rgb.data() + ((y0 + y) * image.width + x0 + x) * 3, thumbnail.data() + (from_y * kEdge + from_x) * 3,
                  3);
    }
  }
}

}  // namespace

MapImage draw_atlas(std::span<const Thumbnail* const> thumbnails, std::size_t atlas) {
  const std::size_t first = atlas * kThumbnailsPerAtlas;
  const std::size_t count = first < thumbnails.size() ? std::min(kThumbnailsPerAtlas, thumbnails.size() - first) : 0;
  const auto rows = static_cast<std::uint32_t>(std::max<std::size_t>(1, (count + kAtlasColumns - 1) / kAtlasColumns));

  MapImage image = MapImage::filled(kAtlasColumns * kAtlasCell, rows * kAtlasCell, kThumbnailMargin);
  for (std::size_t i = 0; i < count; ++i) {
    const Thumbnail* thumbnail = thumbnails[first + i];
    if (thumbnail == nullptr) continue;
    const AtlasPlace at = atlas_place(first + i);
    place(image, *thumbnail, std::size_t{at.column} * kAtlasCell, std::size_t{at.row} * kAtlasCell);
  }
  return image;
}

}  // namespace quillfen::world
