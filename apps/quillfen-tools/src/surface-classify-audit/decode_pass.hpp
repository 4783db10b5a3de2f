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

// The most texture pixels one run converts. A texture record of a few bytes may claim
// 4096 x 4096 pixels (DXT data can be missing and decodes as black), and thousands of
// surfaces may name it; past this budget further textures fail like any undecodable
// surface. A real landblock converts a few hundred textures of at most 1024 x 1024.
inline constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 30;

// What is left of the pixel budget of a run.
class PixelBudget {
 public:
  explicit PixelBudget(std::uint64_t pixels = kMaxDecodedPixels) : left_(pixels) {}
  // Takes `pixels` from the budget, or nothing and false when they are not all left.
  bool take(std::uint64_t pixels);

 private:
  std::uint64_t left_;
};

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
