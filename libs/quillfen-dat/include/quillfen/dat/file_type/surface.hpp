// Surface: how a polygon face is painted, either a solid colour or a texture reached
// through a SurfaceTexture, plus three lighting scalars that are only stored.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "quillfen/dat/ids.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::file_type {

// The file ids a textured Surface points at.
struct TextureRefs {
  std::uint32_t orig_texture_id = 0;  // the SurfaceTexture
  std::uint32_t orig_palette_id = 0;  // stored only; paletted textures name their own palette

  static ReadResult<TextureRefs> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const TextureRefs&) const = default;
};

struct Surface {
  // Bits 0x02 and 0x04 select texture refs over a colour; the whole word goes to the classifier.
  static constexpr std::uint32_t kTexturedMask = surface_flags::kTexturedMask;

  std::uint32_t surface_type = 0;
  std::optional<TextureRefs> texture_refs;  // exactly when surface_type & kTexturedMask
  std::optional<std::uint32_t> color_value;  // 0xAARRGGBB, exactly when not textured
  float translucency = 0.0f;
  float luminosity = 0.0f;
  float diffuse = 0.0f;

  bool is_textured() const { return (surface_type & kTexturedMask) != 0; }

  // A textured record is 24 bytes, a solid-colour one 20; trailing bytes are ignored.
  static ReadResult<Surface> unpack(std::span<const std::uint8_t> bytes);
  // Lays the record out as `surface_type` dictates; the branch it selects is written from
  // `texture_refs` or `color_value` (zeros where that one is absent).
  void pack(ByteWriter& writer) const;
  bool operator==(const Surface&) const = default;
};

}  // namespace quillfen::dat::file_type
