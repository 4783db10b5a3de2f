// The audit benchmark worlds. Textures are the sample world's procedural materials in
// DXT1/3/5, P8 and Index16 from 64 to 512 pixels; everything else is filler that only
// makes the directories as large as real ones.
#include "support/audit_world.hpp"

#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/landblock.hpp"
#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/write/dat_writer.hpp"
#include "quillfen/dat/write/texture_encode.hpp"
#include "sample-world/materials.hpp"
#include "support/bench_dats.hpp"

namespace quillfen::bench {
namespace {

namespace ft = dat::file_type;
using dat::write::DatWriter;

template <class Record>
std::vector<std::uint8_t> pack(const Record& record) {
  auto bytes = dat::pack_record(record);
  if (!bytes) throw std::runtime_error(bytes.error().message);
  return std::move(*bytes);
}

void check(const std::expected<void, dat::DatError>& result) {
  if (!result) throw std::runtime_error(result.error().message());
}

constexpr std::uint32_t kSizes[] = {64, 128, 256, 512};
constexpr ft::TextureFormat kFormats[] = {ft::TextureFormat::Dxt1, ft::TextureFormat::Dxt5, ft::TextureFormat::P8,
                                          ft::TextureFormat::Dxt3, ft::TextureFormat::Index16};

void write_portal(const std::filesystem::path& path, const AuditWorldShape& shape) {
  auto writer = DatWriter::create(path, {.block_size = 1024});
  if (!writer) throw std::runtime_error(writer.error().message());
  // Files go in id order by kind; DatWriter sorts the directory itself.
  std::map<std::pair<std::size_t, std::uint32_t>, dat::write::EncodedTexture> encoded;
  for (std::uint32_t s = 0; s < shape.surfaces; ++s) {
    const auto material = sample::kAllMaterials[s % sample::kAllMaterials.size()];
    const std::uint32_t size = kSizes[s % 4];
    const auto format = kFormats[s % 5];
    const auto key = std::pair{static_cast<std::size_t>(s % 55), size};
    if (!encoded.contains(key)) {
      const auto image = sample::make_material(material, size, 7 + s % 55);
      if (!image) throw std::runtime_error(image.error());
      auto texture = dat::write::encode_texture(*image, format);
      if (!texture) throw std::runtime_error(texture.error().message);
      encoded.emplace(key, std::move(*texture));
    }
    const auto& texture = encoded.at(key);
    ft::Surface surface;
    surface.surface_type = 0x02 | sample::material_surface_flags(material);
    surface.texture_refs = ft::TextureRefs{0x05000000 + s, 0};
    check(writer->add_file(0x08000000 + s, pack(surface)));
    ft::SurfaceTexture surface_texture;
    surface_texture.textures = {0x06000000 + s};
    check(writer->add_file(0x05000000 + s, pack(surface_texture)));
    check(writer->add_file(0x06000000 + s, pack(dat::write::texture_record(texture, 0x06000000 + s, 0x04000000 + s))));
    if (!texture.palette.empty()) {
      check(writer->add_file(0x04000000 + s, pack(dat::write::palette_record(texture, 0x04000000 + s))));
    }
  }
  // Fifty GfxObjs share the surfaces out between them.
  for (std::uint32_t g = 0; g < 50; ++g) {
    ft::GfxObj gfx;
    for (std::uint32_t s = g; s < shape.surfaces; s += 50) gfx.surfaces.push_back(0x08000000 + s);
    check(writer->add_file(0x01000000 + g, pack(gfx)));
  }
  std::vector<std::uint8_t> filler(3000);
  for (std::uint32_t i = 0; i < shape.portal_filler; ++i) {
    for (std::size_t b = 0; b < filler.size(); ++b) filler[b] = static_cast<std::uint8_t>((i * 131 + b * 7) >> 3);
    check(writer->add_file(0x01100000 + i, filler, {.compress = i % 20 == 0}));
  }
  check(writer->finish());
}

void write_cell(const std::filesystem::path& path, const AuditWorldShape& shape, std::uint16_t landblock) {
  auto writer = DatWriter::create(path, {.block_size = 256});
  if (!writer) throw std::runtime_error(writer.error().message());
  const std::uint32_t base = static_cast<std::uint32_t>(landblock) << 16;
  dat::landblock::LandblockInfo info;
  for (std::uint32_t p = 0; p < shape.placements; ++p) info.objects.push_back({.id = 0x01000000 + p % 50, .frame = {}});
  check(writer->add_file(base | 0xFFFE, pack(info)));
  for (std::uint32_t c = 0; c < 20; ++c) {
    ft::env_cell::EnvCell cell;
    for (std::uint32_t s = c; s < shape.surfaces && cell.surfaces.size() < 255; s += 20) {
      cell.surfaces.push_back(static_cast<std::uint16_t>(s));
    }
    check(writer->add_file(base | (0x0100 + c), pack(cell)));
  }
  const auto filler = pack(ft::env_cell::EnvCell{});
  for (std::uint32_t i = 0; i < shape.cell_filler; ++i) {
    const std::uint32_t other = i / 40 + (i / 40 >= landblock ? 1u : 0u);  // every landblock but ours
    check(writer->add_file((other << 16) | (0x0100 + i % 40), filler));
  }
  check(writer->finish());
}

}  // namespace

AuditWorld audit_world(const AuditWorldShape& shape) {
  const auto dir = bench_data_dir() / fmt::format("audit-{}-{}-{}-{}", shape.surfaces, shape.placements,
                                                  shape.portal_filler, shape.cell_filler);
  AuditWorld world{dir / "client_portal.dat", dir / "client_cell_1.dat", 0x1234};
  if (std::filesystem::exists(dir / "complete")) return world;
  std::filesystem::create_directories(dir);
  write_portal(world.portal, shape);
  write_cell(world.cell, shape, world.landblock);
  if (std::FILE* done = std::fopen((dir / "complete").c_str(), "w")) std::fclose(done);
  return world;
}

}  // namespace quillfen::bench
