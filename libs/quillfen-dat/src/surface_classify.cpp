// Image statistics and the material classifier. Both are bit-exact by contract: the
// sums run in double in pixel order, hue and saturation and every rule run in float, and
// the build never contracts or reorders floating-point operations.
#include "quillfen/dat/surface_classify.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "quillfen/dat/ids.hpp"

namespace quillfen::dat::surface_classify {

std::string_view display_name(SurfaceCategory category) {
  switch (category) {
    case SurfaceCategory::Stone: return "Stone";
    case SurfaceCategory::Wood: return "Wood";
    case SurfaceCategory::Metal: return "Metal";
    case SurfaceCategory::Sand: return "Sand";
    case SurfaceCategory::Lava: return "Lava";
    case SurfaceCategory::Water: return "Water";
    case SurfaceCategory::Foliage: return "Foliage";
    case SurfaceCategory::Cloth: return "Cloth";
    case SurfaceCategory::Dirt: return "Dirt";
    case SurfaceCategory::Snow: return "Snow";
    case SurfaceCategory::Brick: return "Brick";
    case SurfaceCategory::Tile: return "Tile";
    case SurfaceCategory::Generic: return "Generic";
  }
  return "Generic";
}

namespace {

using ChannelTable = std::array<double, 256>;

// b / 255.0 for every byte: the very doubles the division gives, looked up instead.
constexpr ChannelTable kUnitChannel = [] {
  ChannelTable table{};
  for (std::size_t b = 0; b < table.size(); ++b) table[b] = static_cast<double>(b) / 255.0;
  return table;
}();

// (b / 255.0 - mean)^2 for every byte, the term the second pass adds per pixel.
ChannelTable squared_deviations(double mean) {
  ChannelTable table{};
  for (std::size_t b = 0; b < table.size(); ++b) {
    const double d = kUnitChannel[b] - mean;
    table[b] = d * d;
  }
  return table;
}

// Hue in degrees and saturation of the mean colour, in float as the classifier sees it.
void hue_and_saturation(float r, float g, float b, ImageStats& stats) {
  constexpr float kEpsilon = std::numeric_limits<float>::epsilon();
  const float max = std::max({r, g, b});
  const float min = std::min({r, g, b});
  if (max <= kEpsilon) return;
  const float d = max - min;
  if (d <= kEpsilon) return;
  // Sector by exact equality, red first: a red-green tie takes the red formula. The red
  // sector's value already lies in -1..1, where taking it modulo 6 changes nothing.
  float h;
  if (max == r) {
    h = (g - b) / d;
  } else if (max == g) {
    h = (b - r) / d + 2.0f;
  } else {
    h = (r - g) / d + 4.0f;
  }
  float hue = h * 60.0f;
  if (hue < 0.0f) {
    hue += 360.0f;
    // A hue a hair below 0 rounds to exactly 360 when wrapped; that is the angle 0, and
    // the hue must stay below 360.
    if (hue >= 360.0f) hue = 0.0f;
  }
  stats.dominant_hue = hue;
  stats.saturation = d / max;
}

}  // namespace

ImageStats compute_stats(std::span<const std::uint8_t> rgba, std::uint32_t width, std::uint32_t height) {
  const std::uint64_t n = static_cast<std::uint64_t>(width) * height;
  if (n == 0 || rgba.size() / 4 < n) return {};
  const std::uint8_t* const pixels = rgba.data();

  // First pass: channel sums and the luma's sum and sum of squares. Alpha takes no part.
  double sum_r = 0.0, sum_g = 0.0, sum_b = 0.0, sum_y = 0.0, sum_yy = 0.0;
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint8_t* p = pixels + 4 * i;
    const double r = kUnitChannel[p[0]];
    const double g = kUnitChannel[p[1]];
    const double b = kUnitChannel[p[2]];
    const double y = (r * 0.299 + g * 0.587) + b * 0.114;
    sum_r += r;
    sum_g += g;
    sum_b += b;
    sum_y += y;
    sum_yy += y * y;
  }
  const double count = static_cast<double>(n);
  const double mean_r = sum_r / count;
  const double mean_g = sum_g / count;
  const double mean_b = sum_b / count;
  const double mean_y = sum_y / count;
  double variance = sum_yy / count - mean_y * mean_y;
  if (!(variance > 0.0)) variance = 0.0;

