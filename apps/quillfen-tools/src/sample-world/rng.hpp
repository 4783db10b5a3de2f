// The world's random choices: a splitmix64 stream with the few shapes of number the
// generator needs. Every stream is derived from the world seed and a fixed tag, so one part
// of the world can change without shifting the random numbers of another, and the same
// seed always gives the same bytes.
#pragma once

#include <cstdint>

#include "sample-world/procedural_noise.hpp"

namespace quillfen::sample {

// A seed for the stream named `tag` (any fixed constant) of the world seed `seed`.
constexpr std::uint64_t derive_seed(std::uint64_t seed, std::uint64_t tag) {
  // The splitmix64 finaliser, inline so the derivation is usable in constant expressions.
  std::uint64_t z = seed ^ (tag * 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : gen_(seed) {}

  std::uint64_t next() { return gen_.next(); }
  // Uniform in [0, n); 0 for n == 0. The modulo bias is far below anything visible here.
  std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(gen_.next() % n); }
  // Uniform in [lo, hi] (inclusive).
  std::uint32_t between(std::uint32_t lo, std::uint32_t hi) { return lo + below(hi - lo + 1); }
  // Uniform in [lo, hi), as a float.
  float uniform(float lo, float hi) {
    return static_cast<float>(static_cast<double>(lo) + gen_.next_unit() * (static_cast<double>(hi) - lo));
  }
  // True with probability `p`.
  bool chance(double p) { return gen_.next_unit() < p; }

 private:
  SplitMix64 gen_;
};

}  // namespace quillfen::sample
