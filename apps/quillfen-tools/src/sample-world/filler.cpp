// Filler content. Every item is drawn from its own random stream (the world seed, a tag
// and the item's number), so items can be written in any order and any number of them
// gives the same first ones.
#include "sample-world/filler.hpp"

#include <fmt/format.h>

#include <array>
#include <vector>

#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/write/texture_encode.hpp"
#include "sample-world/gfx_builder.hpp"
#include "sample-world/ids.hpp"
#include "sample-world/landblock_builder.hpp"
#include "sample-world/materials.hpp"
#include "sample-world/rng.hpp"
#include "sample-world/setup_builder.hpp"

namespace quillfen::sample {

using dat::file_type::TextureFormat;
using dat::write::encode_texture;
using dat::write::EncodedTexture;
using dat::write::palette_record;
using dat::write::texture_record;

namespace {

constexpr std::uint64_t kPoolStream = 0xF111000000ull;
constexpr std::uint64_t kSurfaceStream = 0xF112000000ull;
constexpr std::uint64_t kGfxStream = 0xF113000000ull;
constexpr std::uint64_t kSetupStream = 0xF114000000ull;
constexpr std::uint64_t kLandblockStream = 0xF115000000ull;

// Filler palettes live far above the per-surface palette ids.
constexpr std::uint32_t kPoolPaletteFirst = ids::kPalette | 0x00F00000;
// Small textures keep the pool cheap: four sizes of every material.
constexpr std::array<std::uint32_t, 4> kPoolSizes = {16, 32, 64, 128};
// The first texture of one filler surface in this many is stored LRS-compressed.
constexpr std::uint32_t kCompressEvery = 8;

constexpr std::array<TextureFormat, 8> kColourFormats = {
    TextureFormat::Dxt1,      TextureFormat::Dxt5,     TextureFormat::P8,   TextureFormat::R8G8B8,
    TextureFormat::CustomRgb, TextureFormat::A8R8G8B8, TextureFormat::Dxt3, TextureFormat::Index16};
constexpr std::array<TextureFormat, 2> kGreyFormats = {TextureFormat::A8, TextureFormat::CustomLuminance};

bool is_grey(Material m) { return m == Material::Stone || m == Material::Metal || m == Material::Snow; }

struct PoolEntry {
  Material material;
  EncodedTexture encoded;
  std::uint32_t palette_id;  // 0 unless paletted
};

std::expected<std::vector<PoolEntry>, std::string> build_pool(std::uint64_t seed, DatSink& portal) {
  std::vector<PoolEntry> pool;
  std::uint32_t index = 0;
  for (const Material material : kAllMaterials) {
    for (std::size_t s = 0; s < kPoolSizes.size(); ++s, ++index) {
      // Grey materials also take the one-byte grey formats; colour ones never do.
      const std::size_t choices = kColourFormats.size() + (is_grey(material) ? kGreyFormats.size() : 0);
      const std::size_t pick = (index * 5 + s) % choices;
      const TextureFormat format =
          pick < kColourFormats.size() ? kColourFormats[pick] : kGreyFormats[pick - kColourFormats.size()];
      auto image = make_material(material, kPoolSizes[s], derive_seed(seed, kPoolStream | index));
      if (!image) return std::unexpected(fmt::format("filler texture {}: {}", index, image.error()));
      auto encoded = encode_texture(*image, format);
      if (!encoded) return std::unexpected(fmt::format("filler texture {}: {}", index, encoded.error().message));
      PoolEntry entry{material, std::move(*encoded), 0};
      if (!entry.encoded.palette.empty()) {
        entry.palette_id = kPoolPaletteFirst + index;
        QF_TRY_VOID(portal.add_record(entry.palette_id, palette_record(entry.encoded, entry.palette_id)));
      }
      pool.push_back(std::move(entry));
    }
  }
  return pool;
}

std::uint16_t filler_surface_number(std::uint32_t i) {
  return static_cast<std::uint16_t>(ids::kFillerSurfaceFirst + i);
}

Status write_surfaces(const FillerDesign& design, std::uint64_t seed, const std::vector<PoolEntry>& pool,
                      DatSink& portal) {
  for (std::uint32_t i = 0; i < design.surfaces; ++i) {
    Rng rng(derive_seed(seed, kSurfaceStream | i));
    const std::uint16_t number = filler_surface_number(i);
    dat::file_type::Surface surface;
    surface.diffuse = 1.0f;
    // A few plain colours among the textures.
    if (rng.chance(0.05)) {
      surface.surface_type = 0x01;
      surface.color_value = 0xFF000000u | (rng.below(0x1000000));
      QF_TRY_VOID(portal.add_record(ids::surface(number), surface));
      continue;
    }
    const std::uint32_t chain = rng.chance(0.15) ? 2 : 1;
    dat::file_type::SurfaceTexture surface_texture;
    surface_texture.id = ids::surface_texture(number);
    surface_texture.unknown_int = 2;
    const PoolEntry* last = nullptr;
    for (std::uint32_t slot = 0; slot < chain; ++slot) {
      const PoolEntry& entry = pool[rng.below(static_cast<std::uint32_t>(pool.size()))];
      const std::uint32_t texture_id = ids::texture(number, slot);
      const bool compress = slot == 0 && i % kCompressEvery == 0;
      QF_TRY_VOID(portal.add_record(texture_id, texture_record(entry.encoded, texture_id, entry.palette_id), compress));
      surface_texture.textures.push_back(texture_id);
      last = &entry;
    }
    QF_TRY_VOID(portal.add_record(surface_texture.id, surface_texture));
    surface.surface_type = dat::surface_flags::kTextured | material_surface_flags(last->material);
    surface.texture_refs = dat::file_type::TextureRefs{surface_texture.id, last->palette_id};
    QF_TRY_VOID(portal.add_record(ids::surface(number), surface));
  }
  return {};
}

// The shapes every filler GfxObj is one of, with the number of surfaces each paints.
struct Prototype {
  Mesh mesh;
  std::uint32_t slots;
};

std::vector<Prototype> prototypes() {
  std::vector<Prototype> shapes;
  {
    Mesh hut;
    add_walls_with_door(hut, vec(-3, -2.5, 0), vec(3, 2.5, 3), 1.2, 2.1, 0);
    add_gable_roof(hut, -3.3, 3.3, -2.8, 2.8, 3.0, 5.0, 1, 2);
    shapes.push_back({std::move(hut), 3});
  }
  {
    Mesh tower;
    add_prism(tower, 0, 0, 2.0, 0, 8, 8, 0, 0, false);
    add_cone(tower, 0, 0, 2.4, 8, 11, 8, 1);
    shapes.push_back({std::move(tower), 2});
  }
  {
    Mesh tree;
    add_prism(tree, 0, 0, 0.3, 0, 3, 6, 0, 0);
    add_blob(tree, vec(0, 0, 4.5), 2.2, 2.2, 1.8, 6, 4, 1);
    shapes.push_back({std::move(tree), 2});
  }
  {
    Mesh rock;
    add_blob(rock, Vector3{}, 1.5, 1.2, 0.9, 7, 4, 0);
    shapes.push_back({std::move(rock), 1});
  }
  {
    Mesh crate;
    add_box(crate, vec(-0.5, -0.5, 0), vec(0.5, 0.5, 1.0), {0, 1, 0});
    shapes.push_back({std::move(crate), 2});
  }
  {
    Mesh patch;
    add_ground(patch, -4, -4, 4, 4, 0.02, 0);
    shapes.push_back({std::move(patch), 1});
  }
  return shapes;
}

Status write_models(const FillerDesign& design, std::uint64_t seed, DatSink& portal) {
  if (design.surfaces == 0) return {};
  std::vector<dat::file_type::GfxObj> shapes;
  std::vector<std::uint32_t> slots;
  // The trees and polygons of each shape are built once; the filler GfxObjs differ only
  // in their ids and surfaces.
  for (const Prototype& p : prototypes()) {
    QF_TRY_ASSIGN(auto shape, make_gfx_obj(0, p.mesh, {}, {.physics = p.slots != 1}));
    shapes.push_back(std::move(shape));
    slots.push_back(p.slots);
  }
  for (std::uint32_t i = 0; i < design.gfx_objs; ++i) {
    Rng rng(derive_seed(seed, kGfxStream | i));
    const std::uint32_t shape = i % static_cast<std::uint32_t>(shapes.size());
    dat::file_type::GfxObj& gfx = shapes[shape];
    gfx.id = ids::kGfxObj | (ids::kFillerModelFirst + i);
    gfx.surfaces.clear();
    for (std::uint32_t s = 0; s < slots[shape]; ++s)
      gfx.surfaces.push_back(ids::surface(filler_surface_number(rng.below(design.surfaces))));
    QF_TRY_VOID(portal.add_record(gfx.id, gfx));
  }
  for (std::uint32_t i = 0; i < design.setups; ++i) {
    Rng rng(derive_seed(seed, kSetupStream | i));
    SetupDesign setup;
    const std::uint32_t parts = design.gfx_objs == 0 ? 0 : rng.between(1, 4);
    for (std::uint32_t p = 0; p < parts; ++p) {
      const std::uint32_t part = ids::kGfxObj | (ids::kFillerModelFirst + rng.below(design.gfx_objs));
      setup.parts.push_back(
          {part, place(rng.uniform(-3.0f, 3.0f), rng.uniform(-3.0f, 3.0f), 0.0, rng.uniform(0.0f, 360.0f))});
    }
    for (std::uint32_t h = rng.below(3); h > 0; --h)
      setup.hooks.push_back(make_hook(rng.below(27), rng, rng.chance(0.5)));
    if (rng.chance(0.2)) setup.lights.push_back(make_light(0.0, 0.0, 2.5, 0xFFFFD080, 0.8f, 5.0f));
    setup.height = rng.uniform(1.0f, 10.0f);
    setup.radius = rng.uniform(1.0f, 5.0f);
    const auto record = make_setup(ids::kSetup | (ids::kFillerModelFirst + i), setup);
    QF_TRY_VOID(portal.add_record(record.id, record));
  }
  return {};
}

}  // namespace

Status write_filler_portal(const FillerDesign& design, std::uint64_t seed, DatSink& portal) {
  if (design.surfaces > ids::kFillerSurfaceLimit - ids::kFillerSurfaceFirst) {
    return std::unexpected(fmt::format("{} filler surfaces do not fit below surface number 0x{:04X}", design.surfaces,
                                       ids::kFillerSurfaceLimit));
  }
  if (design.surfaces > 0) {
    QF_TRY_ASSIGN(const auto pool, build_pool(seed, portal));
    QF_TRY_VOID(write_surfaces(design, seed, pool, portal));
  }
  return write_models(design, seed, portal);
}

Status write_filler_landblock(std::uint16_t landblock, const FillerDesign& design, std::uint64_t seed, DatSink& cell) {
  Rng rng(derive_seed(seed, kLandblockStream | landblock));
  const auto model = [&]() -> std::uint32_t {
    // Setups and GfxObjs alike stand on landblocks and in cells.
    if (design.setups > 0 && (design.gfx_objs == 0 || rng.chance(0.6))) {
      return ids::kSetup | (ids::kFillerModelFirst + rng.below(design.setups));
    }
    return ids::kGfxObj | (ids::kFillerModelFirst + rng.below(design.gfx_objs));
  };
  const bool has_models = design.setups + design.gfx_objs > 0;

  LandblockBuilder builder(landblock);
  if (has_models) {
    for (std::uint32_t i = rng.between(6, 16); i > 0; --i) {
      builder.object(model(), rng.uniform(4.0f, 188.0f), rng.uniform(4.0f, 188.0f), 0.0, rng.uniform(0.0f, 360.0f));
    }
  }
  // The cells are shared out among one to three buildings.
  const std::uint32_t buildings = has_models ? rng.between(1, 3) : 0;
  std::uint32_t cells_left = buildings == 0 ? 0 : design.cells_per_landblock;
  for (std::uint32_t b = 0; b < buildings; ++b) {
    const std::uint32_t count = b + 1 == buildings ? cells_left : cells_left / (buildings - b);
    cells_left -= count;
    std::vector<Room> rooms(count);
    for (std::uint32_t r = 0; r < count; ++r) {
      Room& room = rooms[r];
      for (std::uint32_t s = rng.between(2, 5); s > 0 && design.surfaces > 0; --s) {
        room.surfaces.push_back(filler_surface_number(rng.below(design.surfaces)));
      }
      room.x = static_cast<double>(r % 5) * 6.0;
      room.y = static_cast<double>(r / 5) * 6.0;
      room.z = -static_cast<double>(r / 25) * 4.0;
      for (std::uint32_t f = rng.below(4); f > 0; --f) {
        room.furniture.push_back(
            {model(), rng.uniform(-2.0f, 2.0f), rng.uniform(-2.0f, 2.0f), 0.0, rng.uniform(0.0f, 360.0f)});
      }
      room.environment = ids::kEnvironment | rng.between(0x0100, 0x01FF);
    }
    builder.building(model(), rng.uniform(20.0f, 172.0f), rng.uniform(20.0f, 172.0f), 0.0, rng.uniform(0.0f, 360.0f),
                     rooms);
  }
  return write_landblock(builder.finish(), cell);
}

}  // namespace quillfen::sample