  // Second pass: squared deviations from the double means, summed in pixel order.
  const ChannelTable dev_r = squared_deviations(mean_r);
  const ChannelTable dev_g = squared_deviations(mean_g);
  const ChannelTable dev_b = squared_deviations(mean_b);
  double sq_r = 0.0, sq_g = 0.0, sq_b = 0.0;
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint8_t* p = pixels + 4 * i;
    sq_r += dev_r[p[0]];
    sq_g += dev_g[p[1]];
    sq_b += dev_b[p[2]];
  }

  ImageStats stats;
  stats.mean_rgb = {static_cast<float>(mean_r), static_cast<float>(mean_g), static_cast<float>(mean_b)};
  stats.std_dev = {static_cast<float>(std::sqrt(sq_r / count)), static_cast<float>(std::sqrt(sq_g / count)),
                   static_cast<float>(std::sqrt(sq_b / count))};
  stats.luminance = static_cast<float>(mean_y);
  stats.variance = static_cast<float>(variance);
  hue_and_saturation(stats.mean_rgb[0], stats.mean_rgb[1], stats.mean_rgb[2], stats);
  return stats;
}

SurfaceCategory classify(const ImageStats& stats, std::uint32_t surface_type) {
  const float r = stats.mean_rgb[0];
  const float g = stats.mean_rgb[1];
  const float b = stats.mean_rgb[2];
  const float l = stats.luminance;
  const float v = stats.variance;
  const float h = stats.dominant_hue;
  const float s = stats.saturation;
  const bool flag_foliage = (surface_type & surface_flags::kFoliage) != 0;
  const bool flag_water = (surface_type & surface_flags::kWater) != 0;
  const bool flag_lava = (surface_type & surface_flags::kLava) != 0;
  // Rules 7 and 8 split a brown surface by brightness.
  const auto wood_or_dirt = [l] { return l < 0.35f ? SurfaceCategory::Wood : SurfaceCategory::Dirt; };

  // The first rule that holds decides; the order is part of the contract.
  if (flag_lava && !flag_water && r > 0.4f && r > 1.2f * g && r > 1.5f * b && v < 0.05f) {
    return SurfaceCategory::Lava;
  }
  if (flag_water && b > 0.2f && b > g && b > r) return SurfaceCategory::Water;
  if (flag_foliage && g > b && g > r && s > 0.15f) return SurfaceCategory::Foliage;
  if (g > r && g > b && s > 0.3f) return SurfaceCategory::Foliage;
  if (s < 0.12f && l > 0.78f && v < 0.02f) return SurfaceCategory::Snow;
  if (v < 0.06f && l >= 0.55f && s >= 0.2f && s <= 0.5f && h >= 30.0f && h <= 60.0f) return SurfaceCategory::Sand;
  if (r > 1.4f * g && r > 1.4f * b && h >= 5.0f && h <= 50.0f) return wood_or_dirt();
  if (h >= 15.0f && h <= 55.0f && v < 0.13f && s >= 0.1f && s <= 0.65f && l < 0.55f) return wood_or_dirt();
  if (s < 0.12f && l > 0.45f && v < 0.025f) return SurfaceCategory::Metal;
  if (l >= 0.1f && l <= 0.65f && s < 0.2f && v < 0.04f) return SurfaceCategory::Stone;
  if (l >= 0.1f && s < 0.25f && v >= 0.025f) return SurfaceCategory::Stone;
  return SurfaceCategory::Generic;
}

}  // namespace quillfen::dat::surface_classify
