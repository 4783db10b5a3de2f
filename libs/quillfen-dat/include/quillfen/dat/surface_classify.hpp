// Image statistics over RGBA pixels and the ordered rules that map them, with a
// surface's flags, to a material category. Both are bit-exact by contract: the order and
// precision of every floating-point operation is fixed.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace quillfen::dat::surface_classify {

struct ImageStats {
  std::array<float, 3> mean_rgb{};  // per channel, 0..1
  std::array<float, 3> std_dev{};   // population standard deviation, 0..1
  float luminance = 0.0f;           // mean luma 0.299 R + 0.587 G + 0.114 B
  float variance = 0.0f;            // population variance of the luma, never negative
  float dominant_hue = 0.0f;        // hue of the mean colour, degrees in [0, 360)
  float saturation = 0.0f;          // (max - min) / max of the mean colour

  bool operator==(const ImageStats&) const = default;
};

enum class SurfaceCategory : std::uint8_t {
  Stone = 0,
  Wood = 1,
  Metal = 2,
  Sand = 3,
  Lava = 4,
  Water = 5,
  Foliage = 6,
  Cloth = 7,
  Dirt = 8,
  Snow = 9,
  Brick = 10,
  Tile = 11,
  Generic = 12,
};

// "Stone", "Wood", ... "Generic".
std::string_view display_name(SurfaceCategory category);

// Statistics of a `width` x `height` RGBA image; the all-zero record when the image is
// empty or `rgba` holds fewer than width * height * 4 bytes.
ImageStats compute_stats(std::span<const std::uint8_t> rgba, std::uint32_t width, std::uint32_t height);

// The category of a surface from its statistics and its Surface `surface_type` flags.
SurfaceCategory classify(const ImageStats& stats, std::uint32_t surface_type);

}  // namespace quillfen::dat::surface_classify
