// Deterministic noise for the procedural material textures: a splitmix64 generator, a
// coordinate hash, and value and cellular noise that wrap at the edges of the unit square
// so every texture tiles. Only integer hashing and + - * / sqrt are used (no libm
// transcendental, no standard distribution), so every platform draws the same pixels.
#pragma once

#include <cstdint>

namespace quillfen::sample {

// The splitmix64 finaliser: a strong 64-bit mix, used both by the generator and to hash
// lattice coordinates.
std::uint64_t mix64(std::uint64_t x);

// splitmix64: tiny and identical everywhere, unlike the standard distributions whose
// output differs between library versions.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  double next_unit();  // [0, 1) with 53 random bits

 private:
  std::uint64_t state_;
};

// A number in [0, 1) that depends only on the seed and the two coordinates.
double hash_unit(std::uint64_t seed, std::uint32_t x, std::uint32_t y);

// Smooth value noise on a lattice of period_u x period_v cells spanning the unit square
// and wrapping at its edges (a period of 0 counts as 1). Result in [0, 1).
double value_noise(std::uint64_t seed, double u, double v, std::uint32_t period_u, std::uint32_t period_v);

// Value noise summed over `octaves` (at least one), each with twice the lattice periods
// and half the weight of the one before; normalised to [0, 1).
double fractal_noise(std::uint64_t seed, double u, double v, std::uint32_t period, std::uint32_t octaves);

// A feature point of cellular noise: one per cell of a period x period grid, placed at a
// random offset of up to `jitter` (0..1) cell widths around the cell centre.
struct FeaturePoint {
  double u = 0.0;
  double v = 0.0;
};
FeaturePoint feature_point(std::uint64_t seed, std::uint32_t cell_x, std::uint32_t cell_y, std::uint32_t period,
                           double jitter);

// Cellular noise at (u, v): the distances to the nearest and the second-nearest feature
// point (in unit-square lengths, across the wrapped edges) and the cell of the nearest.
// `second - nearest` is near 0 on the border between two cells.
struct CellSample {
  double nearest = 0.0;
  double second = 0.0;
  std::uint32_t cell_x = 0;
  std::uint32_t cell_y = 0;
};
CellSample cellular(std::uint64_t seed, double u, double v, std::uint32_t period, double jitter);

// The wrapped lattice cell of coordinate `t` (unit-square units) on a `period` grid, and
// the position inside it in [0, 1).
struct LatticePosition {
  std::uint32_t cell = 0;
  double fraction = 0.0;
};
LatticePosition lattice_position(double t, std::uint32_t period);

}  // namespace quillfen::sample
