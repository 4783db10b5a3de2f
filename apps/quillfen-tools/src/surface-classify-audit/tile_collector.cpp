// The contact sheet kept tile by tile, with the sheet's own size rules.
#include "surface-classify-audit/tile_collector.hpp"

namespace quillfen::audit {

TileCollector::TileCollector(std::uint32_t tile, std::uint32_t cols) : tile_(tile), cols_(cols) {}

void TileCollector::add(const RgbaImage& image) {
  ++count_;
  if (too_large_) return;
  if (!plan_contact_sheet(count_, tile_, cols_)) {
    too_large_ = true;
    pictures_ = {};
    return;
  }
  pictures_.push_back(keep_for_tile(image, tile_));
}

std::expected<SheetLayout, RunError> TileCollector::layout() const { return plan_contact_sheet(count_, tile_, cols_); }

std::expected<void, RunError> TileCollector::write_ppm(const std::filesystem::path& path) const {
  const auto layout = this->layout();
  if (!layout) return std::unexpected(layout.error());
  return audit::write_ppm(*layout, pictures_, path);
}

}  // namespace quillfen::audit
