// The material generators. Each is a function of a pixel's position in the unit square,
// so a texture keeps its look at every size, and of a per-material seed. The colour
// ranges are chosen against the classifier's rules: each material's mean colour,
// brightness and brightness variance sit well inside its rule, away from the thresholds,
// so the same texture classifies the same at 8x8 and at 512x512 and after lossy encoding.
#include "sample-world/materials.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

#include <fmt/format.h>

#include "quillfen/dat/ids.hpp"
#include "sample-world/procedural_noise.hpp"

namespace quillfen::sample {

using dat::surface_classify::SurfaceCategory;

std::string_view material_name(Material material) {
  switch (material) {
    case Material::Stone: return "stone";
    case Material::StoneCourses: return "stone-courses";
    case Material::Wood: return "wood";
    case Material::Lava: return "lava";
    case Material::Water: return "water";
    case Material::Foliage: return "foliage";
    case Material::Sand: return "sand";
    case Material::Snow: return "snow";
    case Material::Metal: return "metal";
    case Material::Dirt: return "dirt";
    case Material::Banner: return "banner";
  }
  return "unknown";
}

std::uint32_t material_surface_flags(Material material) {
  switch (material) {
    case Material::Water: return dat::surface_flags::kWater;
    case Material::Lava: return dat::surface_flags::kLava;
    case Material::Foliage: return dat::surface_flags::kFoliage;
    default: return 0;
  }
}

SurfaceCategory expected_category(Material material) {
  switch (material) {
    case Material::Stone:
    case Material::StoneCourses: return SurfaceCategory::Stone;
    case Material::Wood: return SurfaceCategory::Wood;
    case Material::Lava: return SurfaceCategory::Lava;
    case Material::Water: return SurfaceCategory::Water;
    case Material::Foliage: return SurfaceCategory::Foliage;
    case Material::Sand: return SurfaceCategory::Sand;
    case Material::Snow: return SurfaceCategory::Snow;
    case Material::Metal: return SurfaceCategory::Metal;
    case Material::Dirt: return SurfaceCategory::Dirt;
    case Material::Banner: return SurfaceCategory::Generic;
  }
  return SurfaceCategory::Generic;
}

namespace {

struct Rgb {
  double r, g, b;
};

Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb lighten(Rgb a, double d) { return {a.r + d, a.g + d, a.b + d}; }
Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

double clamp01(double t) { return std::clamp(t, 0.0, 1.0); }
double smoothstep(double edge0, double edge1, double t) {
  const double x = clamp01((t - edge0) / (edge1 - edge0));
  return x * x * (3.0 - 2.0 * x);
}
double fraction(double t) { return t - std::floor(t); }

// A smooth periodic wave in [0, 1] with period 1, shaped like a cosine but built from a
// polynomial so no libm routine can change a pixel.
double wave(double t) {
  const double tri = 1.0 - std::abs(2.0 * fraction(t) - 1.0);
  return tri * tri * (3.0 - 2.0 * tri);
}

// What a generator sees of one pixel: its centre in the unit square and its integer
// position (for per-pixel grain).
struct Pixel {
  double u, v;
  std::uint32_t x, y;
};

// Distinct streams of randomness for the parts of one material.
std::uint64_t stream(std::uint64_t seed, std::uint64_t part) { return mix64(seed ^ (part * 0x9E3779B97F4A7C15ull)); }

Rgb stone(std::uint64_t seed, const Pixel& p) {
  const CellSample cell = cellular(stream(seed, 1), p.u, p.v, 5, 0.8);
  const double tone = hash_unit(stream(seed, 2), cell.cell_x, cell.cell_y) - 0.5;
  const double warmth = hash_unit(stream(seed, 3), cell.cell_x, cell.cell_y) - 0.5;
  const double grain = fractal_noise(stream(seed, 4), p.u, p.v, 16, 4) - 0.5;
  const double edge = cell.second - cell.nearest;
  // Each flagstone has its own shade and a slight warm or cool cast; its rim is darker
  // where it dips towards the mortar.
  Rgb rock{0.37 + 0.015 * warmth, 0.37, 0.36 - 0.015 * warmth};
  rock = lighten(rock, 0.16 * tone + 0.20 * grain);
  rock = rock * (0.82 + 0.18 * smoothstep(0.0, 0.06, edge));
  const Rgb mortar = lighten(Rgb{0.55, 0.54, 0.52}, 0.06 * grain);
  return mix(mortar, rock, smoothstep(0.008, 0.016, edge));
}

Rgb stone_courses(std::uint64_t seed, const Pixel& p) {
  constexpr double kCourses = 8.0;
  constexpr double kBlocksPerCourse = 4.0;
  const double row = std::floor(p.v * kCourses);
  const double offset = std::fmod(row, 2.0) * 0.5;  // every other course shifts half a block
  const double along = p.u * kBlocksPerCourse + offset;
  const double column = std::fmod(std::floor(along), kBlocksPerCourse);
  const double fu = fraction(along);
  const double fv = fraction(p.v * kCourses);
  const auto row_index = static_cast<std::uint32_t>(row);
  const auto column_index = static_cast<std::uint32_t>(column);
  const double tone = hash_unit(stream(seed, 1), column_index, row_index) - 0.5;
  const double grain = fractal_noise(stream(seed, 2), p.u, p.v, 32, 3) - 0.5;
  const double chips = value_noise(stream(seed, 3), p.u, p.v, 64, 64);

  Rgb block = lighten(Rgb{0.36, 0.37, 0.40}, 0.09 * tone + 0.12 * grain);
  // Light falls from above: a bright upper arris and a shadowed lower one.
  block = lighten(block, 0.05 * (1.0 - smoothstep(0.0, 0.12, fv)) - 0.06 * smoothstep(0.85, 1.0, fv));
  if (chips > 0.86) block = lighten(block, -0.05);
  const double joint = std::min({fu * kCourses / kBlocksPerCourse, (1.0 - fu) * kCourses / kBlocksPerCourse, fv,
                                 1.0 - fv});  // distance to the nearest joint, in course heights
  const Rgb mortar = lighten(Rgb{0.22, 0.21, 0.20}, 0.04 * grain);
  return mix(mortar, block, smoothstep(0.03, 0.07, joint));
}

Rgb wood(std::uint64_t seed, const Pixel& p) {
  constexpr double kPlanks = 4.0;
  const double across = p.u * kPlanks;
  const auto plank = static_cast<std::uint32_t>(std::floor(across));
  const double pu = fraction(across);
  const double plank_shift = hash_unit(stream(seed, 1), plank, 0);
  const double plank_tone = hash_unit(stream(seed, 2), plank, 0) - 0.5;
  // The grain runs along the plank: noise stretched lengthwise bends the rings, and a
  // fine fibre noise adds streaks.
  const double warp =
      value_noise(stream(seed, 3), p.u, p.v, 8, 2) + 0.5 * value_noise(stream(seed, 4), p.u, p.v, 16, 4);
  const double rings = fraction(pu * 2.5 + plank_shift * 7.0 + warp * 1.6);
  const double late_wood = smoothstep(0.55, 0.95, rings);
  const double fibre = value_noise(stream(seed, 5), p.u, p.v, 128, 8) - 0.5;

  const Rgb early{0.47, 0.31, 0.18};
  const Rgb late{0.28, 0.16, 0.08};
  Rgb c = mix(early, late, late_wood);
  c = lighten(c, 0.05 * plank_tone + 0.05 * fibre);
  const double seam = std::min(pu, 1.0 - pu);
  return mix(Rgb{0.12, 0.07, 0.04}, c, smoothstep(0.01, 0.035, seam));
}

Rgb lava(std::uint64_t seed, const Pixel& p) {
  const CellSample cell = cellular(stream(seed, 1), p.u, p.v, 4, 0.85);
  const double edge = cell.second - cell.nearest;
  const double flicker = fractal_noise(stream(seed, 2), p.u, p.v, 8, 3);
  const double crust_noise = fractal_noise(stream(seed, 3), p.u, p.v, 16, 3) - 0.5;
  // The cracks glow brightest at their centre line and cool into the plates; the heat
  // waxes and wanes along a crack.
  const double heat = (1.0 - smoothstep(0.0, 0.11, edge)) * (0.55 + 0.45 * flicker);
  const Rgb crust = lighten(Rgb{0.36, 0.10, 0.06}, 0.08 * crust_noise);
  const Rgb red_hot{0.88, 0.22, 0.05};
  const Rgb yellow_hot{1.00, 0.62, 0.16};
  if (heat < 0.5) return mix(crust, red_hot, heat * 2.0);
  return mix(red_hot, yellow_hot, heat * 2.0 - 1.0);
}

Rgb water(std::uint64_t seed, const Pixel& p) {
  const double drift = fractal_noise(stream(seed, 1), p.u, p.v, 4, 3);
  // Two crossing wave trains with whole-number wave vectors, so the ripples tile.
  const double w1 = wave(p.u * 5.0 + p.v * 3.0 + drift * 0.9);
  const double w2 = wave(-p.u * 2.0 + p.v * 7.0 + drift * 0.6);
  const double ripple = 0.5 * (w1 + w2);
  const Rgb deep{0.07, 0.26, 0.50};
  const Rgb shallow{0.22, 0.48, 0.70};
  Rgb c = mix(deep, shallow, 0.65 * ripple + 0.35 * drift);
  if (ripple > 0.9) c = lighten(c, 0.5 * (ripple - 0.9));  // sun glints on the crests
  return c;
}

// One leaf of the foliage: a lens along a random direction around a cell's feature point.
struct LeafHit {
  bool hit = false;
  double across = 0.0;  // -1..1 from edge to edge through the midrib
  double along = 0.0;   // -1..1 from stem to tip
  double tone = 0.0;
};

LeafHit leaf_at(std::uint64_t seed, const Pixel& p, std::uint32_t period) {
  const LatticePosition x = lattice_position(p.u, period);
  const LatticePosition y = lattice_position(p.v, period);
  const double pd = static_cast<double>(period);
  LeafHit best;
  double best_rank = -1.0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const auto cx = static_cast<std::uint32_t>((static_cast<std::int64_t>(x.cell) + dx + period) % period);
      const auto cy = static_cast<std::uint32_t>((static_cast<std::int64_t>(y.cell) + dy + period) % period);
      const FeaturePoint fp = feature_point(seed, cx, cy, period, 0.7);
      const double ox = x.fraction - (fp.u * pd - static_cast<double>(cx) + static_cast<double>(dx));
      const double oy = y.fraction - (fp.v * pd - static_cast<double>(cy) + static_cast<double>(dy));
      // A random direction, normalised with a square root only.
      double ax = hash_unit(seed ^ 0xA5A5ull, cx, cy) - 0.5;
      double ay = hash_unit(seed ^ 0x5A5Aull, cx, cy) - 0.5;
      const double norm = std::sqrt(ax * ax + ay * ay);
      if (norm < 1e-6) continue;
      ax /= norm;
      ay /= norm;
      const double length = 0.75 + 0.35 * hash_unit(seed ^ 0x1234ull, cx, cy);
      const double width = 0.30 + 0.12 * hash_unit(seed ^ 0x4321ull, cx, cy);
      const double along = (ox * ax + oy * ay) / length;
      const double across = (oy * ax - ox * ay) / width;
      const double half_width = 1.0 - along * along;  // the lens narrows to both ends
      if (half_width <= 0.0 || std::abs(across) >= half_width) continue;
      // Overlaps resolve by a per-leaf rank, so the same leaf is on top everywhere.
      const double rank = hash_unit(seed ^ 0x7777ull, cx, cy);
      if (rank > best_rank) {
        best_rank = rank;
        best = {true, across / half_width, along, hash_unit(seed ^ 0x9999ull, cx, cy) - 0.5};
      }
    }
  }
  return best;
}

