// The audit of many landblocks in one run: every landblock's surfaces discovered with one
// shared model cache, then every surface that any of them reaches decoded exactly once.
// The work runs on oneTBB in the caller's task arena; the result does not depend on the
// number of threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <expected>
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

// Bounds on the work of discovery that grows with landblocks times what they reach. One
// step is one model id placed, one SetupModel part or one surface id a landblock's
// models and cells name; one pair is one surface of one landblock, after repeats are
// dropped. The full-scale sample world takes 12.8 million steps and holds 8.6 million
// pairs; the limits leave room for worlds twenty and eight times as dense.
struct DiscoveryLimits {
  std::uint64_t max_steps = std::uint64_t{1} << 28;
  std::uint64_t max_pairs = std::uint64_t{1} << 26;
};

struct WorldAuditSettings {
  std::uint64_t pixel_budget = dat::kMaxDecodedPixels;
  DiscoveryLimits limits;
  OnImage on_image;
};

// Fails when either DAT's work budget refused a lookup. Which lookups a budget shared by
// threads refuses depends on their timing, so such a run must be redone on one thread to
// give the same outputs every time; whether one was refused does not depend on timing.
std::expected<void, std::string> check_work_budgets(const dat::DatDatabase& portal, const dat::DatDatabase& cell);

// Audits `keys` (ascending, distinct). Records that cannot be read are skipped and
// surfaces that fail carry their reason, as in the single-landblock tool. Fails only when
// the landblocks reach more than one run may hold (see DiscoveryLimits). A lookup that a
// DAT's work budget refuses is a skipped record like any other (see check_work_budgets).
std::expected<WorldAudit, std::string> audit_world(std::span<const std::uint16_t> keys, const dat::DatDatabase& portal,
                       const dat::DatDatabase& cell, const WorldAuditSettings& settings, AuditCounters& counters);

}  // namespace quillfen::world
