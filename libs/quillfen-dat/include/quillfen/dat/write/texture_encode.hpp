// Encoders from an RGBA image to the stored bytes of every texture format the decoders
// read, and the Texture and Palette records that carry them into a DAT file: the inverse
// of file_type::to_rgba8.
//
// Lossless where the format allows: R8G8B8 and CustomRgb keep red, green and blue (the
// decoder makes alpha 255), A8R8G8B8 keeps everything, A8 and CustomLuminance keep a grey
// image (a coloured one becomes its rounded luma), P8 and Index16 keep an image of at most
// 256 or 65536 colours. DXT1 is opaque; DXT3 and DXT5 carry alpha.
#pragma once

#include "quillfen/common/config.hpp"

#include <cstdint>
#include <expected>
#include <string>
#include <vector>

#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/image.hpp"

namespace quillfen::dat::write {

struct EncodedTexture {
  file_type::TextureFormat format = file_type::TextureFormat::Unknown;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> data;       // the Texture's source_data
  std::vector<std::uint32_t> palette;   // 0xAARRGGBB; only for P8 and Index16

  bool operator==(const EncodedTexture&) const = default;
};

enum class EncodeErrorKind : std::uint8_t {
  UnsupportedFormat,  // Unknown, R5G6B5 and A4R4G4B4 have no decoder, so no encoder
  MalformedImage,     // the pixel bytes are not exactly width x height x 4
  TooLarge,           // beyond the largest texture the decoders accept
};

struct EncodeError {
  EncodeErrorKind kind;
  std::string message;
};

// The largest palette each paletted format can index.
inline constexpr std::size_t kP8PaletteSize = 256;
inline constexpr std::size_t kIndex16PaletteSize = 65536;

std::expected<EncodedTexture, EncodeError> encode_texture(const RgbaImage& image, file_type::TextureFormat format);

// The Texture record of an encoded image; `palette_id` is stored only for the paletted
// formats, which must then also get `palette_record` under that id.
file_type::Texture texture_record(const EncodedTexture& encoded, std::uint32_t texture_id,
                                       std::uint32_t palette_id);
file_type::Palette palette_record(const EncodedTexture& encoded, std::uint32_t palette_id);

}  // namespace quillfen::dat::write