Rgb foliage(std::uint64_t seed, const Pixel& p) {
  const double shade = fractal_noise(stream(seed, 1), p.u, p.v, 4, 3) - 0.5;
  Rgb c = lighten(Rgb{0.07, 0.17, 0.05}, 0.04 * shade);  // shadow between the leaves
  // Two layers: small leaves in front of larger ones.
  const LeafHit layers[] = {leaf_at(stream(seed, 2), p, 6), leaf_at(stream(seed, 3), p, 9)};
  for (const LeafHit& leaf : layers) {
    if (!leaf.hit) continue;
    Rgb green{0.22 + 0.10 * leaf.tone, 0.46 + 0.14 * leaf.tone, 0.12 + 0.05 * leaf.tone};
    green = green * (0.75 + 0.25 * (1.0 - std::abs(leaf.across)));  // curls away at the rim
    if (std::abs(leaf.across) < 0.08) green = lighten(green, 0.06);  // the midrib
    c = lighten(green, 0.04 * shade + 0.03 * leaf.along);
  }
  return c;
}

Rgb sand(std::uint64_t seed, const Pixel& p) {
  const double drift = fractal_noise(stream(seed, 1), p.u, p.v, 4, 3);
  const double dune = wave(p.u * 6.0 + p.v * 2.0 + drift * 1.2) - 0.5;
  const double grain = hash_unit(stream(seed, 2), p.x, p.y) - 0.5;
  const double speck = hash_unit(stream(seed, 3), p.x, p.y);
  Rgb c = lighten(Rgb{0.80, 0.70, 0.50}, 0.05 * dune + 0.06 * grain + 0.04 * (drift - 0.5));
  if (speck > 0.96) c = c * 0.82;  // the odd dark grain
  return c;
}

