// Writing the crafted DAT pairs: CraftedDat for the DAT that is crafted, the small world's
// own image for the other.
#include "robustness/crafted_worlds.hpp"

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "robustness/crafted_dat.hpp"
#include "support/packed.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::testing {
namespace {

namespace fs = std::filesystem;
namespace ft = dat::file_type;
using namespace world_ids;

Bytes solid_surface(std::uint32_t argb) {
  ft::Surface surface;
  surface.color_value = argb;
  return packed(surface);
}

void write_small_cell(const fs::path& dir) { write_file_bytes(dir / "cell.dat", small_world().cell); }

}  // namespace

const DatImages& small_world() {
  static const DatImages images = build_world();
  return images;
}

Bytes gfx_obj_listing(std::vector<std::uint32_t> surfaces) {
  ft::GfxObj gfx;
  gfx.flags = 0x02;  // a drawing tree, written as a leaf since the record holds none
  gfx.surfaces = std::move(surfaces);
  return packed(gfx);
}

void write_landblock_info_of_two_gib(const fs::path& dir) {
  write_file_bytes(dir / "portal.dat", small_world().portal);
  write_file_bytes(dir / "small-cell.dat", small_world().cell);
  const auto small_cell = dat::DatDatabase::open(dir / "small-cell.dat");
  fs::remove(dir / "small-cell.dat");
  CraftedDat cell(256);
  cell.add_file(kEnvCell, *small_cell->get_file(kEnvCell));
  constexpr std::uint32_t kSize = 0x7FF00000;
  const std::uint32_t chain = cell.reserve(4);
  cell.add_entry(kLandblockInfo, chain, kSize);
  cell.write(dir / "cell.dat", std::uint64_t{chain} + 4 + kSize);
}

void write_surface_declaring_four_gib(const fs::path& dir) {
  write_small_cell(dir);
  CraftedDat portal(1024);
  portal.add_file(kGfxObj, gfx_obj_listing({0x08000001, 0x08000002}));
  portal.add_file(0x08000001, solid_surface(0xFF336699));
  constexpr std::uint32_t kStored = 256 << 20;
  const std::uint32_t chain = portal.reserve(8);
  portal.put_u32(chain + 4, 0xFFFFFFFF);  // the declared size; the rest reads as zeros
  portal.add_entry(0x08000002, chain, kStored, true);
  portal.write(dir / "portal.dat", std::uint64_t{chain} + 4 + kStored);
}

std::vector<std::uint32_t> shared_surface_ids() {
  std::vector<std::uint32_t> ids;
  for (std::uint32_t i = 0; i < kSharedSurfaces; ++i) ids.push_back(0x08000000 + i);
  return ids;
}

void write_surfaces_sharing_one_chain(const fs::path& dir) {
  write_small_cell(dir);
  CraftedDat portal(1024);
  portal.add_file(kGfxObj, gfx_obj_listing(shared_surface_ids()));
  const Bytes stream = zeros_stream(kSharedOutput);
  const std::uint32_t chain = portal.add_chain(stream);
  for (const std::uint32_t id : shared_surface_ids()) {
    portal.add_entry(id, chain, static_cast<std::uint32_t>(stream.size()), true);
  }
  portal.write(dir / "portal.dat");
}

void write_looping_four_byte_blocks(const fs::path& dir) {
  write_small_cell(dir);
  CraftedDat portal(4);
  portal.add_file(kGfxObj, gfx_obj_listing({0x08000001, 0x08000002, 0x08000003, 0x08000100}));
  portal.add_file(0x08000100, solid_surface(0xFF102030));
  const std::uint32_t loop = portal.reserve(8);
  portal.put_u32(loop, loop + 4);
  portal.put_u32(loop + 4, loop);
  for (const std::uint32_t id : {0x08000001u, 0x08000002u, 0x08000003u}) portal.add_entry(id, loop, 64);
  portal.write(dir / "portal.dat", std::uint64_t{1} << 30);
}

}  // namespace quillfen::testing
