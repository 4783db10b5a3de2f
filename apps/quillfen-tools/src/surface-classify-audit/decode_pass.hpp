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
#include "surface-classify-audit/decoded.hpp"

namespace quillfen::audit {

// Decodes, measures and classifies one surface; nothing when any step fails.
std::optional<Decoded> classify_one(std::uint32_t surface_id, const dat::DatDatabase& portal);

struct DecodePassResult {
  std::vector<SurfaceAudit> surfaces;                     // one per decoded surface, ascending id
  std::map<std::string, std::uint64_t> category_counts;  // by display name, names in byte order
};

// Runs classify_one over `surface_ids` (ascending). Each decoded image is handed to
// `on_image` in list order and then released, so only one image is alive at a time.
DecodePassResult run_decode_pass(std::span<const std::uint32_t> surface_ids, const dat::DatDatabase& portal,
                                 std::FILE* log, const std::function<void(const RgbaImage&)>& on_image = {});

}  // namespace quillfen::audit