Rgb snow(std::uint64_t seed, const Pixel& p) {
  const double drift = fractal_noise(stream(seed, 1), p.u, p.v, 4, 4);
  const double sparkle = hash_unit(stream(seed, 2), p.x, p.y);
  // Hollows in the drifts take a blue tint; very little brightness change overall.
  Rgb c = mix(Rgb{0.86, 0.89, 0.95}, Rgb{0.95, 0.96, 0.98}, drift);
  if (sparkle > 0.985) c = Rgb{1.0, 1.0, 1.0};
  return c;
}

Rgb metal(std::uint64_t seed, const Pixel& p) {
  constexpr double kPanels = 2.0;
  // Brushing: streaks that run across the panel, long in u and fine in v.
  const double brushed = value_noise(stream(seed, 1), p.u, p.v, 3, 256) - 0.5;
  const double smudge = fractal_noise(stream(seed, 2), p.u, p.v, 4, 3) - 0.5;
  Rgb c = lighten(Rgb{0.59, 0.60, 0.62}, 0.06 * brushed + 0.05 * smudge);
  const double fv = fraction(p.v * kPanels);
  const double seam = std::min(fv, 1.0 - fv);
  c = mix(Rgb{0.34, 0.35, 0.37}, c, smoothstep(0.006, 0.02, seam));
  // Rivets along each seam: small bright domes.
  const double ru = fraction(p.u * 8.0) - 0.5;
  const double rv = (fv < 0.5 ? fv - 0.045 : fv - 0.955) * 4.0;
  const double r2 = ru * ru + rv * rv;
  if (r2 < 0.012) c = lighten(c, 0.12 * (1.0 - r2 / 0.012));
  return c;
}

