// Palette: the colours of the paletted texture formats, each packed as 0xAARRGGBB.
//
// The count of `colors` is a signed 32-bit word. A negative count cannot describe a list,
// so the decoder rejects it with the custom error "colors count {} is negative, expected 0
// or more" at byte 8 (just after the count) under the frame of `colors`.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::file_type {

struct Palette {
  std::uint32_t id = 0;  // as stored
  std::vector<std::uint32_t> colors;  // entry i is the colour of palette index i; any length

  static ReadResult<Palette> unpack(std::span<const std::uint8_t> bytes);
  // Fails for more colours than the signed count can hold.
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const Palette&) const = default;
};

}  // namespace quillfen::dat::file_type
