// The contact sheet: every decoded surface as one square tile of a grid, written as a
// binary PPM (P6, 8-bit RGB). Tile i shows entry i of the report's "surfaces" list. The
// sheet is streamed to its file row by row from what each surface kept for its tile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "surface-classify-audit/decoded.hpp"
#include "surface-classify-audit/run_error.hpp"

namespace quillfen::audit {

inline constexpr std::uint8_t kSheetBackground = 32;  // grey 32, 32, 32 where no tile lands

// The sheet's geometry. Every size here fits in 32 bits, and so do the byte counts of
// the sheet and of one tile: plan_contact_sheet rejects anything larger.
struct SheetLayout {
  std::uint32_t tile = 0;     // edge length of a tile in pixels
  std::uint32_t columns = 0;  // tiles per row, at least 1
  std::uint32_t rows = 0;
  std::uint32_t width = 0;  // columns * tile
  std::uint32_t height = 0;  // rows * tile

  std::size_t sheet_bytes() const { return std::size_t{width} * height * 3; }
  std::size_t tile_bytes() const { return std::size_t{tile} * tile * 3; }

  bool operator==(const SheetLayout&) const = default;
};

// The layout for `tile_count` tiles; `cols` 0 means one tile per row. Sizes whose pixel
// bytes do not fit in 32 bits are rejected here, before anything is drawn.
std::expected<SheetLayout, RunError> plan_contact_sheet(std::size_t tile_count, std::uint32_t tile,
                                                        std::uint32_t cols);

// One tile of tile x tile RGB pixels (3 bytes each, rows top to bottom), sampled from
// `image` by nearest neighbour; the image is stretched to fill the tile and its alpha is
// ignored. An image with no width or height gives a black tile. Pixels missing from a
// short pixel buffer (fewer than width * height * 4 bytes) are drawn black rather than
// read out of bounds. Callers pass a tile that plan_contact_sheet accepted; a tile whose
// bytes would not fit in 32 bits gives an empty result.
std::vector<std::uint8_t> sample_tile(const RgbaImage& image, std::uint32_t tile);

// What one tile is drawn from, kept per surface until the sheet is written: the image's
// own pixels (RGB, alpha dropped) when it has no more pixels than a tile, otherwise its
// sampled tile. Either way the tile is the nearest-neighbour sample of this picture (a
// sampled tile samples to itself), so the sheet does not depend on which one was kept,
// and a surface costs at most one tile's bytes however large its image.
struct TilePicture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;  // whole pixels only; missing ones draw black

  bool operator==(const TilePicture&) const = default;
};

// The smaller of `image` and its tile of `tile` pixels; nothing for a tile of 0.
TilePicture keep_for_tile(const RgbaImage& image, std::uint32_t tile);

// Receives the sheet's pixel bytes in order, a piece at a time.
using SheetSink = std::function<std::expected<void, RunError>(std::span<const std::uint8_t>)>;

// Draws the sheet of `layout` (from plan_contact_sheet) with tile i taken from
// pictures[i], and hands its pixel bytes to `sink` in pieces of about 1 MiB: the sheet is
// never held whole. Fails when there are more pictures than cells.
std::expected<void, RunError> stream_sheet_pixels(const SheetLayout& layout, std::span<const TilePicture> pictures,
                                                  const SheetSink& sink);

// Writes the sheet as a P6 file: "P6\n", "W H\n", "255\n", then the pixel bytes, as a
// ReplacingFile: the path holds the previous file until the new one is complete. A failed
// create is "create {path}" and a failed write "write {path}", caused by the system error.
std::expected<void, RunError> write_ppm(const SheetLayout& layout, std::span<const TilePicture> pictures,
                                        const std::filesystem::path& path);

// Draws every record of `decoded` in list order and writes the sheet; the size is checked
// before the file is created.
std::expected<void, RunError> write_contact_sheet(const std::vector<Decoded>& decoded,
                                                  const std::filesystem::path& path, std::uint32_t tile,
                                                  std::uint32_t cols);

}  // namespace quillfen::audit
