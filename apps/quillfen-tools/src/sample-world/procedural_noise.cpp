// Hashing, value noise and cellular noise for the procedural textures. Lattices wrap at
// the unit square's edges so a texture repeats seamlessly across a wall or a terrain.
#include "sample-world/procedural_noise.hpp"

#include <algorithm>
#include <cmath>

namespace quillfen::sample {

std::uint64_t mix64(std::uint64_t x) {
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::uint64_t SplitMix64::next() {
  state_ += 0x9E3779B97F4A7C15ull;
  return mix64(state_);
}

namespace {

// The top 53 bits as a double in [0, 1): exact, so no rounding can reach 1.0.
double to_unit(std::uint64_t bits) { return static_cast<double>(bits >> 11) * 0x1.0p-53; }

}  // namespace

double SplitMix64::next_unit() { return to_unit(next()); }

double hash_unit(std::uint64_t seed, std::uint32_t x, std::uint32_t y) {
  const std::uint64_t coords = (static_cast<std::uint64_t>(x) << 32) | y;
  return to_unit(mix64(mix64(seed) ^ coords));
}

LatticePosition lattice_position(double t, std::uint32_t period) {
  const std::uint32_t p = std::max<std::uint32_t>(period, 1);
  const double scaled = t * static_cast<double>(p);
  // Only coordinates near the unit square ever reach here; anything that could not be
  // converted to an integer safely (huge or NaN) lands in cell 0.
  if (!(std::abs(scaled) < 0x1.0p52)) return {};
  const double whole = std::floor(scaled);
  const auto index = static_cast<std::int64_t>(whole);
  const std::int64_t wrapped = ((index % p) + p) % p;
  return {static_cast<std::uint32_t>(wrapped), scaled - whole};
}

namespace {

double smoothstep(double t) { return t * t * (3.0 - 2.0 * t); }

}  // namespace

double value_noise(std::uint64_t seed, double u, double v, std::uint32_t period_u, std::uint32_t period_v) {
  const std::uint32_t pu = std::max<std::uint32_t>(period_u, 1);
  const std::uint32_t pv = std::max<std::uint32_t>(period_v, 1);
  const LatticePosition x = lattice_position(u, pu);
  const LatticePosition y = lattice_position(v, pv);
  const std::uint32_t x1 = (x.cell + 1) % pu;
  const std::uint32_t y1 = (y.cell + 1) % pv;
  const double sx = smoothstep(x.fraction);
  const double sy = smoothstep(y.fraction);
  const double top_left = hash_unit(seed, x.cell, y.cell);
  const double bottom_left = hash_unit(seed, x.cell, y1);
  const double top = top_left + (hash_unit(seed, x1, y.cell) - top_left) * sx;
  const double bottom = bottom_left + (hash_unit(seed, x1, y1) - bottom_left) * sx;
  return top + (bottom - top) * sy;
}

double fractal_noise(std::uint64_t seed, double u, double v, std::uint32_t period, std::uint32_t octaves) {
  // Keep the finest lattice within 32 bits however many octaves are asked for.
  std::uint32_t p = std::max<std::uint32_t>(period, 1);
  double sum = 0.0;
  double weight = 1.0;
  double total = 0.0;
  const std::uint32_t count = std::max<std::uint32_t>(octaves, 1);
  for (std::uint32_t octave = 0; octave < count; ++octave) {
    sum += weight * value_noise(mix64(seed + octave), u, v, p, p);
    total += weight;
    weight *= 0.5;
    if (p > (1u << 30)) break;
    p *= 2;
  }
  return sum / total;
}

FeaturePoint feature_point(std::uint64_t seed, std::uint32_t cell_x, std::uint32_t cell_y, std::uint32_t period,
                           double jitter) {
  const double p = static_cast<double>(std::max<std::uint32_t>(period, 1));
  const double du = (hash_unit(seed, cell_x, cell_y) - 0.5) * jitter;
  const double dv = (hash_unit(seed ^ 0x5DEECE66Dull, cell_x, cell_y) - 0.5) * jitter;
  return {(static_cast<double>(cell_x) + 0.5 + du) / p, (static_cast<double>(cell_y) + 0.5 + dv) / p};
}

CellSample cellular(std::uint64_t seed, double u, double v, std::uint32_t period, double jitter) {
  const std::uint32_t p = std::max<std::uint32_t>(period, 1);
  const double pd = static_cast<double>(p);
  const LatticePosition x = lattice_position(u, p);
  const LatticePosition y = lattice_position(v, p);
  // Work in cell units around the sample's own cell, so neighbours across the wrapped
  // edge sit at their unwrapped offsets.
  double best = 1e300;
  double second = 1e300;
  CellSample out;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const auto cx = static_cast<std::uint32_t>((static_cast<std::int64_t>(x.cell) + dx + p) % p);
      const auto cy = static_cast<std::uint32_t>((static_cast<std::int64_t>(y.cell) + dy + p) % p);
      const FeaturePoint fp = feature_point(seed, cx, cy, p, jitter);
      const double ox = fp.u * pd - static_cast<double>(cx) + static_cast<double>(dx) - x.fraction;
      const double oy = fp.v * pd - static_cast<double>(cy) + static_cast<double>(dy) - y.fraction;
      const double d2 = ox * ox + oy * oy;
      if (d2 < best) {
        second = best;
        best = d2;
        out.cell_x = cx;
        out.cell_y = cy;
      } else if (d2 < second) {
        second = d2;
      }
    }
  }
  out.nearest = std::sqrt(best) / pd;
  out.second = std::sqrt(second) / pd;
  return out;
}

}  // namespace quillfen::sample
