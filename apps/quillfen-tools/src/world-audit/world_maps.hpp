// The world as two pictures, one pixel a landblock scaled up: the material map (each
// landblock in its dominant category's colour) and the colour map (each landblock in the
// mean colour of its decoded surfaces). Column = key >> 8, row = 255 - (key & 0xFF), so
// north is up.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "world-audit/world_summary.hpp"

namespace quillfen::world {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;

  bool operator==(const Rgb&) const = default;
};

inline constexpr std::uint32_t kMapCells = 256;  // landblocks per side
inline constexpr std::uint32_t kMapScale = 4;    // pixels per landblock per side

// Landblocks that were not audited, or that have no surface at all.
inline constexpr Rgb kMapBackground{16, 16, 24};
// Landblocks whose surfaces all failed to decode.
inline constexpr Rgb kMapNothingDecoded{72, 72, 72};

// The fixed colour of each category on the material map.
Rgb category_colour(SurfaceCategory category);

// The map cell of a landblock key: x = key >> 8, y = 255 - (key & 0xFF).
constexpr std::uint32_t map_x(std::uint16_t key) { return key >> 8; }
constexpr std::uint32_t map_y(std::uint16_t key) { return 255u - (key & 0xFFu); }

struct MapImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes a pixel, rows top to bottom

  // An image of `width` x `height` pixels, all of `colour`.
  static MapImage filled(std::uint32_t width, std::uint32_t height, Rgb colour);
};

MapImage material_map(const WorldSummary& summary, std::uint32_t scale = kMapScale);
MapImage colour_map(const WorldSummary& summary, std::uint32_t scale = kMapScale);

}  // namespace quillfen::world
