// A surface's thumbnail for the HTML report: its image scaled to fit a small square,
// sampled once while the decoded image is alive so that no image has to be kept.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "quillfen/dat/image.hpp"
#include "world-audit/world_maps.hpp"

namespace quillfen::world {

// 48 x 48 RGB is 6.75 KiB a surface: about 80 MiB for the twelve thousand surfaces of a
// full-scale world, which keeps a run with the report within its memory bound, and large
// enough to tell the materials apart by eye.
inline constexpr std::uint32_t kThumbnailEdge = 48;
inline constexpr std::size_t kThumbnailBytes = std::size_t{kThumbnailEdge} * kThumbnailEdge * 3;

// Around an image that is not square, and in place of one with no pixels.
inline constexpr Rgb kThumbnailMargin{40, 40, 48};

// RGB, rows top to bottom, kThumbnailEdge pixels a side.
using Thumbnail = std::array<std::uint8_t, kThumbnailBytes>;

// The image scaled to fit the square with its aspect kept, centred on the margin colour.
// Each thumbnail pixel is the area-weighted mean of the source pixels it covers, in
// integers, so a run's thumbnails never depend on the machine; an image smaller than the
// square is enlarged the same way (by whole pixels when the ratio is whole). Alpha is
// ignored, as the statistics ignore it. An image whose pixels are missing or short of its
// size gives the margin colour throughout.
Thumbnail sample_thumbnail(const dat::RgbaImage& image);

// The size the image takes inside the square: the longer side kThumbnailEdge, the other
// rounded to the nearest pixel and at least 1.
struct ThumbnailFit {
  std::uint32_t width = 0;
  std::uint32_t height = 0;

  bool operator==(const ThumbnailFit&) const = default;
};
ThumbnailFit thumbnail_fit(std::uint32_t width, std::uint32_t height);

}  // namespace quillfen::world
