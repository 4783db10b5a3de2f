// SurfaceTexture: the list of Texture records that hold the images of one texture; the
// level between a textured Surface and its pixels.
//
// The count of `textures` is a signed 32-bit word. A negative count cannot describe a
// list, so the decoder rejects it with the custom error "textures count {} is negative,
// expected 0 or more" at byte 13 (just after the count) under the frame of `textures`.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::file_type {

struct SurfaceTexture {
  std::uint32_t id = 0;  // as stored; never compared with the requested id
  std::uint32_t unknown_int = 0;
  std::uint8_t unknown_byte = 0;
  std::vector<std::uint32_t> textures;  // Texture file ids in file order; may be empty

  // 13 + 4 x count bytes; the count sits unaligned at offset 9. Trailing bytes are ignored.
  static ReadResult<SurfaceTexture> unpack(std::span<const std::uint8_t> bytes);
  // Fails for more textures than the signed count can hold.
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const SurfaceTexture&) const = default;
};

}  // namespace quillfen::dat::file_type
