// The report's thumbnails packed into atlas images: the browser loads a dozen PNG files
// instead of twelve thousand, and only those that the shown thumbnails fall in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "world-audit/report/thumbnail.hpp"
#include "world-audit/world_maps.hpp"

namespace quillfen::world {

// 32 x 32 thumbnails an atlas: 1600 x 1600 pixels, a few megabytes to decode, so a view
// that shows a few surfaces does not pay for the whole world's.
inline constexpr std::uint32_t kAtlasColumns = 32;
inline constexpr std::uint32_t kAtlasRows = 32;
inline constexpr std::size_t kThumbnailsPerAtlas = std::size_t{kAtlasColumns} * kAtlasRows;

// Each thumbnail sits in a cell with a one-pixel border that repeats its edge pixels: a
// browser that enlarges part of an atlas samples a little beyond the part's edge, which
// would otherwise show a line of the neighbouring thumbnail.
inline constexpr std::uint32_t kAtlasGutter = 1;
inline constexpr std::uint32_t kAtlasCell = kThumbnailEdge + 2 * kAtlasGutter;

// Where thumbnail number `n` (counting the decoded surfaces in id order) lies.
struct AtlasPlace {
  std::size_t atlas = 0;
  std::uint32_t column = 0;
  std::uint32_t row = 0;

  bool operator==(const AtlasPlace&) const = default;
};
AtlasPlace atlas_place(std::size_t n);

std::size_t atlas_count(std::size_t thumbnails);

// "thumbs/atlas-000.png", relative to the report's folder.
std::string atlas_path(std::size_t atlas);

// The pixels of atlas `atlas` holding `thumbnails` (all of them, in order; null for one
// that is missing, drawn in the margin colour). The last atlas has only the rows it
// needs; its unused cells are in the margin colour too.
MapImage draw_atlas(std::span<const Thumbnail* const> thumbnails, std::size_t atlas);

}  // namespace quillfen::world
