// DXT1, DXT3 and DXT5 block decompression into RGBA images, with the exact integer
// arithmetic the image statistics depend on.
//
// None of them fails on bad data: short data stops decoding and leaves the rest of the
// image transparent black. They return nullopt only for an image beyond the texture
// limits (texture.hpp), so a forged size cannot make them allocate without bound.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quillfen::dat::file_type {

// A 5-bit channel to 8 bits: close to, but not exactly, rounding v * 255 / 31.
constexpr std::uint32_t expand5(std::uint32_t v) {
  const std::uint32_t t = v * 255u + 16u;
  return (t + (t >> 5)) >> 5;
}

// A 6-bit channel to 8 bits: close to, but not exactly, rounding v * 255 / 63.
constexpr std::uint32_t expand6(std::uint32_t v) {
  const std::uint32_t t = v * 255u + 32u;
  return (t + (t >> 6)) >> 6;
}

// The eight alpha levels a DXT5 block's two endpoint alphas stand for: six steps between
// them when a0 > a1, otherwise four steps plus fully transparent and fully opaque.
constexpr std::array<std::uint32_t, 8> dxt5_alpha_levels(std::uint32_t a0, std::uint32_t a1) {
  std::array<std::uint32_t, 8> levels{a0, a1};
  if (a0 > a1) {
    for (std::uint32_t k = 2; k < 8; ++k) levels[k] = ((8 - k) * a0 + (k - 1) * a1) / 7;
  } else {
    for (std::uint32_t k = 2; k < 6; ++k) levels[k] = ((6 - k) * a0 + (k - 1) * a1) / 5;
    levels[6] = 0;
    levels[7] = 255;
  }
  return levels;
}

inline constexpr std::size_t kDxt1BlockBytes = 8;
inline constexpr std::size_t kDxt35BlockBytes = 16;

std::optional<std::vector<std::uint8_t>> decompress_dxt1(std::span<const std::uint8_t> data,
                                                         std::uint32_t width, std::uint32_t height);
std::optional<std::vector<std::uint8_t>> decompress_dxt3(std::span<const std::uint8_t> data,
                                                         std::uint32_t width, std::uint32_t height);
std::optional<std::vector<std::uint8_t>> decompress_dxt5(std::span<const std::uint8_t> data,
                                                         std::uint32_t width, std::uint32_t height);

}  // namespace quillfen::dat::file_type
