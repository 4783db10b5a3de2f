// Pixels as 32-bit words: the decoders build each RGBA pixel as one word and store it
// with a single 4-byte copy.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace quillfen::dat::file_type::detail {

// The word whose bytes in memory are r, g, b, a, in that order, on any byte order.
constexpr std::uint32_t rgba_word(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
  if constexpr (std::endian::native == std::endian::little) {
    return r | (g << 8) | (b << 16) | (a << 24);
  } else {
    return (r << 24) | (g << 16) | (b << 8) | a;
  }
}

// The native word whose bytes in memory are those of the little-endian value `v`: the
// value r | g << 8 | b << 16 | a << 24 becomes the pixel r, g, b, a.
constexpr std::uint32_t from_le_value(std::uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    return v;
  } else {
    return std::byteswap(v);
  }
}

// A colour packed as 0xAARRGGBB (palette entries, A8R8G8B8 pixels) as an RGBA word.
constexpr std::uint32_t argb_to_rgba_word(std::uint32_t c) {
  return rgba_word((c >> 16) & 0xFFu, (c >> 8) & 0xFFu, c & 0xFFu, c >> 24);
}

template <class T>
T load_le(const std::uint8_t* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  if constexpr (std::endian::native == std::endian::big) value = std::byteswap(value);
  return value;
}

}  // namespace quillfen::dat::file_type::detail
