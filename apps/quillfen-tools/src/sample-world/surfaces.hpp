// The surfaces of the town and its neighbours: what each is painted with (a procedural
// material in one texture format and size, or a solid colour), the category the audit
// should give it, and the few that are broken on purpose so the audit's warnings show.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/surface_classify.hpp"
#include "sample-world/dat_sink.hpp"
#include "sample-world/materials.hpp"

namespace quillfen::sample {

enum class SurfaceKind : std::uint8_t {
  Textured,
  Solid,
  // Broken on purpose; each makes the audit warn about its surface.
  UnsupportedFormat,  // the texture is stored as R5G6B5, which no decoder reads
  EmptyTextureList,   // the SurfaceTexture lists no texture
  MissingPalette,     // a P8 texture whose palette id has no file
  TruncatedTexture,   // the Texture record ends inside its pixel data
};

struct SurfaceDesign {
  std::uint16_t number = 0;  // the surface id is 0x08000000 | number
  std::string_view name;
  SurfaceKind kind = SurfaceKind::Textured;
  Material material = Material::Stone;
  std::uint32_t size = 64;  // side of the texture the audit decodes (the last listed)
  dat::file_type::TextureFormat format = dat::file_type::TextureFormat::Dxt1;
  std::uint8_t chain = 1;    // textures the SurfaceTexture lists: smaller mips first
  bool compress = false;     // store the textures LRS-compressed
  std::uint32_t colour = 0;  // 0xAARRGGBB of a solid surface
  // Solid surfaces say what their colour classifies as; textured ones take their material's.
  dat::surface_classify::SurfaceCategory solid_category = dat::surface_classify::SurfaceCategory::Generic;
  // Foliage shown through bit 0x04 alone, without the usual texture bit 0x02.
  bool foliage_bit_only = false;
  // Gives off light (flames, embers): the Surface's luminosity is 1.
  bool glows = false;
};

std::span<const SurfaceDesign> town_surfaces();
std::span<const SurfaceDesign> neighbour_surfaces();

// The design of surface number `number` among the town's and the neighbours', if any.
const SurfaceDesign* find_surface(std::uint16_t number);

// The Surface record's flag word.
std::uint32_t surface_type(const SurfaceDesign& design);

// What the audit should make of the surface: its category, or nothing for a broken one.
std::optional<dat::surface_classify::SurfaceCategory> expected_surface_category(const SurfaceDesign& design);

// The side of texture `slot` of `design`'s list: the listed size for the last, halved for
// each step before it, never below the smallest material size.
std::uint32_t chain_size(const SurfaceDesign& design, std::uint32_t slot);

// Writes the Surface and everything it refers to (SurfaceTexture, Textures, Palettes).
// Textures are drawn from `seed`, so a new seed gives new images of the same materials.
Status write_surface(const SurfaceDesign& design, std::uint64_t seed, DatSink& portal);

}  // namespace quillfen::sample
