// DXT1, DXT3 and DXT5 block decompression into RGBA images, with the exact integer
// arithmetic the image statistics depend on.
//
// None of them fails on bad data: short data stops decoding and leaves the rest of the
// image transparent black. They return nullopt only for an image beyond the texture
// limits (texture.hpp), so a forged size cannot make them allocate without bound.
#pragma once

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

inline constexpr std::size_t kDxt1BlockBytes = 8;
inline constexpr std::size_t kDxt35BlockBytes = 16;

std::optional<std::vector<std::uint8_t>> decompress_dxt1(std::span<const std::uint8_t> data,
                                                         std::uint32_t width, std::uint32_t height);
std::optional<std::vector<std::uint8_t>> decompress_dxt3(std::span<const std::uint8_t> data,
                                                         std::uint32_t width, std::uint32_t height);
std::optional<std::vector<std::uint8_t>> decompress_dxt5(std::span<const std::uint8_t> data,
                                                         std::uint32_t width, std::uint32_t height);

}  // namespace quillfen::dat::file_type
