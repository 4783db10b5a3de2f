// The contact sheet drawn while the decode pass runs: each image is sampled into its tile
// as soon as it is decoded, so no image outlives its own surface, and the sheet grows a
// row of tiles at a time, so the tiles are never held twice.
#pragma once

#include <cstdint>
#include <optional>

#include "surface-classify-audit/contact_sheet.hpp"

namespace quillfen::audit {

class TileCollector {
 public:
  TileCollector(std::uint32_t tile, std::uint32_t cols);

  // Draws the next image's tile.
  void add(const RgbaImage& image);

  // The finished sheet, or the sheet writer's error for its size.
  std::expected<ContactSheet, RunError> take() &&;

 private:
  std::uint32_t tile_;
  std::uint32_t cols_;
  std::size_t count_ = 0;
  // Absent once the sheet would outgrow what plan_contact_sheet accepts: it is going to be
  // rejected for its size, so nothing more is drawn.
  std::optional<ContactSheet> sheet_;
};

}  // namespace quillfen::audit
