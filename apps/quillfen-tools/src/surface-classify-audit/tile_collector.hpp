// Contact-sheet tiles sampled while the decode pass runs, so that no decoded image has to
// outlive its own surface: the sheet needs only each image's tile.
#pragma once

#include <cstdint>
#include <vector>

#include "surface-classify-audit/contact_sheet.hpp"

namespace quillfen::audit {

class TileCollector {
 public:
  TileCollector(std::uint32_t tile, std::uint32_t cols);

  // Samples the next image's tile.
  void add(const RgbaImage& image);

  // The sheet with every tile in place, or the sheet writer's error for its size.
  std::expected<ContactSheet, RunError> render() const;

 private:
  std::uint32_t tile_;
  std::uint32_t cols_;
  std::size_t count_ = 0;
  // Once the tiles alone outgrow the largest sheet there can be, the sheet will be
  // rejected for its size: stop holding them.
  bool given_up_ = false;
  std::vector<std::vector<std::uint8_t>> tiles_;
};

}  // namespace quillfen::audit
