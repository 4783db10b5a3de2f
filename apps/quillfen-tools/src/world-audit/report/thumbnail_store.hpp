// The thumbnails of a world run, sampled on the workers that decode the surfaces.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "quillfen/dat/surface_decode.hpp"
#include "world-audit/report/thumbnail.hpp"
#include "world-audit/world_audit.hpp"

namespace quillfen::world {

// One slot per surface index, made before the decode pass. A worker writes only the slot
// of the surface it decoded, and the decode pass never decodes one surface on two threads
// at once (it decodes a surface again only after the first pass has ended), so no lock is
// needed. Each thumbnail is allocated as it arrives, so failed surfaces cost nothing, and
// can be freed on its own once written.
class ThumbnailStore {
 public:
  explicit ThumbnailStore(std::size_t surfaces) : slots_(surfaces) {}

  // Samples the surface's image into the slot of `surface_index`, replacing an earlier
  // thumbnail (a surface decoded again by the pixel budget's replay). An index beyond the
  // slots is ignored.
  void sample(std::size_t surface_index, const dat::SurfaceImage& surface);

  // The hook for WorldAuditSettings::on_image; the store must outlive the decode pass.
  OnImage sampler();

  // The thumbnail of `surface_index`, or null.
  const Thumbnail* find(std::size_t surface_index) const;

  // Frees the thumbnail of `surface_index` once it is no longer needed; like sample, safe
  // for different surfaces at once.
  void release(std::size_t surface_index);

  // The thumbnails held.
  std::size_t size() const;

 private:
  std::vector<std::unique_ptr<Thumbnail>> slots_;
};

}  // namespace quillfen::world
