// The contact sheet: every decoded surface as one square tile of a grid, written as a
// binary PPM (P6, 8-bit RGB). Tile i shows entry i of the report's "surfaces" list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
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

// The sheet in memory: starts as the grey background; tiles are placed one by one, so a
// caller may sample each tile as soon as its image exists and drop the image. The
// layout must come from plan_contact_sheet, which bounds the buffer's size.
class ContactSheet {
 public:
  explicit ContactSheet(const SheetLayout& layout);

  // Copies `tile_pixels` (a sample_tile result) into cell `index` (left to right, then
  // top to bottom). Fails for an index outside the grid or a tile of the wrong size.
  std::expected<void, RunError> place(std::size_t index, std::span<const std::uint8_t> tile_pixels);

  // Adds one row of background cells at the bottom, for a sheet drawn as tiles arrive.
  // The grown layout must be one that plan_contact_sheet accepts.
  void add_row();

  const SheetLayout& layout() const { return layout_; }
  std::span<const std::uint8_t> pixels() const { return pixels_; }

 private:
  SheetLayout layout_;
  std::vector<std::uint8_t> pixels_;
};

// Draws every record of `decoded` in list order onto a fresh sheet.
std::expected<ContactSheet, RunError> render_contact_sheet(const std::vector<Decoded>& decoded,
                                                           std::uint32_t tile, std::uint32_t cols);

// Writes the sheet as a P6 file: "P6\n", "W H\n", "255\n", then the pixel bytes, as a
// ReplacingFile: the path holds the previous file until the new one is complete. A failed
// create is "create {path}" and a failed write "write {path}", caused by the system error.
std::expected<void, RunError> write_ppm(const ContactSheet& sheet, const std::filesystem::path& path);

// Render, then write: the whole sheet is built in memory before the file is opened.
std::expected<void, RunError> write_contact_sheet(const std::vector<Decoded>& decoded,
                                                  const std::filesystem::path& path, std::uint32_t tile,
                                                  std::uint32_t cols);

}  // namespace quillfen::audit
