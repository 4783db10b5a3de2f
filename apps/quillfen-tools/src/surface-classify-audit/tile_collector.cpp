// The contact sheet built tile by tile, with the sheet's own size rules.
#include "surface-classify-audit/tile_collector.hpp"

namespace quillfen::audit {

TileCollector::TileCollector(std::uint32_t tile, std::uint32_t cols) : tile_(tile), cols_(cols) {
  if (auto empty = plan_contact_sheet(0, tile, cols)) sheet_.emplace(*empty);
}

void TileCollector::add(const RgbaImage& image) {
  const std::size_t index = count_++;
  if (!sheet_) return;
  const SheetLayout& layout = sheet_->layout();
  if (index >= std::size_t{layout.columns} * layout.rows) {
    if (!plan_contact_sheet(count_, tile_, cols_)) {
      sheet_.reset();
      return;
    }
    sheet_->add_row();
  }
  // The cell exists and the tile has the layout's size, so placing cannot fail.
  (void)sheet_->place(index, sample_tile(image, tile_));
}

std::expected<ContactSheet, RunError> TileCollector::take() && {
  auto layout = plan_contact_sheet(count_, tile_, cols_);
  if (!layout) return std::unexpected(layout.error());
  // A sheet dropped for its size would have failed the plan above; this only keeps the
  // empty case honest.
  if (!sheet_) sheet_.emplace(*layout);
  return std::move(*sheet_);
}

}  // namespace quillfen::audit
