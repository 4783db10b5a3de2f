// Texture: one image as stored (size, pixel-format code, raw bytes, palette id for the
// paletted formats), the format codes, and `to_rgba8`, which turns a Texture into RGBA.
//
// Dimensions come from the file, are signed and may be hostile. `to_rgba8` first rejects
// a size whose sign-extended product does not fit in 64 bits, then any negative side and
// any image beyond the limits below, all as DimensionOverflow and before any allocation,
// whatever the format.
#pragma once

#include "quillfen/common/config.hpp"

#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::file_type {

// The largest image we convert. Real textures are at most 4096 on a side; these bounds
// admit all of them with room to spare while capping one RGBA result at 64 MiB, so a
// forged header cannot make us allocate gigabytes.
inline constexpr std::uint32_t kMaxTextureSide = 8192;
inline constexpr std::uint64_t kMaxTexturePixels = 4096ull * 4096ull;

// Whether a width x height image (each already known to be non-negative) is within the
// limits; checks the sides first so the product cannot overflow.
constexpr bool texture_size_within_limits(std::uint64_t width, std::uint64_t height) {
  return width <= kMaxTextureSide && height <= kMaxTextureSide && width * height <= kMaxTexturePixels;
}

// The pixel-format codes we know; any other code is an unknown format.
enum class TextureFormat : std::uint32_t {
  Unknown = 0,
  R8G8B8 = 20,
  A8R8G8B8 = 21,
  R5G6B5 = 23,
  A4R4G4B4 = 26,
  A8 = 28,
  P8 = 41,
  Index16 = 101,
  CustomRgb = 243,
  CustomLuminance = 244,
  Dxt1 = 0x31545844,  // "DXT1" read as a little-endian u32
  Dxt3 = 0x33545844,  // "DXT3"
  Dxt5 = 0x35545844,  // "DXT5"
};

std::optional<TextureFormat> texture_format_from_raw(std::uint32_t raw);
std::string_view format_name(TextureFormat format);

// The paletted formats carry a palette id after their pixel data.
constexpr bool is_paletted(std::uint32_t format_raw) {
  return format_raw == static_cast<std::uint32_t>(TextureFormat::P8) ||
         format_raw == static_cast<std::uint32_t>(TextureFormat::Index16);
}

struct Texture {
  std::uint32_t id = 0;  // as stored; never compared with the requested id
  std::uint32_t _unknown = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t format_raw = 0;  // any value is accepted; see TextureFormat
  // Exactly `length` bytes as stored; the length is written back as its size, so at most
  // 2^31 - 1 bytes can be written.
  std::vector<std::uint8_t> source_data;
  std::optional<std::uint32_t> default_palette_id;  // exactly when format_raw is 41 or 101


  // A negative length fails with "count {} out of range of usize" at byte 24 and no frame;
  // short pixel data with "not enough bytes in reader" under 'source_data'.
  static ReadResult<Texture> unpack(std::span<const std::uint8_t> bytes);
  // Writes a palette id (0 where absent) exactly when the format is paletted.
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const Texture&) const = default;
};

namespace texture_error {
struct UnsupportedFormat {
  std::optional<TextureFormat> format;  // absent for a code we do not know
  std::uint32_t raw = 0;
  bool operator==(const UnsupportedFormat&) const = default;
};
struct InsufficientData {
  std::uint64_t needed = 0;
  std::uint64_t available = 0;
  bool operator==(const InsufficientData&) const = default;
};
// The size overflows 64 bits, a side is negative, or the image exceeds the limits above.
struct DimensionOverflow {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const DimensionOverflow&) const = default;
};
struct MissingPalette {
  bool operator==(const MissingPalette&) const = default;
};
struct PaletteIndexOutOfRange {
  std::uint64_t pixel = 0;
  std::uint32_t index = 0;
  std::uint64_t palette_size = 0;
  bool operator==(const PaletteIndexOutOfRange&) const = default;
};
struct PaletteLookup {
  std::string message;  // the lookup's own text, unchanged
  bool operator==(const PaletteLookup&) const = default;
};
}  // namespace texture_error

// Why a Texture could not be converted.
using TextureError = std::variant<texture_error::UnsupportedFormat, texture_error::InsufficientData,
                                  texture_error::DimensionOverflow, texture_error::MissingPalette,
                                  texture_error::PaletteIndexOutOfRange, texture_error::PaletteLookup>;

// One line for logs: what failed and the values involved.
std::string describe(const TextureError& error);

// Maps a palette file id to the palette, or to a text saying why it could not be had.
using PaletteLookup = std::function<std::expected<Palette, std::string>(std::uint32_t)>;

// Converts a Texture to an RGBA image of exactly width x height x 4 bytes. The lookup is
// called at most once, only for a paletted format that names its palette.
std::expected<std::vector<std::uint8_t>, TextureError> to_rgba8(const Texture& texture,
                                                                const PaletteLookup& palette_lookup);

}  // namespace quillfen::dat::file_type
