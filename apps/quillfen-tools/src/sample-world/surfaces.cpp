// The surface catalogue and the writing of a surface's records. Every texture format
// appears, at sizes from 8 to 512; the one-byte grey formats (A8, CustomLuminance) carry
// only the grey materials (stone, metal, snow), since a grey image of sand or wood would
// no longer look like it.
#include "sample-world/surfaces.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>

#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/write/texture_encode.hpp"
#include "sample-world/ids.hpp"
#include "sample-world/rng.hpp"
#include "sample-world/surface_numbers.hpp"

namespace quillfen::sample {

using dat::file_type::TextureFormat;
using dat::write::encode_texture;
using dat::write::EncodedTexture;
using dat::write::palette_record;
using dat::write::texture_record;
using dat::surface_classify::SurfaceCategory;
using M = Material;
using F = TextureFormat;

namespace {

// The random stream of each texture: this tag with the surface number and list slot.
constexpr std::uint64_t kTextureStream = 0x7E7000000000000ull;

constexpr SurfaceDesign tex(std::uint16_t number, std::string_view name, Material material, std::uint32_t size,
                            TextureFormat format, std::uint8_t chain = 1, bool compress = false) {
  SurfaceDesign design;
  design.number = number;
  design.name = name;
  design.material = material;
  design.size = size;
  design.format = format;
  design.chain = chain;
  design.compress = compress;
  return design;
}

constexpr SurfaceDesign leaf_only(SurfaceDesign design) {
  design.foliage_bit_only = true;
  return design;
}

constexpr SurfaceDesign solid(std::uint16_t number, std::string_view name, std::uint32_t colour,
                              SurfaceCategory category) {
  SurfaceDesign design;
  design.number = number;
  design.name = name;
  design.kind = SurfaceKind::Solid;
  design.colour = colour;
  design.solid_category = category;
  return design;
}

constexpr SurfaceDesign glowing(SurfaceDesign design) {
  design.glows = true;
  return design;
}

constexpr SurfaceDesign broken(std::uint16_t number, std::string_view name, SurfaceKind kind, Material material,
                               std::uint32_t size, TextureFormat format) {
  SurfaceDesign design = tex(number, name, material, size, format);
  design.kind = kind;
  return design;
}

// Numbers are grouped by material in blocks of 8 or 16 so that a new surface finds room.
constexpr auto kTownSurfaces = std::to_array<SurfaceDesign>({
    // Stone: house walls, the tower, the well, paving, cellars, hearths.
    tex(sn::kWallStone, "wall-stone", M::Stone, 128, F::Dxt1),
    tex(sn::kWallCourses, "wall-courses", M::StoneCourses, 256, F::Dxt5, 3),
    tex(sn::kTowerStone, "tower-stone", M::Stone, 512, F::Dxt1),
    tex(sn::kChimneyCourses, "chimney-courses", M::StoneCourses, 64, F::R8G8B8, 1, true),
    tex(sn::kWellStone, "well-stone", M::Stone, 32, F::P8),
    tex(sn::kPaving, "paving", M::StoneCourses, 128, F::Index16, 1, true),
    tex(sn::kGreyRubble, "grey-rubble", M::Stone, 128, F::A8),
    tex(sn::kCellarStone, "cellar-stone", M::Stone, 64, F::CustomLuminance),
    tex(sn::kHearthStone, "hearth-stone", M::StoneCourses, 32, F::A8R8G8B8),
    tex(sn::kFoundation, "foundation", M::Stone, 16, F::CustomRgb),
    // Wood: planks, doors, beams, floors, fences, barrels, bark, shingles, furniture.
    tex(sn::kPlanks, "planks", M::Wood, 128, F::Dxt1),
    tex(sn::kOakDoor, "oak-door", M::Wood, 64, F::Dxt3),
    tex(sn::kBeams, "beams", M::Wood, 128, F::Dxt1, 2),
    tex(sn::kFloorboards, "floorboards", M::Wood, 128, F::P8),
    tex(sn::kFenceRails, "fence-rails", M::Wood, 32, F::R8G8B8),
    tex(sn::kBarrelStaves, "barrel-staves", M::Wood, 64, F::A8R8G8B8, 1, true),
    tex(sn::kBark, "bark", M::Wood, 64, F::Dxt5),
    tex(sn::kShingles, "shingles", M::Wood, 256, F::Index16),
    tex(sn::kTableTop, "table-top", M::Wood, 16, F::CustomRgb),
    tex(sn::kShelfBoard, "shelf-board", M::Wood, 8, F::Dxt1),
    tex(sn::kCrateSlats, "crate-slats", M::Wood, 32, F::Dxt3, 2),
    // Metal: lamps, the anvil, hinges, brackets, hoops, the chandelier, buckets.
    tex(sn::kLampIron, "lamp-iron", M::Metal, 64, F::Dxt1),
    tex(sn::kAnvilSteel, "anvil-steel", M::Metal, 32, F::A8),
    tex(sn::kHingeIron, "hinge-iron", M::Metal, 16, F::CustomLuminance),
    tex(sn::kSignBracket, "sign-bracket", M::Metal, 128, F::Dxt5),
    tex(sn::kBarrelHoops, "barrel-hoops", M::Metal, 32, F::A8R8G8B8),
    tex(sn::kChandelier, "chandelier", M::Metal, 64, F::P8),
    tex(sn::kBucketTin, "bucket-tin", M::Metal, 8, F::R8G8B8),
    // Sand: the market square, straw, thatch, sacking.
    tex(sn::kMarketSand, "market-sand", M::Sand, 128, F::Dxt1, 3),
    tex(sn::kStraw, "straw", M::Sand, 64, F::P8),
    tex(sn::kThatch, "thatch", M::Sand, 128, F::CustomRgb, 1, true),
    tex(sn::kSacking, "sacking", M::Sand, 32, F::Dxt3),
    // Lava: the forge, the tavern hearth, braziers, the kitchen fire.
    glowing(tex(sn::kForgeCoals, "forge-coals", M::Lava, 64, F::Dxt1)),
    glowing(tex(sn::kHearthFire, "hearth-fire", M::Lava, 128, F::A8R8G8B8)),
    glowing(tex(sn::kBrazierEmbers, "brazier-embers", M::Lava, 32, F::Index16)),
    glowing(tex(sn::kKitchenFire, "kitchen-fire", M::Lava, 16, F::Dxt5)),
    // Water: the well, the fountain, the trough, the pond.
    tex(sn::kWellWater, "well-water", M::Water, 64, F::Dxt1),
    tex(sn::kFountainWater, "fountain-water", M::Water, 128, F::Dxt5),
    tex(sn::kTroughWater, "trough-water", M::Water, 32, F::P8),
    tex(sn::kPondWater, "pond-water", M::Water, 128, F::R8G8B8, 1, true),
    // Foliage: tree crowns, hedges, ivy, grass, reeds.
    tex(sn::kOakLeaves, "oak-leaves", M::Foliage, 128, F::Dxt1),
    tex(sn::kHedge, "hedge", M::Foliage, 64, F::Dxt3),
    leaf_only(tex(sn::kIvy, "ivy", M::Foliage, 32, F::P8)),
    tex(sn::kElmLeaves, "elm-leaves", M::Foliage, 128, F::CustomRgb),
    leaf_only(tex(sn::kGrass, "grass", M::Foliage, 16, F::Index16)),
    tex(sn::kReeds, "reeds", M::Foliage, 64, F::A8R8G8B8),
    // Dirt: the road, gardens, paths, the cellar floor, mud.
    tex(sn::kRoadDirt, "road-dirt", M::Dirt, 256, F::Dxt1),
    tex(sn::kGardenSoil, "garden-soil", M::Dirt, 128, F::P8),
    tex(sn::kFootpath, "footpath", M::Dirt, 64, F::R8G8B8),
    tex(sn::kCellarFloor, "cellar-floor", M::Dirt, 32, F::Dxt5),
    tex(sn::kMud, "mud", M::Dirt, 16, F::CustomRgb),
    // Snow: on roofs and in the tower's shade, whitewashed plaster, bed linen.
    tex(sn::kRoofSnow, "roof-snow", M::Snow, 128, F::Dxt1),
    tex(sn::kSnowdrift, "snowdrift", M::Snow, 64, F::A8),
    tex(sn::kPlaster, "plaster", M::Snow, 32, F::CustomLuminance),
    tex(sn::kTowerCapSnow, "tower-cap-snow", M::Snow, 128, F::Index16),
    tex(sn::kLinen, "linen", M::Snow, 64, F::R8G8B8),
    // Cloth that is no material: banners, awnings, tapestries, a carpet.
    tex(sn::kPurpleBanner, "purple-banner", M::Banner, 64, F::Dxt5),
    tex(sn::kAwning, "awning", M::Banner, 128, F::P8),
    tex(sn::kWallHanging, "wall-hanging", M::Banner, 32, F::A8R8G8B8),
    tex(sn::kCarpet, "carpet", M::Banner, 128, F::Dxt1),
    // Solid colours.
    solid(sn::kWindowGlass, "window-glass", 0xC02A3B5C, SurfaceCategory::Generic),
    solid(sn::kWhitewash, "whitewash", 0xFFF2F2EE, SurfaceCategory::Snow),
    solid(sn::kPewter, "pewter", 0xFF9A9A9A, SurfaceCategory::Metal),
    glowing(solid(sn::kCandleFlame, "candle-flame", 0xFFFFC040, SurfaceCategory::Generic)),
    solid(sn::kRedDoorPaint, "red-door-paint", 0xFFA03020, SurfaceCategory::Wood),
    solid(sn::kSoot, "soot", 0xFF101010, SurfaceCategory::Generic),
    solid(sn::kSlate, "slate", 0xFF5A5A5F, SurfaceCategory::Stone),
    // Broken on purpose.
    broken(sn::kWeatheredSign, "weathered-sign", SurfaceKind::UnsupportedFormat, M::Wood, 32, F::R5G6B5),
    broken(sn::kFadedBanner, "faded-banner", SurfaceKind::EmptyTextureList, M::Banner, 32, F::Dxt1),
    broken(sn::kOldTapestry, "old-tapestry", SurfaceKind::MissingPalette, M::Banner, 32, F::P8),
    broken(sn::kCrackedTile, "cracked-tile", SurfaceKind::TruncatedTexture, M::StoneCourses, 32, F::A8R8G8B8),
});

constexpr auto kNeighbourSurfaces = std::to_array<SurfaceDesign>({
    // West: a farmstead.
    tex(sn::kBarnPlanks, "barn-planks", M::Wood, 128, F::Dxt1),
    tex(sn::kBarnThatch, "barn-thatch", M::Sand, 64, F::Dxt5),
    tex(sn::kFieldSoil, "field-soil", M::Dirt, 128, F::Dxt1, 2),
    tex(sn::kWheat, "wheat", M::Foliage, 64, F::P8),
    tex(sn::kHay, "hay", M::Sand, 32, F::R8G8B8),
    // East: a forest.
    tex(sn::kPineNeedles, "pine-needles", M::Foliage, 128, F::Dxt1),
    tex(sn::kMossyRock, "mossy-rock", M::Stone, 64, F::Dxt1),
    tex(sn::kStream, "stream", M::Water, 64, F::Dxt5),
    tex(sn::kCabinLogs, "cabin-logs", M::Wood, 64, F::CustomRgb, 1, true),
    // South: a quarry and a mine.
    tex(sn::kQuarryFace, "quarry-face", M::Stone, 128, F::Dxt1),
    tex(sn::kGravel, "gravel", M::Dirt, 64, F::Index16),
    glowing(tex(sn::kLavaPool, "lava-pool", M::Lava, 128, F::Dxt1)),
    tex(sn::kRailIron, "rail-iron", M::Metal, 32, F::Dxt1),
    // North: a snowy shrine.
    tex(sn::kSnowfield, "snowfield", M::Snow, 128, F::Dxt1),
    tex(sn::kIce, "ice", M::Water, 64, F::A8R8G8B8),
    tex(sn::kShrineStone, "shrine-stone", M::StoneCourses, 128, F::Dxt5),
    tex(sn::kShrineBell, "shrine-bell", M::Metal, 64, F::Dxt3),
});

// A texture of `design`'s material at `size`, encoded as `format`.
std::expected<EncodedTexture, std::string> encode(const SurfaceDesign& design, std::uint32_t size, TextureFormat format,
                                                  std::uint64_t seed) {
  auto image = make_material(design.material, size, seed);
  if (!image) return std::unexpected(fmt::format("surface {}: {}", design.name, image.error()));
  auto encoded = encode_texture(*image, format);
  if (!encoded) return std::unexpected(fmt::format("surface {}: {}", design.name, encoded.error().message));
  return std::move(*encoded);
}

// An image as R5G6B5 pixels: a format real files hold but no decoder here reads.
std::vector<std::uint8_t> to_r5g6b5(const RgbaImage& image) {
  std::vector<std::uint8_t> out;
  out.reserve(image.pixels.size() / 2);
  for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
    const auto word = static_cast<std::uint16_t>(((image.pixels[i] >> 3) << 11) | ((image.pixels[i + 1] >> 2) << 5) |
                                                 (image.pixels[i + 2] >> 3));
    out.push_back(static_cast<std::uint8_t>(word));
    out.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return out;
}

Status write_texture(const SurfaceDesign& design, std::uint32_t slot, std::uint64_t seed, DatSink& portal) {
  const std::uint32_t size = chain_size(design, slot);
  const bool last = slot + 1 == design.chain;
  // The smaller images before the last are DXT1, like a mip chain stored apart.
  const TextureFormat format = last ? design.format : TextureFormat::Dxt1;
  const std::uint32_t texture_id = ids::texture(design.number, slot);
  const std::uint32_t palette_id = ids::palette(design.number, slot);

  if (last && design.kind == SurfaceKind::UnsupportedFormat) {
    auto image = make_material(design.material, size, seed);
    if (!image) return std::unexpected(fmt::format("surface {}: {}", design.name, image.error()));
    dat::file_type::Texture texture;
    texture.id = texture_id;
    texture.width = static_cast<std::int32_t>(size);
    texture.height = static_cast<std::int32_t>(size);
    texture.format_raw = static_cast<std::uint32_t>(TextureFormat::R5G6B5);
    texture.source_data = to_r5g6b5(*image);
    return portal.add_record(texture_id, texture);
  }

  QF_TRY_ASSIGN(const EncodedTexture encoded, encode(design, size, format, seed));
  dat::file_type::Texture texture = texture_record(encoded, texture_id, palette_id);
  if (last && design.kind == SurfaceKind::MissingPalette) {
    texture.default_palette_id = ids::kMissingPalette;
  } else if (encoded.palette.size() > 0) {
    QF_TRY_VOID(portal.add_record(palette_id, palette_record(encoded, palette_id)));
  }
  if (last && design.kind == SurfaceKind::TruncatedTexture) {
    // The record claims all its pixels but the file ends halfway through them.
    auto packed = dat::pack_record(texture);
    if (!packed) return std::unexpected(fmt::format("texture 0x{:08X}: {}", texture_id, packed.error().message));
    std::vector<std::uint8_t> bytes = std::move(*packed);
    constexpr std::size_t kFixedFields = 24;  // id, _unknown, width, height, format_raw, length
    bytes.resize(kFixedFields + texture.source_data.size() / 2);
    return portal.add(texture_id, bytes);
  }
  return portal.add_record(texture_id, texture, design.compress);
}

}  // namespace

std::span<const SurfaceDesign> town_surfaces() { return kTownSurfaces; }
std::span<const SurfaceDesign> neighbour_surfaces() { return kNeighbourSurfaces; }

const SurfaceDesign* find_surface(std::uint16_t number) {
  for (const auto list : {town_surfaces(), neighbour_surfaces()}) {
    for (const SurfaceDesign& design : list) {
      if (design.number == number) return &design;
    }
  }
  return nullptr;
}

std::uint32_t surface_type(const SurfaceDesign& design) {
  // 0x01 marks a plain colour; 0x02 (or 0x04 alone for foliage) a texture.
  if (design.kind == SurfaceKind::Solid) return 0x01;
  if (design.foliage_bit_only) return material_surface_flags(design.material);
  return dat::surface_flags::kTextured | material_surface_flags(design.material);
}

std::optional<SurfaceCategory> expected_surface_category(const SurfaceDesign& design) {
  switch (design.kind) {
    case SurfaceKind::Textured:
      return expected_category(design.material);
    case SurfaceKind::Solid:
      return design.solid_category;
    default:
      return std::nullopt;
  }
}

std::uint32_t chain_size(const SurfaceDesign& design, std::uint32_t slot) {
  const std::uint32_t steps = design.chain > slot + 1 ? design.chain - slot - 1 : 0;
  return std::max(design.size >> steps, kMinMaterialSize);
}

Status write_surface(const SurfaceDesign& design, std::uint64_t seed, DatSink& portal) {
  dat::file_type::Surface surface;
  surface.surface_type = surface_type(design);
  surface.diffuse = 1.0f;
  if (design.glows) surface.luminosity = 1.0f;
  if (design.kind == SurfaceKind::Solid) {
    surface.color_value = design.colour;
    // A colour's alpha is how much it hides: glass lets light through.
    surface.translucency = 1.0f - static_cast<float>(design.colour >> 24) / 255.0f;
    return portal.add_record(ids::surface(design.number), surface);
  }

  dat::file_type::SurfaceTexture surface_texture;
  surface_texture.id = ids::surface_texture(design.number);
  surface_texture.unknown_int = 2;
  if (design.kind != SurfaceKind::EmptyTextureList) {
    for (std::uint32_t slot = 0; slot < design.chain; ++slot) {
      const std::uint64_t texture_seed = derive_seed(seed, kTextureStream | (std::uint64_t{design.number} << 8) | slot);
      QF_TRY_VOID(write_texture(design, slot, texture_seed, portal));
      surface_texture.textures.push_back(ids::texture(design.number, slot));
    }
  }
  QF_TRY_VOID(portal.add_record(surface_texture.id, surface_texture));

  const bool paletted = dat::file_type::is_paletted(static_cast<std::uint32_t>(design.format));
  surface.texture_refs =
      dat::file_type::TextureRefs{surface_texture.id, paletted ? ids::palette(design.number, design.chain - 1u) : 0u};
  return portal.add_record(ids::surface(design.number), surface);
}

}  // namespace quillfen::sample
