// The contact sheet collected while the decode pass runs: each surface keeps the smaller
// of its image and its sampled tile as soon as it is decoded, so no image outlives its own
// surface and the sheet is never held whole; it is streamed to its file at the end.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <vector>

#include "surface-classify-audit/contact_sheet.hpp"

namespace quillfen::audit {

class TileCollector {
 public:
  TileCollector(std::uint32_t tile, std::uint32_t cols);

  // Keeps what the next tile is drawn from.
  void add(const RgbaImage& image);

  // The sheet's layout for the tiles added so far, or the sheet writer's error for its size.
  std::expected<SheetLayout, RunError> layout() const;
  // One per tile added, in order; empty once the sheet has outgrown its size limit.
  std::span<const TilePicture> pictures() const { return pictures_; }

  // Writes the sheet (write_ppm); a sheet too large is refused before the file is created.
  std::expected<void, RunError> write_ppm(const std::filesystem::path& path) const;

 private:
  std::uint32_t tile_;
  std::uint32_t cols_;
  std::size_t count_ = 0;
  // Dropped once the sheet would outgrow what plan_contact_sheet accepts: it is going to be
  // rejected for its size, so nothing more is kept.
  bool too_large_ = false;
  std::vector<TilePicture> pictures_;
};

}  // namespace quillfen::audit
