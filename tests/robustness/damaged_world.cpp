// Building the small world with the library's own write side, and reading back where its
// directory nodes and chains lie so that tests can damage exactly those bytes.
#include "robustness/damaged_world.hpp"

#include <cstring>
#include <stdexcept>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/landblock.hpp"
#include "support/dat_pair.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::testing {
namespace {

namespace ft = dat::file_type;
using namespace world_ids;

ft::Texture texture(std::uint32_t format, std::int32_t side, std::size_t data_size,
                    std::optional<std::uint32_t> palette = std::nullopt) {
  ft::Texture t;
  t.width = side;
  t.height = side;
  t.format_raw = format;
  // Paletted data holds indices into the 16-colour palette.
  const std::size_t modulus = palette ? 16 : 256;
  for (std::size_t i = 0; i < data_size; ++i) t.source_data.push_back(static_cast<std::uint8_t>((i * 29 + 3) % modulus));
  t.default_palette_id = palette;
  return t;
}

}  // namespace

void put_u32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t get_u32(const Bytes& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes.at(offset + i)) << (8 * i);
  return value;
}

DatImages build_world(const RecordPatch& patch) {
  std::vector<std::pair<std::uint32_t, Bytes>> portal;
  std::vector<std::pair<std::uint32_t, Bytes>> cell;

  ft::Palette palette;
  for (std::uint32_t i = 0; i < 16; ++i) palette.colors.push_back(0xFF000000u | i * 0x0F0F0Fu);
  portal.emplace_back(kPalette, packed(palette));
  portal.emplace_back(kDxt1Texture, packed(texture(static_cast<std::uint32_t>(ft::TextureFormat::Dxt1), 8, 32)));
  portal.emplace_back(kP8Texture, packed(texture(static_cast<std::uint32_t>(ft::TextureFormat::P8), 4, 16, kPalette)));
  portal.emplace_back(kRgbTexture, packed(texture(static_cast<std::uint32_t>(ft::TextureFormat::R8G8B8), 4, 48)));
  std::vector<std::uint32_t> surfaces;
  const std::uint32_t textures[] = {kDxt1Texture, kP8Texture, kRgbTexture};
  for (std::uint32_t i = 0; i < 3; ++i) {
    ft::SurfaceTexture st;
    st.textures = {kRgbTexture, textures[i]};
    portal.emplace_back(kSurfaceTexture + i, packed(st));
    ft::Surface surface;
    surface.surface_type = 0x02;
    surface.texture_refs = ft::TextureRefs{kSurfaceTexture + i, 0};
    portal.emplace_back(0x08000001 + i, packed(surface));
    surfaces.push_back(0x08000001 + i);
  }
  ft::Surface solid;
  solid.surface_type = 0x40;
  solid.color_value = 0xFFC03020u;
  portal.emplace_back(0x08000100, packed(solid));
  surfaces.push_back(0x08000100);

  ft::GfxObj gfx;
  gfx.flags = 0x02;
  gfx.surfaces = surfaces;
  gfx.drawing_bsp = dat::physics::BspNode{dat::physics::BspLeaf{}};
  portal.emplace_back(kGfxObj, packed(gfx));
  ft::SetupModel setup;
  setup.parts = {kGfxObj, kGfxObj};
  portal.emplace_back(kSetup, packed(setup));
  // Filler, so that the portal directory needs branch nodes.
  for (std::uint32_t i = 0; i < 150; ++i) portal.emplace_back(0x0E000000 + i, Bytes{static_cast<std::uint8_t>(i)});

  dat::landblock::LandblockInfo info;
  info.objects = {{.id = kSetup, .frame = {}}, {.id = kGfxObj, .frame = {}}};
  dat::landblock::PortalInternal doorway;
  doorway.stab_list = {1};
  info.buildings = {{.model_id = kGfxObj, .frame = {}, .num_leaves = 0, .portals = {doorway}}};
  cell.emplace_back(kLandblockInfo, packed(info));
  ft::env_cell::EnvCell env;
  env.flags = 0x02;
  env.surfaces = {0x0100, 0x0001};
  env.objects = {{.stab_id = kSetup, .position = {}}};
  cell.emplace_back(kEnvCell, packed(env));

  DatPair pair;
  for (auto& [id, bytes] : portal) {
    if (patch) patch(id, bytes);
    pair.portal_raw(id, bytes);
  }
  for (auto& [id, bytes] : cell) {
    if (patch) patch(id, bytes);
    pair.cell_raw(id, bytes);
  }
  TempDir dir;
  pair.write(dir / "portal.dat", dir / "cell.dat");
  return {read_file_bytes(dir / "portal.dat"), read_file_bytes(dir / "cell.dat")};
}

void flip_bits(Bytes& bytes, std::mt19937& rng, int count) {
  if (bytes.empty()) return;
  std::uniform_int_distribution<std::size_t> at(0, bytes.size() - 1);
  std::uniform_int_distribution<int> bit(0, 7);
  for (int i = 0; i < count; ++i) bytes[at(rng)] ^= static_cast<std::uint8_t>(1u << bit(rng));
}

namespace {

// The DatDatabase of an image, through a file, for the offsets that damage needs.
dat::DatDatabase open_image(const Bytes& image, const TempDir& dir) {
  write_file_bytes(dir / "image.dat", image);
  auto db = dat::DatDatabase::open(dir / "image.dat");
  if (!db) throw std::runtime_error("the undamaged image does not open: " + db.error().message());
  return std::move(*db);
}

void collect_nodes(const dat::DatDatabase& db, std::uint32_t offset, std::vector<std::uint32_t>& out) {
  if (offset == 0) return;
  out.push_back(offset);
  const auto node = db.read_file_data(offset, dat::kNodeSize);
  if (!node) throw std::runtime_error("unreadable node");
  const std::uint32_t first = get_u32(*node, 0);
  if (first == 0) return;
  const std::uint32_t count = get_u32(*node, dat::kBranchSlots * 4);
  for (std::uint32_t s = 0; s <= count && s < dat::kBranchSlots; ++s) collect_nodes(db, get_u32(*node, 4 * s), out);
}

}  // namespace

std::vector<std::uint32_t> directory_nodes(const Bytes& image) {
  TempDir dir;
  const auto db = open_image(image, dir);
  std::vector<std::uint32_t> nodes;
  collect_nodes(db, db.header().root_offset, nodes);
  return nodes;
}

std::vector<std::uint32_t> file_chains(const Bytes& image) {
  TempDir dir;
  const auto db = open_image(image, dir);
  std::vector<std::uint32_t> chains;
  for (const auto& entry : db.files()) {
    if (entry.size != 0) chains.push_back(entry.offset);
  }
  return chains;
}

}  // namespace quillfen::testing

namespace quillfen::testing {

std::size_t chain_byte_offset(const Bytes& image, std::uint32_t chain, std::size_t k) {
  const std::size_t payload = get_u32(image, kBlockSizeField) - 4;
  std::uint32_t block = chain;
  while (k >= payload) {
    const std::uint32_t next = get_u32(image, block);
    if (next == 0) break;
    block = next;
    k -= payload;
  }
  return block + 4 + k;
}

}  // namespace quillfen::testing
