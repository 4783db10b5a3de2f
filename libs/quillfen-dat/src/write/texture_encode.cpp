// Texture encoding: the image is checked once here, then each format writes its bytes in
// the order its decoder reads them.
#include "quillfen/dat/write/texture_encode.hpp"

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "quillfen/dat/write/dxt_encode.hpp"
#include "quillfen/dat/write/palette_quantize.hpp"

namespace quillfen::dat::write {

using file_type::TextureFormat;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A grey level for the one-byte formats: the rounded luma, so a grey image stays exact.
std::uint8_t luma(const std::uint8_t* p) {
  return static_cast<std::uint8_t>((299u * p[0] + 587u * p[1] + 114u * p[2] + 500u) / 1000u);
}

// Writes the given bytes of every pixel in the order `order` names them (0 = red,
// 1 = green, 2 = blue, 3 = alpha).
template <std::size_t kCount>
Bytes reorder(const RgbaImage& image, const std::array<std::size_t, kCount>& order) {
  const std::size_t n = image.pixels.size() / 4;
  Bytes out(n * kCount);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < kCount; ++k) out[i * kCount + k] = image.pixels[i * 4 + order[k]];
  }
  return out;
}

Bytes grey(const RgbaImage& image) {
  const std::size_t n = image.pixels.size() / 4;
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = luma(&image.pixels[i * 4]);
  return out;
}

// Walks the 4x4 blocks in the decoder's order. Blocks over the right or bottom edge
// repeat the last column or row: those texels are never shown, and copies of real ones
// keep them from pulling the endpoints away from the visible colours.
template <class EncodeBlock>
Bytes encode_blocks(const RgbaImage& image, std::size_t block_bytes, EncodeBlock encode_block) {
  const std::size_t w = image.width;
  const std::size_t h = image.height;
  if (w == 0 || h == 0) return {};
  const std::size_t blocks_wide = (w + 3) / 4;
  const std::size_t blocks_high = (h + 3) / 4;
  Bytes out;
  out.reserve(blocks_wide * blocks_high * block_bytes);
  BlockTexels texels;
  for (std::size_t by = 0; by < blocks_high; ++by) {
    for (std::size_t bx = 0; bx < blocks_wide; ++bx) {
      for (std::size_t t = 0; t < 16; ++t) {
        const std::size_t x = std::min(bx * 4 + t % 4, w - 1);
        const std::size_t y = std::min(by * 4 + t / 4, h - 1);
        const std::uint8_t* p = &image.pixels[(y * w + x) * 4];
        texels[t] = {p[0], p[1], p[2], p[3]};
      }
      encode_block(texels, out);
    }
  }
  return out;
}

void append(Bytes& out, const EncodedBlock& block) { out.insert(out.end(), block.begin(), block.end()); }

Bytes encode_dxt(const RgbaImage& image, TextureFormat format) {
  switch (format) {
    case TextureFormat::Dxt1:
      return encode_blocks(image, 8, [](const BlockTexels& t, Bytes& out) { append(out, encode_colour_block(t)); });
    case TextureFormat::Dxt3:
      return encode_blocks(image, 16, [](const BlockTexels& t, Bytes& out) {
        append(out, encode_dxt3_alpha(t));
        append(out, encode_colour_block(t));
      });
    default:
      return encode_blocks(image, 16, [](const BlockTexels& t, Bytes& out) {
        append(out, encode_dxt5_alpha(t));
        append(out, encode_colour_block(t));
      });
  }
}

void encode_paletted(const RgbaImage& image, bool wide, EncodedTexture& out) {
  const std::size_t n = image.pixels.size() / 4;
  std::vector<std::uint32_t> colours(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* p = &image.pixels[i * 4];
    colours[i] = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  }
  QuantizedColours q = quantize_colours(colours, wide ? kIndex16PaletteSize : kP8PaletteSize);
  out.palette = std::move(q.palette);
  out.data.resize(n * (wide ? 2 : 1));
  for (std::size_t i = 0; i < n; ++i) {
    if (wide) {
      out.data[2 * i] = static_cast<std::uint8_t>(q.indices[i]);
      out.data[2 * i + 1] = static_cast<std::uint8_t>(q.indices[i] >> 8);
    } else {
      out.data[i] = static_cast<std::uint8_t>(q.indices[i]);
    }
  }
}

}  // namespace

std::expected<EncodedTexture, EncodeError> encode_texture(const RgbaImage& image, TextureFormat format) {
  if (!file_type::texture_size_within_limits(image.width, image.height)) {
    return std::unexpected(EncodeError{
        EncodeErrorKind::TooLarge, fmt::format("image {}x{} exceeds the largest texture of {}x{} and {} pixels",
                                               image.width, image.height, file_type::kMaxTextureSide,
                                               file_type::kMaxTextureSide, file_type::kMaxTexturePixels)});
  }
  // Within the limits the product cannot overflow.
  const std::uint64_t expected_bytes = std::uint64_t{image.width} * image.height * 4;
  if (image.pixels.size() != expected_bytes) {
    return std::unexpected(EncodeError{EncodeErrorKind::MalformedImage,
                                       fmt::format("image {}x{} has {} pixel bytes, expected {}", image.width,
                                                   image.height, image.pixels.size(), expected_bytes)});
  }

  const auto unsupported = [format] {
    const auto raw = static_cast<std::uint32_t>(format);
    const auto known = file_type::texture_format_from_raw(raw);
    return std::unexpected(EncodeError{EncodeErrorKind::UnsupportedFormat,
                                       fmt::format("no encoder for texture format {} ({})",
                                                   known ? file_type::format_name(*known) : "unknown", raw)});
  };
  // A value outside the enumeration reaches no case below.
  if (!file_type::texture_format_from_raw(static_cast<std::uint32_t>(format))) return unsupported();

  EncodedTexture out{format, image.width, image.height, {}, {}};
  switch (format) {
    case TextureFormat::R8G8B8: out.data = reorder<3>(image, {2, 1, 0}); break;       // stored B, G, R
    case TextureFormat::A8R8G8B8: out.data = reorder<4>(image, {2, 1, 0, 3}); break;  // stored B, G, R, A
    case TextureFormat::CustomRgb: out.data = reorder<3>(image, {0, 1, 2}); break;    // stored R, G, B
    case TextureFormat::A8:
    case TextureFormat::CustomLuminance: out.data = grey(image); break;
    case TextureFormat::P8: encode_paletted(image, false, out); break;
    case TextureFormat::Index16: encode_paletted(image, true, out); break;
    case TextureFormat::Dxt1:
    case TextureFormat::Dxt3:
    case TextureFormat::Dxt5: out.data = encode_dxt(image, format); break;
    case TextureFormat::Unknown:
    case TextureFormat::R5G6B5:
    case TextureFormat::A4R4G4B4: return unsupported();
  }
  return out;
}

file_type::Texture texture_record(const EncodedTexture& encoded, std::uint32_t texture_id,
                                       std::uint32_t palette_id) {
  file_type::Texture texture;
  texture.id = texture_id;
  texture.width = static_cast<std::int32_t>(encoded.width);
  texture.height = static_cast<std::int32_t>(encoded.height);
  texture.format_raw = static_cast<std::uint32_t>(encoded.format);
  texture.source_data = encoded.data;
  if (file_type::is_paletted(texture.format_raw)) texture.default_palette_id = palette_id;
  return texture;
}

file_type::Palette palette_record(const EncodedTexture& encoded, std::uint32_t palette_id) {
  return file_type::Palette{palette_id, encoded.palette};
}

}  // namespace quillfen::dat::write
