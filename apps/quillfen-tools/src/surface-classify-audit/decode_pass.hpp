// The decode pass: every discovered surface to an RGBA image, its statistics and its
// material category, in ascending id order; one warning line per surface that fails.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/surface_decode.hpp"
#include "surface-classify-audit/decoded.hpp"

namespace quillfen::audit {

using dat::PixelBudget;

// A surface's report entry from its decoded image.
SurfaceAudit surface_audit(std::uint32_t surface_id, const dat::SurfaceImage& surface,
                           const dat::SurfaceMeasure& measure);

// Decodes, measures and classifies one surface; nothing when any step fails or its
// texture does not fit in what is left of `budget`.
std::optional<Decoded> classify_one(std::uint32_t surface_id, const dat::DatDatabase& portal,
                                    PixelBudget& budget);

struct DecodePassResult {
  std::vector<SurfaceAudit> surfaces;                     // one per decoded surface, ascending id
  std::map<std::string, std::uint64_t> category_counts;  // by display name, names in byte order
};

// Runs classify_one over `surface_ids` (ascending). Each decoded image is handed to
// `on_image` in list order and then released, so only one image is alive at a time.
DecodePassResult run_decode_pass(std::span<const std::uint32_t> surface_ids, const dat::DatDatabase& portal,
                                 std::FILE* log, const std::function<void(const RgbaImage&)>& on_image = {});

}  // namespace quillfen::audit
