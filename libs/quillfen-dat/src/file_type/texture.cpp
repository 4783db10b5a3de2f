// Reading and writing of Texture records, and their conversion to RGBA.
#include "quillfen/dat/file_type/texture.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include <fmt/format.h>

#include "quillfen/dat/file_type/dxt.hpp"
#include "pack_count.hpp"
#include "pixel_word.hpp"

namespace quillfen::dat::file_type {

std::optional<TextureFormat> texture_format_from_raw(std::uint32_t raw) {
  switch (static_cast<TextureFormat>(raw)) {
    case TextureFormat::Unknown:
    case TextureFormat::R8G8B8:
    case TextureFormat::A8R8G8B8:
    case TextureFormat::R5G6B5:
    case TextureFormat::A4R4G4B4:
    case TextureFormat::A8:
    case TextureFormat::P8:
    case TextureFormat::Index16:
    case TextureFormat::CustomRgb:
    case TextureFormat::CustomLuminance:
    case TextureFormat::Dxt1:
    case TextureFormat::Dxt3:
    case TextureFormat::Dxt5:
      return static_cast<TextureFormat>(raw);
  }
  return std::nullopt;
}

std::string_view format_name(TextureFormat format) {
  switch (format) {
    case TextureFormat::Unknown: return "Unknown";
    case TextureFormat::R8G8B8: return "R8G8B8";
    case TextureFormat::A8R8G8B8: return "A8R8G8B8";
    case TextureFormat::R5G6B5: return "R5G6B5";
    case TextureFormat::A4R4G4B4: return "A4R4G4B4";
    case TextureFormat::A8: return "A8";
    case TextureFormat::P8: return "P8";
    case TextureFormat::Index16: return "Index16";
    case TextureFormat::CustomRgb: return "CustomRgb";
    case TextureFormat::CustomLuminance: return "CustomLuminance";
    case TextureFormat::Dxt1: return "Dxt1";
    case TextureFormat::Dxt3: return "Dxt3";
    case TextureFormat::Dxt5: return "Dxt5";
  }
  return "?";
}

ReadResult<Texture> Texture::unpack(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  Texture texture;
  QF_FIELD(texture.id, reader.read_u32_le(), "id", "Texture");
  QF_FIELD(texture._unknown, reader.read_u32_le(), "_unknown", "Texture");
  QF_FIELD(texture.width, reader.read_i32_le(), "width", "Texture");
  QF_FIELD(texture.height, reader.read_i32_le(), "height", "Texture");
  QF_FIELD(texture.format_raw, reader.read_u32_le(), "format_raw", "Texture");
  QF_FIELD(const std::int32_t length, reader.read_i32_le(), "length", "Texture");
  // The length is the size of a byte list; a negative one is rejected as the list's
  // count, without a field frame.
  if (length < 0) {
    return std::unexpected(ReadError::custom(fmt::format("count {} out of range of usize", length), reader.position()));
  }
  QF_FIELD(const auto data, reader.read_bytes(static_cast<std::size_t>(length), common::kNotEnoughBytes),
           "source_data", "Texture");
  texture.source_data.assign(data.begin(), data.end());
  if (is_paletted(texture.format_raw)) {
    QF_FIELD(texture.default_palette_id, reader.read_u32_le(), "default_palette_id", "Texture");
  }
  return texture;
}

PackResult Texture::pack(ByteWriter& writer) const {
  writer.write_u32_le(id);
  writer.write_u32_le(_unknown);
  writer.write_i32_le(width);
  writer.write_i32_le(height);
  writer.write_u32_le(format_raw);
  QF_TRY_VOID(packing::write_count<std::int32_t>(writer, source_data.size(), "Texture", "source_data"));
  writer.write_bytes(source_data);
  if (is_paletted(format_raw)) writer.write_u32_le(default_palette_id.value_or(0));
  return {};
}

std::string describe(const TextureError& error) {
  struct Describe {
    std::string operator()(const texture_error::UnsupportedFormat& e) const {
      if (e.format) return fmt::format("unsupported texture format {} (code {})", format_name(*e.format), e.raw);
      return fmt::format("unknown texture format code {} (0x{:08X})", e.raw, e.raw);
    }
    std::string operator()(const texture_error::InsufficientData& e) const {
      return fmt::format("texture data holds {} bytes, its size and format need {}", e.available, e.needed);
    }
    std::string operator()(const texture_error::DimensionOverflow& e) const {
      return fmt::format("texture size {} x {} is negative or beyond {} per side or {} pixels", e.width, e.height,
                         kMaxTextureSide, kMaxTexturePixels);
    }
    std::string operator()(const texture_error::MissingPalette&) const {
      return "paletted texture names no palette";
    }
    std::string operator()(const texture_error::PaletteIndexOutOfRange& e) const {
      return fmt::format("pixel {} has palette index {}, the palette holds {} colours", e.pixel, e.index,
                         e.palette_size);
    }
    std::string operator()(const texture_error::PaletteLookup& e) const {
      return fmt::format("palette lookup failed: {}", e.message);
    }
  };
  return std::visit(Describe{}, error);
}

namespace {

using RgbaResult = std::expected<std::vector<std::uint8_t>, TextureError>;

using detail::argb_to_rgba_word;
using detail::from_le_value;
using detail::load_le;

// Converts n pixels of kBytesPerPixel bytes each. `convert` maps the little-endian word
// that starts at a pixel to its RGBA word, using only the pixel's own low bytes. Whole
// words are loaded while four bytes remain in the pixel data; the last few pixels, whose
// word would run past it, are assembled byte by byte.
template <std::size_t kBytesPerPixel, class Convert>
std::vector<std::uint8_t> convert_direct(std::span<const std::uint8_t> source, std::size_t n, Convert convert) {
  std::vector<std::uint8_t> out(n * 4);
  const std::uint8_t* const src = source.data();
  std::uint8_t* const dst = out.data();
  const std::size_t bytes = n * kBytesPerPixel;
  const std::size_t word_pixels = bytes >= 4 ? (bytes - 4) / kBytesPerPixel + 1 : 0;
  std::size_t i = 0;
  for (; i < word_pixels; ++i) {
    const std::uint32_t word = convert(load_le<std::uint32_t>(src + i * kBytesPerPixel));
    std::memcpy(dst + 4 * i, &word, 4);
  }
  for (; i < n; ++i) {
    std::uint32_t pixel = 0;
    for (std::size_t b = 0; b < kBytesPerPixel; ++b) {
      pixel |= static_cast<std::uint32_t>(src[i * kBytesPerPixel + b]) << (8 * b);
    }
    const std::uint32_t word = convert(pixel);
    std::memcpy(dst + 4 * i, &word, 4);
  }
  return out;
}

RgbaResult convert_direct_format(TextureFormat format, std::span<const std::uint8_t> source, std::size_t n) {
  const std::size_t bytes_per_pixel = (format == TextureFormat::A8R8G8B8) ? 4
                                      : (format == TextureFormat::R8G8B8 || format == TextureFormat::CustomRgb)
                                          ? 3
                                          : 1;
  if (source.size() / bytes_per_pixel < n) {
    return std::unexpected(texture_error::InsufficientData{n * bytes_per_pixel, source.size()});
  }
  switch (format) {
    case TextureFormat::R8G8B8:  // stored blue, green, red
      // Byte-reversing b, g, r, x gives x, r, g, b; shifting x out leaves r, g, b.
      return convert_direct<3>(source, n, [](std::uint32_t w) {
        return from_le_value((std::byteswap(w) >> 8) | 0xFF000000u);
      });
    case TextureFormat::A8R8G8B8:  // stored blue, green, red, alpha: 0xAARRGGBB little-endian
      return convert_direct<4>(source, n, argb_to_rgba_word);
    case TextureFormat::CustomRgb:  // stored red, green, blue
      return convert_direct<3>(source, n, [](std::uint32_t w) { return from_le_value(w | 0xFF000000u); });
    default:  // A8 and CustomLuminance: an opaque grey, not an alpha mask
      return convert_direct<1>(source, n, [](std::uint32_t w) {
        return from_le_value((w & 0xFFu) * 0x010101u | 0xFF000000u);
      });
  }
}

// Looks every pixel's index up in the palette, already converted to output words; the
// first index beyond the palette fails the whole conversion.
template <bool kWide>
RgbaResult lookup_indices(std::span<const std::uint8_t> source, std::size_t n,
                          std::span<const std::uint32_t> words, std::size_t palette_size) {
  std::vector<std::uint8_t> out(n * 4);
  std::uint8_t* dst = out.data();
  for (std::size_t i = 0; i < n; ++i, dst += 4) {
    const std::uint32_t index = kWide ? load_le<std::uint16_t>(source.data() + 2 * i) : source[i];
    if (index >= words.size()) {
      return std::unexpected(texture_error::PaletteIndexOutOfRange{i, index, palette_size});
    }
    std::memcpy(dst, &words[index], 4);
  }
  return out;
}

RgbaResult convert_paletted(const Texture& texture, TextureFormat format, std::size_t n,
                            const PaletteLookup& palette_lookup) {
  if (!texture.default_palette_id) return std::unexpected(texture_error::MissingPalette{});
  auto palette = palette_lookup(*texture.default_palette_id);
  if (!palette) return std::unexpected(texture_error::PaletteLookup{std::move(palette).error()});

  const bool wide = format == TextureFormat::Index16;
  const std::size_t index_bytes = wide ? 2 : 1;
  const std::span<const std::uint8_t> source = texture.source_data;
  if (source.size() / index_bytes < n) {
    return std::unexpected(texture_error::InsufficientData{n * index_bytes, source.size()});
  }

  // Convert the palette once. An index reaches at most entry 255 (P8) or 65535 (Index16),
  // so entries beyond that are never read and not converted.
  const std::vector<std::uint32_t>& colors = palette->colors;
  std::vector<std::uint32_t> words(std::min<std::size_t>(colors.size(), wide ? 65536 : 256));
  std::transform(colors.begin(), colors.begin() + static_cast<std::ptrdiff_t>(words.size()), words.begin(),
                 argb_to_rgba_word);
  return wide ? lookup_indices<true>(source, n, words, colors.size())
              : lookup_indices<false>(source, n, words, colors.size());
}

RgbaResult convert_dxt(TextureFormat format, const Texture& texture) {
  // Taken as unsigned 32-bit values; the limit check has already ruled out negatives.
  const auto width = static_cast<std::uint32_t>(texture.width);
  const auto height = static_cast<std::uint32_t>(texture.height);
  std::optional<std::vector<std::uint8_t>> image;
  switch (format) {
    case TextureFormat::Dxt1: image = decompress_dxt1(texture.source_data, width, height); break;
    case TextureFormat::Dxt3: image = decompress_dxt3(texture.source_data, width, height); break;
    default: image = decompress_dxt5(texture.source_data, width, height); break;
  }
  if (!image) return std::unexpected(texture_error::DimensionOverflow{texture.width, texture.height});
  return std::move(*image);
}

}  // namespace

RgbaResult to_rgba8(const Texture& texture, const PaletteLookup& palette_lookup) {
  // The sides are sign-extended and multiplied as unsigned 64-bit numbers; a product that
  // does not fit fails first, whatever the format.
  const auto w = static_cast<std::uint64_t>(static_cast<std::int64_t>(texture.width));
  const auto h = static_cast<std::uint64_t>(static_cast<std::int64_t>(texture.height));
  const texture_error::DimensionOverflow overflow{texture.width, texture.height};
  if (h != 0 && w > std::numeric_limits<std::uint64_t>::max() / h) return std::unexpected(overflow);
  // Nothing gives a negative side a meaning, and no real texture exceeds the limits: fail
  // before anything is allocated from such a size.
  if (texture.width < 0 || texture.height < 0 || !texture_size_within_limits(w, h)) {
    return std::unexpected(overflow);
  }
  const auto n = static_cast<std::size_t>(w * h);

  const auto format = texture_format_from_raw(texture.format_raw);
  if (!format) return std::unexpected(texture_error::UnsupportedFormat{std::nullopt, texture.format_raw});
  switch (*format) {
    case TextureFormat::Unknown:
    case TextureFormat::R5G6B5:
    case TextureFormat::A4R4G4B4:
      return std::unexpected(texture_error::UnsupportedFormat{format, texture.format_raw});
    case TextureFormat::R8G8B8:
    case TextureFormat::A8R8G8B8:
    case TextureFormat::A8:
    case TextureFormat::CustomRgb:
    case TextureFormat::CustomLuminance:
      return convert_direct_format(*format, texture.source_data, n);
    case TextureFormat::P8:
    case TextureFormat::Index16:
      return convert_paletted(texture, *format, n, palette_lookup);
    case TextureFormat::Dxt1:
    case TextureFormat::Dxt3:
    case TextureFormat::Dxt5:
      return convert_dxt(*format, texture);
  }
  return std::unexpected(texture_error::UnsupportedFormat{std::nullopt, texture.format_raw});
}

}  // namespace quillfen::dat::file_type
