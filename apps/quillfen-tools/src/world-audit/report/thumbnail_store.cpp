#include "world-audit/report/thumbnail_store.hpp"

#include <algorithm>

namespace quillfen::world {

void ThumbnailStore::sample(std::size_t surface_index, const dat::SurfaceImage& surface) {
  if (surface_index >= slots_.size()) return;
  slots_[surface_index] = std::make_unique<Thumbnail>(sample_thumbnail(surface.image));
}

OnImage ThumbnailStore::sampler() {
  return [this](std::size_t surface_index, const dat::SurfaceImage& surface) { sample(surface_index, surface); };
}

const Thumbnail* ThumbnailStore::find(std::size_t surface_index) const {
  return surface_index < slots_.size() ? slots_[surface_index].get() : nullptr;
}

void ThumbnailStore::release(std::size_t surface_index) {
  if (surface_index < slots_.size()) slots_[surface_index].reset();
}

std::size_t ThumbnailStore::size() const {
  return static_cast<std::size_t>(
      std::count_if(slots_.begin(), slots_.end(), [](const auto& slot) { return slot != nullptr; }));
}

}  // namespace quillfen::world
