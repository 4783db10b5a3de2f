// Helpers for the surface and texture record tests: the frame texts of a read error, the
// packed bytes of a record (support/packed.hpp), and a fixed-seed random source for round-trip records.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "quillfen/dat/reader.hpp"
#include "support/packed.hpp"

namespace quillfen::testing {

inline std::vector<std::string> frame_texts(const common::ReadError& error) {
  std::vector<std::string> texts;
  for (const auto& frame : error.frames()) texts.push_back(frame.text);
  return texts;
}

// Deterministic, so a failing round trip can be replayed.
class RecordRandom {
 public:
  explicit RecordRandom(std::uint32_t seed) : engine_(seed) {}

  std::uint32_t u32() { return static_cast<std::uint32_t>(engine_()); }
  std::uint32_t below(std::uint32_t bound) {
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(engine_);
  }
  std::uint8_t u8() { return static_cast<std::uint8_t>(below(256)); }
  // Finite floats only, so that == can compare the round trip.
  float f32() { return std::uniform_real_distribution<float>(-1000.0f, 1000.0f)(engine_); }
  std::vector<std::uint32_t> u32s(std::uint32_t max_count) {
    std::vector<std::uint32_t> values(below(max_count + 1));
    for (auto& v : values) v = u32();
    return values;
  }
  std::vector<std::uint8_t> bytes(std::uint32_t max_count) {
    std::vector<std::uint8_t> values(below(max_count + 1));
    for (auto& v : values) v = u8();
    return values;
  }

 private:
  std::mt19937 engine_;
};

}  // namespace quillfen::testing