Rgb dirt(std::uint64_t seed, const Pixel& p) {
  const double mottle = fractal_noise(stream(seed, 1), p.u, p.v, 6, 4);
  const double grain = hash_unit(stream(seed, 2), p.x, p.y) - 0.5;
  Rgb c = mix(Rgb{0.38, 0.27, 0.17}, Rgb{0.64, 0.50, 0.35}, smoothstep(0.3, 0.7, mottle));
  c = lighten(c, 0.05 * grain);
  // Pebbles: a scattering of small grey-brown stones of varied size, domed by shading.
  const CellSample pebble = cellular(stream(seed, 3), p.u, p.v, 16, 0.8);
  const double present = hash_unit(stream(seed, 4), pebble.cell_x, pebble.cell_y);
  const double radius = 0.004 + 0.012 * hash_unit(stream(seed, 5), pebble.cell_x, pebble.cell_y);
  if (present < 0.35 && pebble.nearest < radius) {
    const double dome = 1.0 - pebble.nearest / radius;
    const Rgb stone_colour = lighten(Rgb{0.44, 0.39, 0.33}, 0.12 * (present / 0.35 - 0.5));
    c = mix(c, lighten(stone_colour, 0.08 * dome), smoothstep(0.0, 0.25, dome));
  }
  return c;
}

