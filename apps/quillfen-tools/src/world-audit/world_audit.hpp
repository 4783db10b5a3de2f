// The audit of many landblocks in one run: every landblock's surfaces discovered with one
// shared model cache, then every surface that any of them reaches decoded exactly once.
// The work runs on oneTBB in the caller's task arena; the result does not depend on the
// number of threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/surface_decode.hpp"
#include "surface-classify-audit/decoded.hpp"

namespace quillfen::world {

struct AuditedSurface {
  std::uint32_t id = 0;
  std::optional<audit::SurfaceAudit> audit;  // present when the surface decoded
  std::optional<std::uint32_t> texture_format;  // its Texture's format code, when it has one
  std::string failure;                       // the reason, when it did not
  std::vector<std::uint16_t> landblocks;     // the audited landblocks that use it, ascending
};

struct AuditedLandblock {
  std::uint16_t key = 0;
  std::vector<std::uint32_t> surfaces;  // indices into WorldAudit::surfaces, ascending by id
};

struct WorldAudit {
  std::vector<AuditedLandblock> landblocks;  // ascending by key
  std::vector<AuditedSurface> surfaces;      // ascending by id
};

// Counters that a progress display may read from another thread at any time.
struct AuditCounters {
  std::atomic<std::size_t> landblocks_total{0};
  std::atomic<std::size_t> landblocks_done{0};
  std::atomic<std::size_t> surfaces_total{0};
  std::atomic<std::size_t> surfaces_done{0};
};

// Called for each surface that decodes, on the worker that decoded it, before its image
// is released: the one chance to sample it. Calls for different surfaces may overlap.
using OnImage = std::function<void(std::size_t surface_index, const dat::SurfaceImage& surface)>;

// The pixel budget of a world run: the single-landblock budget, or more for a large portal
// DAT, so that real worlds never reach it while a forged one stays bounded by its size.
std::uint64_t world_pixel_budget(std::uint64_t portal_file_bytes);

struct WorldAuditSettings {
  std::uint64_t pixel_budget = dat::kMaxDecodedPixels;
  OnImage on_image;
};

// Audits `keys` (ascending, distinct). Records that cannot be read are skipped and
// surfaces that fail carry their reason, as in the single-landblock tool.
WorldAudit audit_world(std::span<const std::uint16_t> keys, const dat::DatDatabase& portal,
                       const dat::DatDatabase& cell, const WorldAuditSettings& settings, AuditCounters& counters);

}  // namespace quillfen::world
