// Writes the seed corpora of the harnesses (fuzz/corpus/<harness>/): small hand-made
// records, textures, LRS streams and DATs that reach every branch a valid file takes,
// plus, when a sample world is given, its small records and, if small enough, its DATs.
//
//   make_corpus OUT_DIR [PORTAL_DAT CELL_DAT LANDBLOCK_HEX]
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <bit>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/internal/dat_writer_layout.hpp"
#include "quillfen/dat/landblock.hpp"
#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/physics.hpp"
#include "quillfen/dat/utils.hpp"
#include "quillfen/dat/write/dat_writer.hpp"
#include "quillfen/dat/write/lrs_compress.hpp"

namespace {

namespace fs = std::filesystem;
namespace dat = quillfen::dat;
namespace ft = quillfen::dat::file_type;
namespace ph = quillfen::dat::physics;
using Bytes = std::vector<std::uint8_t>;

// Record selectors of records_fuzz (its first byte).
enum Selector : std::uint8_t {
  kSurface, kSurfaceTexture, kTexture, kPalette, kLandblockInfo, kEnvCell, kGfxObj, kSetupModel,
  kBspDrawing, kBspPhysics, kBspCell, kSmartVec, kPlacement, kVertexArray,
};

constexpr std::uint16_t kLandblock = 0xA9B4;
constexpr std::uint32_t kDxt1 = 0x31545844;
constexpr std::uint32_t kDxt3 = 0x33545844;
constexpr std::uint32_t kDxt5 = 0x35545844;

template <class T, class... Args>
Bytes packed(const T& record, Args... args) {
  auto bytes = dat::pack_record(record, args...);
  if (!bytes) throw std::runtime_error(bytes.error().message);
  return std::move(*bytes);
}

void save(const fs::path& dir, const std::string& name, const Bytes& bytes) {
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
}

Bytes with_prefix(std::initializer_list<std::uint8_t> prefix, const Bytes& bytes) {
  Bytes out(prefix);
  out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

dat::graphics::Frame frame(float x) { return {{x, 2.0f, 3.0f}, {1.0f, 0.0f, 0.0f, 0.0f}}; }
dat::Sphere sphere() { return {{0.0f, 0.0f, 1.0f}, 4.0f}; }

ph::BspNode leaf(ph::BspTreeKind kind, std::uint32_t index) {
  ph::BspLeaf node{.leaf_index = index};
  if (kind == ph::BspTreeKind::Physics) {
    node.physics_word = 1;
    node.bounding_sphere = sphere();
    node.poly_ids = {0, 1};
  }
  return {node};
}

// A PORT over a BPIN and a BPIn (positive child only), over leaves: every node kind.
ph::BspNode tree(ph::BspTreeKind kind) {
  const bool drawing = kind == ph::BspTreeKind::Drawing;
  const auto internal = [&](const char (&tag)[5], bool pos, bool neg) {
    ph::InternalNode node{.node_type = {tag[0], tag[1], tag[2], tag[3]}, .splitting_plane = {{0, 0, 1}, 2}};
    if (pos) node.pos_node.emplace(leaf(kind, 1));
    if (neg) node.neg_node.emplace(leaf(kind, 2));
    if (kind != ph::BspTreeKind::Cell) node.bounding_sphere = sphere();
    if (drawing) node.poly_ids = {3};
    return ph::BspNode{std::move(node)};
  };
  ph::BspPortal portal{.splitting_plane = {{1, 0, 0}, 0}, .pos_node = internal("BPIN", true, true),
                       .neg_node = internal("BPIn", true, false)};
  if (drawing) {
    portal.bounding_sphere = sphere();
    portal.poly_ids = {0, 1};
    portal.portals = {{0, 1}};
  }
  return {std::move(portal)};
}

ft::GfxObj gfx_obj(std::uint32_t id, std::vector<std::uint32_t> surfaces) {
  ft::GfxObj gfx{.id = id, .flags = 0x0B, .surfaces = std::move(surfaces)};
  dat::graphics::SWVertex vertex{.origin = {0, 0, 0}, .normal = {0, 0, 1}, .uvs = {{0.5f, 0.5f}}};
  gfx.vertex_array.vertices.insert_or_assign(0, vertex);
  gfx.vertex_array.vertices.insert_or_assign(1, vertex);
  dat::graphics::Polygon polygon{.stippling = 0, .sides_type = 2, .pos_surface = 0, .neg_surface = 1,
                                 .vertex_ids = {0, 1, 0}, .pos_uv_indices = {0, 0, 0}, .neg_uv_indices = {0, 0, 0}};
  gfx.physics_polygons.insert_or_assign(0, polygon);
  gfx.drawing_polygons.insert_or_assign(0, polygon);
  gfx.physics_bsp = tree(ph::BspTreeKind::Physics);
  gfx.drawing_bsp = tree(ph::BspTreeKind::Drawing);
  gfx.degrade_id = 0x11000001;
  return gfx;
}

ft::SetupModel setup_model(std::uint32_t id, std::vector<std::uint32_t> parts) {
  ft::SetupModel setup{.id = id, .flags = 0x03, .parts = parts};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    setup.parent_indices.push_back(static_cast<std::uint32_t>(i) - 1);
    setup.default_scales.push_back({1, 1, 1});
  }
  setup.location_table_1.insert_or_assign(1, {.part_id = 0, .frame = frame(1)});
  ft::PlacementType placement;
  placement.frames.assign(parts.size(), frame(0));
  placement.hooks = {{.hook_type = 5, .hook_param = 0, .payload = {1, 0x01, 0x00, 0}},
                     {.hook_type = 5, .hook_param = 0, .payload = {1, 0x01, 0x80, 2, 0, 0, 0, 0}},
                     {.hook_type = 3, .hook_param = 7, .payload = Bytes(28, 9)},
                     {.hook_type = 17, .hook_param = 1, .payload = {}}};
  setup.placements.insert_or_assign(0x65, placement);
  setup.cyl_spheres = {{.origin = {0, 0, 0}, .radius = 1, .height = 2}};
  setup.spheres = {sphere()};
  setup.lights.insert_or_assign(0, {.viewer_space_location = frame(0), .color = 0xFFFFFFFF});
  setup.linked_ids = {0x09000001, std::nullopt, 0x20000001, std::nullopt, 0x33000001};
  return setup;
}

// A direct-format texture: w x h pixels of `bytes_per_pixel`, filled with a gradient.
ft::Texture texture(std::uint32_t id, std::uint32_t format, std::int32_t w, std::int32_t h, std::size_t data_size,
                    std::optional<std::uint32_t> palette = std::nullopt) {
  ft::Texture t{.id = id, ._unknown = 0, .width = w, .height = h, .format_raw = format};
  for (std::size_t i = 0; i < data_size; ++i) t.source_data.push_back(static_cast<std::uint8_t>(i * 37 + 11));
  t.default_palette_id = palette;
  return t;
}

std::vector<ft::Texture> sample_textures(std::uint32_t palette_id) {
  return {texture(0x06000001, 20, 4, 4, 48),       texture(0x06000002, 21, 4, 4, 64),
          texture(0x06000003, 28, 4, 4, 16),       texture(0x06000004, 243, 4, 4, 48),
          texture(0x06000005, 244, 4, 4, 16),      texture(0x06000006, 41, 4, 4, 16, palette_id),
          texture(0x06000007, 101, 4, 2, 16, palette_id), texture(0x06000008, kDxt1, 8, 8, 32),
          texture(0x06000009, kDxt3, 8, 4, 32),    texture(0x0600000A, kDxt5, 5, 5, 64),
          texture(0x0600000B, 23, 2, 2, 8)};
}

ft::Palette palette(std::uint32_t id) {
  ft::Palette p{.id = id, .colors = {}};
  for (std::uint32_t i = 0; i < 256; ++i) p.colors.push_back(0xFF000000u | (i * 0x010305u));
  return p;
}

Bytes dat_bytes(const fs::path& scratch, const std::vector<std::pair<std::uint32_t, Bytes>>& files,
                std::uint32_t block_size, bool reverse = false) {
  const dat::write::DatWriterOptions options{.block_size = block_size};
  auto writer = reverse ? dat::write::DatWriterInternals::create_with_descending_chains(scratch, options)
                        : dat::write::DatWriter::create(scratch, options);
  if (!writer) throw std::runtime_error(writer.error().message());
  std::size_t index = 0;
  for (const auto& [id, bytes] : files) {
    if (auto r = writer->add_file(id, bytes, {.compress = index++ % 2 == 1}); !r) {
      throw std::runtime_error(r.error().message());
    }
  }
  if (auto r = writer->finish(); !r) throw std::runtime_error(r.error().message());
  std::ifstream in(scratch, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// audit_fuzz input: the landblock key, the split point, then the two DATs.
Bytes audit_input(std::uint16_t landblock, const Bytes& portal, const Bytes& cell) {
  const auto at = static_cast<std::uint32_t>(portal.size());
  Bytes out{static_cast<std::uint8_t>(landblock), static_cast<std::uint8_t>(landblock >> 8),
            static_cast<std::uint8_t>(at), static_cast<std::uint8_t>(at >> 8), static_cast<std::uint8_t>(at >> 16),
            static_cast<std::uint8_t>(at >> 24)};
  out.insert(out.end(), portal.begin(), portal.end());
  out.insert(out.end(), cell.begin(), cell.end());
  return out;
}

// A whole small world: one landblock with an object (a SetupModel of two GfxObjs), a
// building (a GfxObj) and one interior cell, using a surface of every kind.
void hand_made_world(const fs::path& out, const fs::path& scratch) {
  std::vector<std::pair<std::uint32_t, Bytes>> portal;
  const std::uint32_t palette_id = 0x04000001;
  portal.emplace_back(palette_id, packed(palette(palette_id)));
  std::vector<std::uint32_t> surfaces;
  std::uint32_t n = 0;
  for (const auto& t : sample_textures(palette_id)) {
    ++n;
    portal.emplace_back(t.id, packed(t));
    const std::uint32_t st_id = 0x05000000 | n;
    portal.emplace_back(st_id, packed(ft::SurfaceTexture{.id = st_id, .unknown_int = 0, .unknown_byte = 0,
                                                         .textures = {0x06000001, t.id}}));
    const std::uint32_t surface_id = 0x08000000 | n;
    portal.emplace_back(surface_id, packed(ft::Surface{.surface_type = n % 2 == 0 ? 0x02u : 0x14u,
                                                       .texture_refs = ft::TextureRefs{st_id, 0}}));
    surfaces.push_back(surface_id);
  }
  const std::uint32_t solid = 0x08000100;
  portal.emplace_back(solid, packed(ft::Surface{.surface_type = 0x40, .color_value = 0xFFC02010u}));
  portal.emplace_back(0x01000001, packed(gfx_obj(0x01000001, {surfaces.begin(), surfaces.begin() + 5})));
  portal.emplace_back(0x01000002, packed(gfx_obj(0x01000002, {surfaces.begin() + 5, surfaces.end()})));
  portal.emplace_back(0x01000003, packed(gfx_obj(0x01000003, {solid, 0})));
  portal.emplace_back(0x02000001, packed(setup_model(0x02000001, {0x01000001, 0x01000002})));

  dat::landblock::LandblockInfo info{.id = 0xA9B4FFFE, .num_cells = 1, .pack_mask = 1};
  info.objects = {{.id = 0x02000001, .frame = frame(5)}, {.id = 0x01000003, .frame = frame(6)}};
  info.buildings = {{.model_id = 0x01000003, .frame = frame(7), .num_leaves = 1,
                     .portals = {{.flags = 1, .other_cell_id = 0x100, .other_portal_id = 0, .stab_list = {1}}}}};
  info.restriction_tables.emplace();
  info.restriction_tables->tables.insert_or_assign(0xA9B40100, 1);
  ft::env_cell::EnvCell cell{.id = 0xA9B40100, .flags = 0x0A, .surfaces = {0x0001, 0x0100, 0x0FFF},
                             .position = frame(8), .portals = {{1, 2, 3, 4}}, .cell_refs = {0x0101},
                             .objects = {{.stab_id = 0x01000003, .position = frame(9)}}, .trailing_id = 7};
  std::vector<std::pair<std::uint32_t, Bytes>> cells = {{0xA9B40100, packed(cell)},
                                                        {0xA9B4FFFE, packed(info)}};

  const Bytes portal_dat = dat_bytes(scratch, portal, 256);
  const Bytes cell_dat = dat_bytes(scratch, cells, 128, true);
  save(out / "audit_fuzz", "hand_made_world", audit_input(kLandblock, portal_dat, cell_dat));
  save(out / "audit_fuzz", "hand_made_world_no_info", audit_input(kLandblock, portal_dat, dat_bytes(scratch, {cells[0]}, 64)));
  save(out / "dat_open_fuzz", "hand_made_portal", portal_dat);
  save(out / "dat_open_fuzz", "hand_made_cell", cell_dat);

  // A directory several levels deep: enough small files to need branch nodes.
  std::vector<std::pair<std::uint32_t, Bytes>> many;
  for (std::uint32_t i = 0; i < 200; ++i) many.emplace_back(0x01000000 + i * 7, Bytes{static_cast<std::uint8_t>(i)});
  save(out / "dat_open_fuzz", "deep_directory", dat_bytes(scratch, many, 64));
  save(out / "dat_open_fuzz", "empty_directory", dat_bytes(scratch, {}, 1024));

  // Every record of the world, and its textures in texture_fuzz's layout.
  std::vector<std::pair<std::uint32_t, Bytes>> all = portal;
  all.insert(all.end(), cells.begin(), cells.end());
  for (const auto& [id, bytes] : all) {
    const std::uint32_t type = id >> 24;
    const int selector = type == 0x01 ? kGfxObj : type == 0x02 ? kSetupModel : type == 0x04 ? kPalette
                       : type == 0x05 ? kSurfaceTexture : type == 0x06 ? kTexture : type == 0x08 ? kSurface
                       : (id & 0xFFFF) == 0xFFFE ? kLandblockInfo : kEnvCell;
    save(out / "records_fuzz", fmt::format("{:08X}", id), with_prefix({static_cast<std::uint8_t>(selector)}, bytes));
  }
  const Bytes palette_bytes = packed(palette(palette_id));
  const Bytes colours(palette_bytes.begin() + 8, palette_bytes.end());
  for (const auto& t : sample_textures(palette_id)) {
    Bytes input{0, static_cast<std::uint8_t>(colours.size()), static_cast<std::uint8_t>(colours.size() >> 8)};
    const Bytes record = packed(t);
    input.insert(input.end(), record.begin(), record.end());
    input.insert(input.end(), colours.begin(), colours.end());
    save(out / "texture_fuzz", fmt::format("format_{}", t.format_raw), input);
  }
}

void hand_made_records(const fs::path& out) {
  const auto dir = out / "records_fuzz";
  for (const auto kind : {ph::BspTreeKind::Drawing, ph::BspTreeKind::Physics, ph::BspTreeKind::Cell}) {
    const auto selector = static_cast<std::uint8_t>(kBspDrawing + static_cast<int>(kind));
    save(dir, fmt::format("bsp_{}", static_cast<int>(kind)), with_prefix({selector}, packed(tree(kind), kind)));
  }
  dat::ByteWriter smart;
  if (!dat::utils::write_smart_vec(smart, std::vector<std::uint32_t>{1, 0x3FFF, 0x4000})) {
    throw std::runtime_error("smart vector");
  }
  save(dir, "smart_vec", with_prefix({kSmartVec}, smart.take()));
  save(dir, "placement", with_prefix({kPlacement, 2}, packed(setup_model(0x02000009, {1, 2}).placements.begin()->second)));
  save(dir, "vertex_array", with_prefix({kVertexArray}, packed(gfx_obj(0x01000009, {}).vertex_array)));
  save(dir, "surface_solid", with_prefix({kSurface}, packed(ft::Surface{.surface_type = 1, .color_value = 0x80FF0000u})));
}

void hand_made_lrs(const fs::path& out) {
  const auto dir = out / "lrs_fuzz";
  save(dir, "literals", {7, 0, 0, 0, 0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g'});
  save(dir, "run", {6, 0, 0, 0, 0x40, 0x41, 0x01, 0x03});
  save(dir, "end_marker", {9, 0, 0, 0, 0x40, 0x41, 0x00, 0x00, 0x42});
  save(dir, "short", {1, 2});
  std::string text;
  for (int i = 0; i < 40; ++i) text += fmt::format("surface {} of landblock 0xA9B4; ", i % 7);
  save(dir, "text", dat::write::compress_lrs(Bytes(text.begin(), text.end())));
  Bytes noise;
  for (std::uint32_t i = 0, x = 1; i < 600; ++i) noise.push_back(static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 16));
  save(dir, "noise", dat::write::compress_lrs(noise));
}

// Small records of a generated world, at most one file of each kind per size class, and
// the DAT pair itself when it is small enough to keep in the repository.
void from_sample_world(const fs::path& out, const fs::path& portal_path, const fs::path& cell_path,
                       std::uint16_t landblock) {
  const auto portal = dat::DatDatabase::open(portal_path);
  const auto cell = dat::DatDatabase::open(cell_path);
  if (!portal || !cell) throw std::runtime_error("cannot open the sample world");
  std::map<std::pair<std::uint32_t, std::uint32_t>, int> taken;  // (type, size class) -> count
  const auto take = [&](const dat::DatDatabase& db, const dat::DatFileEntry& entry, int selector) {
    if (entry.size > 4096) return;
    const std::uint32_t size_class = std::bit_width(entry.size);
    if (taken[{static_cast<std::uint32_t>(selector), size_class}]++ > 0) return;
    const auto bytes = db.get_file(entry.id);
    if (!bytes) return;
    save(out / "records_fuzz", fmt::format("world_{:08X}", entry.id),
         with_prefix({static_cast<std::uint8_t>(selector)}, *bytes));
    if (selector != kTexture) return;
    // texture_fuzz takes the record with its palette's colours after it.
    Bytes colours;
    if (const auto texture = ft::Texture::unpack(*bytes); texture && texture->default_palette_id) {
      if (const auto palette = db.get_file(*texture->default_palette_id); palette && palette->size() > 8) {
        colours.assign(palette->begin() + 8, palette->end());
      }
    }
    Bytes input{0, static_cast<std::uint8_t>(colours.size()), static_cast<std::uint8_t>(colours.size() >> 8)};
    input.insert(input.end(), bytes->begin(), bytes->end());
    input.insert(input.end(), colours.begin(), colours.end());
    save(out / "texture_fuzz", fmt::format("world_{:08X}", entry.id), input);
  };
  for (const auto& entry : portal->files()) {
    const std::uint32_t type = entry.id >> 24;
    if (type == 0x01) take(*portal, entry, kGfxObj);
    if (type == 0x02) take(*portal, entry, kSetupModel);
    if (type == 0x04) take(*portal, entry, kPalette);
    if (type == 0x05) take(*portal, entry, kSurfaceTexture);
    if (type == 0x06) take(*portal, entry, kTexture);
    if (type == 0x08) take(*portal, entry, kSurface);
  }
  for (const auto& entry : cell->files()) {
    take(*cell, entry, (entry.id & 0xFFFF) == 0xFFFE ? kLandblockInfo : kEnvCell);
  }
  std::ifstream p(portal_path, std::ios::binary);
  std::ifstream c(cell_path, std::ios::binary);
  const Bytes portal_bytes(std::istreambuf_iterator<char>(p), {});
  const Bytes cell_bytes(std::istreambuf_iterator<char>(c), {});
  if (portal_bytes.size() + cell_bytes.size() <= 96 * 1024) {
    save(out / "audit_fuzz", "sample_world", audit_input(landblock, portal_bytes, cell_bytes));
  }
  if (cell_bytes.size() <= 32 * 1024) save(out / "dat_open_fuzz", "sample_world_cell", cell_bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 5) {
    std::fprintf(stderr, "usage: %s OUT_DIR [PORTAL_DAT CELL_DAT LANDBLOCK_HEX]\n", argv[0]);
    return 2;
  }
  try {
    const fs::path out = argv[1];
    fs::create_directories(out);
    const fs::path scratch = out / ".scratch.dat";
    hand_made_world(out, scratch);
    hand_made_records(out);
    hand_made_lrs(out);
    fs::remove(scratch);
    if (argc == 5) {
      from_sample_world(out, argv[2], argv[3], static_cast<std::uint16_t>(std::stoul(argv[4], nullptr, 16)));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_corpus: %s\n", e.what());
    return 1;
  }
  return 0;
}