Rgb banner(std::uint64_t seed, const Pixel& p) {
  const double folds = wave(p.u * 3.0) - 0.5;
  const double weave = ((p.x + p.y) % 2 == 0) ? 0.02 : -0.02;
  const double wear = fractal_noise(stream(seed, 1), p.u, p.v, 8, 3) - 0.5;
  Rgb c{0.48, 0.10, 0.60};
  // A lavender diamond on the field and a deep purple hem.
  const double diamond = std::abs(p.u - 0.5) + std::abs(p.v - 0.45);
  if (diamond < 0.2) c = Rgb{0.66, 0.38, 0.80};
  if (p.u < 0.06 || p.u > 0.94 || p.v > 0.92) c = Rgb{0.30, 0.05, 0.38};
  return lighten(c * (1.0 + 0.16 * folds), weave + 0.04 * wear);
}

using Generator = Rgb (*)(std::uint64_t, const Pixel&);

Generator generator_for(Material material) {
  switch (material) {
    case Material::Stone: return stone;
    case Material::StoneCourses: return stone_courses;
    case Material::Wood: return wood;
    case Material::Lava: return lava;
    case Material::Water: return water;
    case Material::Foliage: return foliage;
    case Material::Sand: return sand;
    case Material::Snow: return snow;
    case Material::Metal: return metal;
    case Material::Dirt: return dirt;
    case Material::Banner: return banner;
  }
  return banner;
}

std::uint8_t to_byte(double channel) { return static_cast<std::uint8_t>(clamp01(channel) * 255.0 + 0.5); }

}  // namespace

std::expected<RgbaImage, std::string> make_material(Material material, std::uint32_t size, std::uint64_t seed) {
  if (size < kMinMaterialSize || size > kMaxMaterialSize || !std::has_single_bit(size)) {
    return std::unexpected(fmt::format("material texture size {} is not a power of two from {} to {}", size,
                                       kMinMaterialSize, kMaxMaterialSize));
  }
  const Generator generator = generator_for(material);
  // Each material draws from its own stream, so one seed gives unrelated layouts.
  const std::uint64_t material_seed = stream(seed, 0x100u + static_cast<std::uint64_t>(material));
  RgbaImage image{size, size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size * 4)};
  const double side = static_cast<double>(size);
  std::uint8_t* out = image.pixels.data();
  for (std::uint32_t y = 0; y < size; ++y) {
    for (std::uint32_t x = 0; x < size; ++x, out += 4) {
      // Sample at the pixel centre in the unit square.
      const Pixel p{(static_cast<double>(x) + 0.5) / side, (static_cast<double>(y) + 0.5) / side, x, y};
      const Rgb c = generator(material_seed, p);
      out[0] = to_byte(c.r);
      out[1] = to_byte(c.g);
      out[2] = to_byte(c.b);
      out[3] = 255;
    }
  }
  return image;
}

}  // namespace quillfen::sample
