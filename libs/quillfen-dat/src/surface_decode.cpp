// Surface to image. Every step names the record it read in its failure, so a warning
// says which file to look at: the Surface, its SurfaceTexture, the Texture or the Palette.
#include "quillfen/dat/surface_decode.hpp"

#include <fmt/format.h>

#include <string_view>

#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"

namespace quillfen::dat {
namespace {

namespace ft = file_type;
using SurfaceResult = std::expected<SurfaceImage, SurfaceError>;

std::unexpected<SurfaceError> failure(std::string_view record, std::uint32_t id, std::string_view what) {
  return std::unexpected(SurfaceError{fmt::format("{} 0x{:08X}: {}", record, id, what)});
}

RgbaImage solid_colour(std::uint32_t argb) {
  return RgbaImage{1, 1,
                   {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                    static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24)}};
}

// Reads and decodes a palette for to_rgba8; its texts end up in the texture's failure.
ft::PaletteLookup palette_lookup(const DatDatabase& portal) {
  return [&portal](std::uint32_t id) -> std::expected<ft::Palette, std::string> {
    const auto bytes = portal.get_file(id);
    if (!bytes) return std::unexpected(fmt::format("0x{:08X}: {}", id, bytes.error().message()));
    auto palette = ft::Palette::unpack(*bytes);
    if (!palette) return std::unexpected(fmt::format("Palette::unpack 0x{:08X}: {}", id, palette.error().message()));
    return std::move(*palette);
  };
}

struct TextureImage {
  RgbaImage image;
  std::uint32_t format = 0;
};

std::expected<TextureImage, SurfaceError> texture_image(const ft::TextureRefs& refs, const DatDatabase& portal,
                                                        PixelBudget& budget) {
  const std::uint32_t st_id = refs.orig_texture_id;
  const auto st_bytes = portal.get_file(st_id);
  if (!st_bytes) return failure("SurfaceTexture", st_id, st_bytes.error().message());
  const auto surface_texture = ft::SurfaceTexture::unpack(*st_bytes);
  if (!surface_texture) return failure("SurfaceTexture", st_id, surface_texture.error().message());
  if (surface_texture->textures.empty()) return failure("SurfaceTexture", st_id, "lists no textures");

  const std::uint32_t texture_id = surface_texture->textures.back();
  const auto texture_bytes = portal.get_file(texture_id);
  if (!texture_bytes) return failure("Texture", texture_id, texture_bytes.error().message());
  const auto texture = ft::Texture::unpack(*texture_bytes);
  if (!texture) return failure("Texture", texture_id, texture.error().message());
  // Negative sizes are left to the converter, which rejects them.
  std::uint64_t pixel_count = 0;
  if (texture->width >= 0 && texture->height >= 0) {
    pixel_count = static_cast<std::uint64_t>(texture->width) * static_cast<std::uint64_t>(texture->height);
    if (!budget.take(pixel_count)) {
      auto refused = failure("Texture", texture_id,
                             fmt::format("{} x {} pixels exceed what is left of the run's budget of decoded pixels",
                                         texture->width, texture->height));
      refused.error().texture_pixels = pixel_count;
      refused.error().over_budget = true;
      return refused;
    }
  }
  auto pixels = ft::to_rgba8(*texture, palette_lookup(portal));
  if (!pixels) {
    auto failed = failure("Texture", texture_id, ft::describe(pixels.error()));
    failed.error().texture_pixels = pixel_count;
    return failed;
  }
  return TextureImage{RgbaImage{static_cast<std::uint32_t>(texture->width),
                                static_cast<std::uint32_t>(texture->height), std::move(*pixels)},
                      texture->format_raw};
}

}  // namespace

bool PixelBudget::take(std::uint64_t pixels) {
  std::uint64_t left = left_.load(std::memory_order_relaxed);
  do {
    if (pixels > left) return false;
  } while (!left_.compare_exchange_weak(left, left - pixels, std::memory_order_relaxed));
  return true;
}

std::expected<SurfaceImage, SurfaceError> decode_surface(std::uint32_t surface_id, const DatDatabase& portal,
                                                         PixelBudget& budget) {
  const auto bytes = portal.get_file(surface_id);
  if (!bytes) return failure("Surface", surface_id, bytes.error().message());
  const auto surface = ft::Surface::unpack(*bytes);
  if (!surface) return failure("Surface", surface_id, surface.error().message());
  if (surface->color_value) {
    return SurfaceImage{surface->surface_type, true, solid_colour(*surface->color_value), std::nullopt};
  }
  // The decoder sets one of the two; this only guards a record built by hand.
  if (!surface->texture_refs) return failure("Surface", surface_id, "has neither a colour nor a texture");
  auto image = texture_image(*surface->texture_refs, portal, budget);
  if (!image) return std::unexpected(std::move(image).error());
  return SurfaceImage{surface->surface_type, false, std::move(image->image), image->format};
}

SurfaceMeasure measure_surface(const SurfaceImage& surface) {
  const auto stats = surface_classify::compute_stats(surface.image.pixels, surface.image.width, surface.image.height);
  return SurfaceMeasure{stats, surface_classify::classify(stats, surface.surface_type)};
}

}  // namespace quillfen::dat
