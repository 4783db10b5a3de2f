// Surface to image: a solid colour becomes a 1x1 image, a texture is reached through its
// SurfaceTexture (the last texture listed) and converted with its palette, if any.
#include "surface-classify-audit/decode_pass.hpp"

#include <fmt/format.h>

#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/surface_classify.hpp"

namespace quillfen::audit {
namespace {

namespace ft = dat::file_type;
namespace sc = dat::surface_classify;

struct SurfaceImage {
  RgbaImage image;
  bool solid = false;
};

RgbaImage solid_colour(std::uint32_t argb) {
  return RgbaImage{1, 1,
                   {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                    static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24)}};
}

// Reads and decodes a palette for to_rgba8; the error texts reach only the converter.
ft::PaletteLookup palette_lookup(const dat::DatDatabase& portal) {
  return [&portal](std::uint32_t id) -> std::expected<ft::Palette, std::string> {
    const auto bytes = portal.get_file(id);
    if (!bytes) return std::unexpected(fmt::format("0x{:08X}: {}", id, bytes.error().message()));
    auto palette = ft::Palette::unpack(*bytes);
    if (!palette) return std::unexpected(fmt::format("Palette::unpack 0x{:08X}: {}", id, palette.error().message()));
    return std::move(*palette);
  };
}

std::optional<RgbaImage> texture_image(const ft::TextureRefs& refs, const dat::DatDatabase& portal,
                                       PixelBudget& budget) {
  const auto st_bytes = portal.get_file(refs.orig_texture_id);
  if (!st_bytes) return std::nullopt;
  const auto surface_texture = ft::SurfaceTexture::unpack(*st_bytes);
  if (!surface_texture || surface_texture->textures.empty()) return std::nullopt;
  const auto texture_bytes = portal.get_file(surface_texture->textures.back());
  if (!texture_bytes) return std::nullopt;
  const auto texture = ft::Texture::unpack(*texture_bytes);
  if (!texture) return std::nullopt;
  // Negative sizes are left to the converter, which rejects them.
  if (texture->width >= 0 && texture->height >= 0 &&
      !budget.take(static_cast<std::uint64_t>(texture->width) * static_cast<std::uint64_t>(texture->height))) {
    return std::nullopt;
  }
  auto pixels = ft::to_rgba8(*texture, palette_lookup(portal));
  if (!pixels) return std::nullopt;
  return RgbaImage{static_cast<std::uint32_t>(texture->width), static_cast<std::uint32_t>(texture->height),
                   std::move(*pixels)};
}

std::optional<SurfaceImage> surface_image(const ft::Surface& surface, const dat::DatDatabase& portal,
                                          PixelBudget& budget) {
  if (surface.color_value) return SurfaceImage{solid_colour(*surface.color_value), true};
  if (!surface.texture_refs) return std::nullopt;
  auto image = texture_image(*surface.texture_refs, portal, budget);
  if (!image) return std::nullopt;
  return SurfaceImage{std::move(*image), false};
}

}  // namespace

bool PixelBudget::take(std::uint64_t pixels) {
  if (pixels > left_) return false;
  left_ -= pixels;
  return true;
}

std::optional<Decoded> classify_one(std::uint32_t surface_id, const dat::DatDatabase& portal, PixelBudget& budget) {
  const auto bytes = portal.get_file(surface_id);
  if (!bytes) return std::nullopt;
  const auto surface = ft::Surface::unpack(*bytes);
  if (!surface) return std::nullopt;
  auto image = surface_image(*surface, portal, budget);
  if (!image) return std::nullopt;

  const sc::ImageStats stats = sc::compute_stats(image->image.pixels, image->image.width, image->image.height);
  const sc::SurfaceCategory category = sc::classify(stats, surface->surface_type);
  Decoded decoded;
  SurfaceAudit& audit = decoded.audit;
  audit.did = fmt::format("0x{:08X}", surface_id);
  audit.category = std::string(sc::display_name(category));
  audit.surface_type = surface->surface_type;
  audit.mean_rgb = stats.mean_rgb;
  audit.std_dev = stats.std_dev;
  audit.luminance = stats.luminance;
  audit.variance = stats.variance;
  audit.dominant_hue = stats.dominant_hue;
  audit.saturation = stats.saturation;
  audit.width = image->image.width;
  audit.height = image->image.height;
  audit.solid = image->solid;
  decoded.image = std::move(image->image);
  return decoded;
}

DecodePassResult run_decode_pass(std::span<const std::uint32_t> surface_ids, const dat::DatDatabase& portal,
                                 std::FILE* log, const std::function<void(const RgbaImage&)>& on_image) {
  DecodePassResult result;
  result.surfaces.reserve(surface_ids.size());
  PixelBudget budget;
  for (const std::uint32_t id : surface_ids) {
    auto decoded = classify_one(id, portal, budget);
    if (!decoded) {
      fmt::print(log, "  warn: surface 0x{:08X} failed to decode\n", id);
      continue;
    }
    ++result.category_counts[decoded->audit.category];
    if (on_image) on_image(decoded->image);
    result.surfaces.push_back(std::move(decoded->audit));
  }
  return result;
}

}  // namespace quillfen::audit
