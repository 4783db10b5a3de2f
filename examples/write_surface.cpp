// Writes a portal DAT that holds one textured surface, 0x08000001, whose 64 x 64 texture
// is drawn here: a rippled blue, flagged as water. The write side encodes the pixels in
// the texture format asked for and packs the records; audit_surface reads it back.
//   write_surface OUT_DAT [FORMAT]      FORMAT: Dxt1 (default), Dxt3, Dxt5, P8, R8G8B8, ...
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/ids.hpp"
#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/write/dat_writer.hpp"
#include "quillfen/dat/write/texture_encode.hpp"

namespace dat = quillfen::dat;
namespace ft = quillfen::dat::file_type;

namespace {

constexpr std::uint32_t kSurfaceId = 0x08000001;
constexpr std::uint32_t kSurfaceTextureId = 0x05000001;
constexpr std::uint32_t kTextureId = 0x06000001;
constexpr std::uint32_t kPaletteId = 0x04000001;

// The formats the encoder writes, by the names format_name gives them.
std::optional<ft::TextureFormat> format_named(const char* name) {
  using F = ft::TextureFormat;
  for (const F format : {F::R8G8B8, F::A8R8G8B8, F::A8, F::P8, F::Index16, F::CustomRgb, F::CustomLuminance, F::Dxt1,
                         F::Dxt3, F::Dxt5}) {
    if (ft::format_name(format) == name) return format;
  }
  return std::nullopt;
}

dat::RgbaImage rippled_blue() {
  dat::RgbaImage image{64, 64, {}};
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) {
      const auto ripple = static_cast<std::uint8_t>(((x + 2 * y) % 16) * 4);
      const std::uint8_t pixel[4] = {static_cast<std::uint8_t>(20 + ripple / 2), static_cast<std::uint8_t>(60 + ripple),
                                     static_cast<std::uint8_t>(170 + ripple), 255};
      image.pixels.insert(image.pixels.end(), pixel, pixel + 4);
    }
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: write_surface OUT_DAT [FORMAT]\n");
    return 2;
  }
  const auto format = format_named(argc == 3 ? argv[2] : "Dxt1");
  if (!format) {
    std::fprintf(stderr, "write_surface: no texture format named %s\n", argv[2]);
    return 2;
  }

  // [encode-texture]
  // Pixels to the stored bytes of the format, then the records that carry them: the
  // Texture (and its Palette for P8 and Index16), the SurfaceTexture that lists it and the
  // Surface that points at that list.
  const auto encoded = dat::write::encode_texture(rippled_blue(), *format);
  if (!encoded) {
    std::fprintf(stderr, "write_surface: %s\n", encoded.error().message.c_str());
    return 1;
  }
  const ft::Texture texture = dat::write::texture_record(*encoded, kTextureId, kPaletteId);
  ft::SurfaceTexture surface_texture;
  surface_texture.id = kSurfaceTextureId;
  surface_texture.textures = {kTextureId};
  ft::Surface surface;
  surface.surface_type = dat::surface_flags::kTextured | dat::surface_flags::kWater;
  surface.texture_refs = ft::TextureRefs{.orig_texture_id = kSurfaceTextureId, .orig_palette_id = 0};
  // [encode-texture]

  // [write-dat]
  auto writer = dat::write::DatWriter::create(argv[1]);
  if (!writer) {
    std::fprintf(stderr, "write_surface: %s\n", writer.error().message().c_str());
    return 1;
  }
  // pack_record refuses a record its layout cannot hold, such as a list longer than its
  // count field; add_file stores the bytes under the id.
  const auto add = [&](std::uint32_t id, const auto& record) {
    const auto bytes = dat::pack_record(record);
    if (!bytes) {
      std::fprintf(stderr, "write_surface: 0x%08X: %s\n", id, bytes.error().message.c_str());
      return false;
    }
    const auto added = writer->add_file(id, *bytes, {.compress = bytes->size() > 1024});
    if (!added) std::fprintf(stderr, "write_surface: 0x%08X: %s\n", id, added.error().message().c_str());
    return added.has_value();
  };
  bool ok = add(kSurfaceId, surface) && add(kSurfaceTextureId, surface_texture) && add(kTextureId, texture);
  if (ok && !encoded->palette.empty()) ok = add(kPaletteId, dat::write::palette_record(*encoded, kPaletteId));
  if (!ok) return 1;
  if (const auto finished = writer->finish(); !finished) {
    std::fprintf(stderr, "write_surface: %s\n", finished.error().message().c_str());
    return 1;
  }
  // [write-dat]
  std::printf("wrote %s: surface 0x%08X, a 64 x 64 %s texture\n", argv[1], kSurfaceId,
              std::string(ft::format_name(*format)).c_str());
  return 0;
}
