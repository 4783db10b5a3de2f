// One surface id to its RGBA image, its statistics and its material category: the
// Surface record, then either its solid colour as a 1 x 1 image or its SurfaceTexture
// (the last texture listed), the Texture and, for the paletted formats, its Palette.
#pragma once

#include "quillfen/common/config.hpp"

#include <atomic>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/image.hpp"
#include "quillfen/dat/surface_classify.hpp"

namespace quillfen::dat {

// The most texture pixels one run converts by default. A texture record of a few bytes
// may claim 4096 x 4096 pixels (DXT data can be missing and decodes as black), and
// thousands of surfaces may name it; past this budget further textures fail like any
// undecodable surface. A real landblock converts a few hundred textures of at most
// 1024 x 1024.
inline constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 30;

// What is left of the pixel budget of a run; may be shared by threads.
class PixelBudget {
 public:
  explicit PixelBudget(std::uint64_t pixels = kMaxDecodedPixels) : left_(pixels) {}
  PixelBudget(const PixelBudget&) = delete;
  PixelBudget& operator=(const PixelBudget&) = delete;

  // Takes `pixels` from the budget, or nothing and false when they are not all left.
  bool take(std::uint64_t pixels);
  std::uint64_t left() const { return left_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint64_t> left_;
};

// A surface as an image.
struct SurfaceImage {
  std::uint32_t surface_type = 0;  // the Surface's flag word
  bool solid = false;              // a solid colour, drawn as one pixel
  RgbaImage image;
  // The Texture's pixel-format code (see file_type::TextureFormat); absent for a solid colour.
  std::optional<std::uint32_t> texture_format;
};

// Why a surface could not be decoded, for a person to act on: the record that failed,
// its id and the library's own description of the failure, e.g.
// "Texture 0x06000180: unsupported texture format R5G6B5 (code 23)".
struct SurfaceError {
  std::string reason;
  // The texture's size in pixels when the failure came at the budget check or after it
  // (0 before), and whether the budget itself refused it: enough for a caller that
  // decoded surfaces in parallel to replay the budget in id order.
  std::uint64_t texture_pixels = 0;
  bool over_budget = false;

  bool operator==(const SurfaceError&) const = default;
};

// Reads and converts surface `surface_id`. A texture's pixels are taken from `budget`
// before it is converted; a texture that does not fit fails.
std::expected<SurfaceImage, SurfaceError> decode_surface(std::uint32_t surface_id, const DatDatabase& portal,
                                                         PixelBudget& budget);

// The statistics of a surface's image and the category they give with its flags.
struct SurfaceMeasure {
  surface_classify::ImageStats stats;
  surface_classify::SurfaceCategory category = surface_classify::SurfaceCategory::Generic;

  bool operator==(const SurfaceMeasure&) const = default;
};

SurfaceMeasure measure_surface(const SurfaceImage& surface);

}  // namespace quillfen::dat
