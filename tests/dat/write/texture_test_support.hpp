// Helpers for the texture encoder tests: an encoded texture taken the whole way a reader
// of the DAT would take it (Texture and Palette records packed, unpacked and
// converted by to_rgba8), small image builders, and the mean error between two images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/image.hpp"
#include "quillfen/dat/write/texture_encode.hpp"
#include "support/packed.hpp"

namespace quillfen::testing {

using dat::RgbaImage;
using dat::write::EncodedTexture;

// The RGBA bytes a reader of the DAT gets back from an encoded texture, or an empty list
// (with a test failure) when any step fails.
inline std::vector<std::uint8_t> decode_through_records(const EncodedTexture& encoded) {
  constexpr std::uint32_t kTextureId = 0x05000001;
  constexpr std::uint32_t kPaletteId = 0x04000001;
  const std::vector<std::uint8_t> texture_bytes = packed(dat::write::texture_record(encoded, kTextureId, kPaletteId));
  const std::vector<std::uint8_t> palette_bytes = packed(dat::write::palette_record(encoded, kPaletteId));

  const auto texture = dat::file_type::Texture::unpack(texture_bytes);
  if (!texture) {
    ADD_FAILURE() << "Texture::unpack: " << texture.error().message();
    return {};
  }
  const auto lookup = [&](std::uint32_t id) -> std::expected<dat::file_type::Palette, std::string> {
    if (id != kPaletteId) return std::unexpected("unexpected palette id");
    auto palette = dat::file_type::Palette::unpack(palette_bytes);
    if (!palette) return std::unexpected(palette.error().message());
    return std::move(*palette);
  };
  auto rgba = dat::file_type::to_rgba8(*texture, lookup);
  if (!rgba) {
    ADD_FAILURE() << "to_rgba8: " << dat::file_type::describe(rgba.error());
    return {};
  }
  return std::move(*rgba);
}

// A width x height image whose pixel (x, y) is `pixel(x, y)`.
inline RgbaImage image_of(std::uint32_t width, std::uint32_t height,
                          const std::function<std::array<std::uint8_t, 4>(std::uint32_t, std::uint32_t)>& pixel) {
  RgbaImage image{width, height, {}};
  image.pixels.reserve(std::size_t{width} * height * 4);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const auto p = pixel(x, y);
      image.pixels.insert(image.pixels.end(), p.begin(), p.end());
    }
  }
  return image;
}

// Mean absolute difference per byte over the channels selected (4 = RGBA, 3 = RGB only).
inline double mean_abs_error(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                             std::size_t channels = 4) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (i % 4 >= channels) continue;
    sum += std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
    ++count;
  }
  return sum / static_cast<double>(count);
}

}  // namespace quillfen::testing
