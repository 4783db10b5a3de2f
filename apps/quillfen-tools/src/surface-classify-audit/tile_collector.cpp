// Tile sampling during the decode pass, with the sheet's own size rules.
#include "surface-classify-audit/tile_collector.hpp"

namespace quillfen::audit {
namespace {

constexpr std::uint64_t kMaxSheetBytes = 0xFFFFFFFFull;

}  // namespace

TileCollector::TileCollector(std::uint32_t tile, std::uint32_t cols)
    : tile_(tile), cols_(cols), given_up_(!plan_contact_sheet(0, tile, cols)) {}

void TileCollector::add(const RgbaImage& image) {
  ++count_;
  if (given_up_) return;
  const std::uint64_t tile_bytes = std::uint64_t{tile_} * tile_ * 3;
  if (tile_bytes * count_ > kMaxSheetBytes) {
    given_up_ = true;
    tiles_ = {};
    return;
  }
  tiles_.push_back(sample_tile(image, tile_));
}

std::expected<ContactSheet, RunError> TileCollector::render() const {
  auto layout = plan_contact_sheet(count_, tile_, cols_);
  if (!layout) return std::unexpected(layout.error());
  ContactSheet sheet(*layout);
  for (std::size_t i = 0; i < tiles_.size(); ++i) {
    if (auto placed = sheet.place(i, tiles_[i]); !placed) return std::unexpected(placed.error());
  }
  return sheet;
}

}  // namespace quillfen::audit
