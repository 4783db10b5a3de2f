// Decoding throughput of the model records (GfxObj with both BSP trees, SetupModel with
// placements and hooks) against a baseline that only walks the same bytes with the
// record reader's u32 reads, the least any decoder of them has to do.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/pack.hpp"

namespace {

using namespace quillfen::dat;
using physics::BspTreeKind;

// The records here are built to fit their layout; one that does not is a bug of this file.
template <class Record>
std::vector<std::uint8_t> packed(const Record& record) {
  auto bytes = pack_record(record);
  if (!bytes) {
    std::fprintf(stderr, "record_decode_bench: %s\n", bytes.error().message.c_str());
    std::exit(1);
  }
  return std::move(*bytes);
}

class Values {
 public:
  explicit Values(std::uint32_t seed) : gen_(seed) {}
  std::uint32_t u32() { return static_cast<std::uint32_t>(gen_()); }
  std::uint32_t below(std::uint32_t n) { return u32() % n; }
  float f32() { return std::uniform_real_distribution<float>(-50.0f, 50.0f)(gen_); }
  Vector3 vector3() { return {f32(), f32(), f32()}; }
  Sphere sphere() { return {vector3(), f32()}; }
  Plane plane() { return {vector3(), f32()}; }
  graphics::Frame frame() { return {vector3(), {f32(), f32(), f32(), f32()}}; }

 private:
  std::mt19937 gen_;
};

// A balanced tree over polygons [first, last): leaves of up to four polygons, splitting
// nodes above them, and portal nodes near the root of a drawing tree.
physics::BspNode bsp_tree(Values& v, BspTreeKind kind, std::uint16_t first, std::uint16_t last, int depth,
                          std::uint32_t& next_leaf) {
  if (last - first <= 4) {
    physics::BspLeaf leaf;
    leaf.leaf_index = next_leaf++;
    if (kind == BspTreeKind::Physics) {
      leaf.physics_word = 1;
      leaf.bounding_sphere = v.sphere();
      for (std::uint16_t id = first; id < last; ++id) leaf.poly_ids.push_back(id);
    }
    return {std::move(leaf)};
  }
  const auto mid = static_cast<std::uint16_t>(first + (last - first) / 2);
  if (kind == BspTreeKind::Drawing && depth < 2) {
    physics::BspPortal portal;
    portal.splitting_plane = v.plane();
    portal.pos_node = bsp_tree(v, kind, first, mid, depth + 1, next_leaf);
    portal.neg_node = bsp_tree(v, kind, mid, last, depth + 1, next_leaf);
    portal.bounding_sphere = v.sphere();
    portal.poly_ids = {first, mid};
    portal.portals = {{0, first}, {1, mid}};
    return {std::move(portal)};
  }
  physics::InternalNode node;
  node.node_type = {'B', 'P', 'I', 'N'};
  node.splitting_plane = v.plane();
  node.pos_node.emplace(bsp_tree(v, kind, first, mid, depth + 1, next_leaf));
  node.neg_node.emplace(bsp_tree(v, kind, mid, last, depth + 1, next_leaf));
  node.bounding_sphere = v.sphere();
  if (kind == BspTreeKind::Drawing) node.poly_ids = {first, static_cast<std::uint16_t>(mid - 1)};
  return {std::move(node)};
}

graphics::Polygon polygon(Values& v, std::uint16_t vertex_count, bool textured) {
  graphics::Polygon p;
  const std::uint32_t points = 3 + v.below(2);
  p.stippling = textured ? 0x00 : 0x0C;
  p.sides_type = textured && v.below(8) == 0 ? graphics::kSidesTypeBoth : 0;
  p.pos_surface = static_cast<std::uint16_t>(v.below(6));
  for (std::uint32_t i = 0; i < points; ++i) {
    p.vertex_ids.push_back(static_cast<std::uint16_t>(v.below(vertex_count)));
    if (p.has_pos_uvs()) p.pos_uv_indices.push_back(0);
    if (p.has_neg_uvs()) p.neg_uv_indices.push_back(0);
  }
  return p;
}

// A mesh as a building or a large prop stores it: 400 vertices, 300 polygons per section.
std::vector<std::uint8_t> gfx_obj_bytes() {
  Values v(0x6F0);
  file_type::GfxObj obj;
  obj.id = 0x01001234;
  obj.flags = file_type::kGfxObjHasPhysics | file_type::kGfxObjHasDrawing | file_type::kGfxObjHasDegradeId;
  for (std::uint32_t i = 0; i < 6; ++i) obj.surfaces.push_back(0x08000100 + i);
  constexpr std::uint16_t kVertices = 400;
  constexpr std::uint16_t kPolygons = 300;
  for (std::uint16_t id = 0; id < kVertices; ++id) {
    graphics::SWVertex vertex{v.vector3(), v.vector3(), {{v.f32(), v.f32()}}};
    if (id % 4 == 0) vertex.uvs.push_back({v.f32(), v.f32()});
    obj.vertex_array.vertices.insert_or_assign(id, std::move(vertex));
  }
  for (std::uint16_t id = 0; id < kPolygons; ++id) obj.physics_polygons.insert_or_assign(id, polygon(v, kVertices, false));
  std::uint32_t next_leaf = 0;
  obj.physics_bsp = bsp_tree(v, BspTreeKind::Physics, 0, kPolygons, 0, next_leaf);
  obj.sort_center = v.vector3();
  for (std::uint16_t id = 0; id < kPolygons; ++id) obj.drawing_polygons.insert_or_assign(id, polygon(v, kVertices, true));
  next_leaf = 0;
  obj.drawing_bsp = bsp_tree(v, BspTreeKind::Drawing, 0, kPolygons, 0, next_leaf);
  obj.degrade_id = 0x11000042;
  return packed(obj);
}

file_type::AnimationHook hook(Values& v) {
  static constexpr std::uint32_t kTypes[] = {1, 3, 5, 7, 13, 17, 22};
  file_type::AnimationHook h{kTypes[v.below(7)], v.u32(), {}};
  if (const auto size = file_type::hook_payload_size(h.hook_type)) {
    h.payload.assign(*size, 0x5A);
  } else {
    h.payload = {1, 0x02, 0x00, 0};  // the short variable form with its alignment byte
  }
  return h;
}

// A creature's setup: 16 parts, 8 placements with a few hooks each.
std::vector<std::uint8_t> setup_model_bytes() {
  Values v(0x5E7);
  file_type::SetupModel setup;
  setup.id = 0x02000ABC;
  setup.flags = file_type::kSetupHasParentIndices | file_type::kSetupHasDefaultScales;
  constexpr std::uint32_t kParts = 16;
  for (std::uint32_t i = 0; i < kParts; ++i) {
    setup.parts.push_back(0x01000200 + i);
    setup.parent_indices.push_back(i == 0 ? 0xFFFFFFFF : i / 2);
    setup.default_scales.push_back({1.0f, 1.0f, 1.0f});
  }
  for (std::uint32_t k = 0; k < 4; ++k) setup.location_table_1.insert_or_assign(k, {v.below(kParts), v.frame()});
  for (std::uint32_t k = 0; k < 2; ++k) setup.location_table_2.insert_or_assign(k, {v.below(kParts), v.frame()});
  for (std::uint32_t key = 0x65000000; key < 0x65000008; ++key) {
    file_type::PlacementType placement;
    for (std::uint32_t i = 0; i < kParts; ++i) placement.frames.push_back(v.frame());
    for (std::uint32_t h = 0; h < 1 + v.below(4); ++h) placement.hooks.push_back(hook(v));
    setup.placements.insert_or_assign(key, std::move(placement));
  }
  setup.cyl_spheres = {{v.vector3(), 0.5f, 1.8f}};
  setup.spheres = {v.sphere(), v.sphere(), v.sphere()};
  setup.sphere_1 = v.sphere();
  setup.sphere_2 = v.sphere();
  for (std::uint32_t k = 0; k < 2; ++k) setup.lights.insert_or_assign(k, {v.frame(), 0xFFEECC, 1.0f, 5.0f, 0.5f});
  setup.linked_ids = {0x09000001, std::nullopt, 0x20000010, std::nullopt, 0x0D000002};
  return packed(setup);
}

template <class Record>
void BM_Decode(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
  for (auto _ : state) {
    Reader reader(bytes);
    auto record = Record::unpack(reader);
    if (!record) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(record);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
  state.counters["record_bytes"] = static_cast<double>(bytes.size());
}

void BM_ScalarWalk(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
  for (auto _ : state) {
    Reader reader(bytes);
    std::uint32_t sum = 0;
    while (reader.remaining() >= 4) sum += *reader.read_u32_le();
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

const std::vector<std::uint8_t> kGfxObj = gfx_obj_bytes();
const std::vector<std::uint8_t> kSetupModel = setup_model_bytes();

void BM_GfxObjDecode(benchmark::State& state) { BM_Decode<file_type::GfxObj>(state, kGfxObj); }
void BM_GfxObjScalarWalk(benchmark::State& state) { BM_ScalarWalk(state, kGfxObj); }
void BM_SetupModelDecode(benchmark::State& state) { BM_Decode<file_type::SetupModel>(state, kSetupModel); }
void BM_SetupModelScalarWalk(benchmark::State& state) { BM_ScalarWalk(state, kSetupModel); }

BENCHMARK(BM_GfxObjDecode);
BENCHMARK(BM_GfxObjScalarWalk);
BENCHMARK(BM_SetupModelDecode);
BENCHMARK(BM_SetupModelScalarWalk);

}  // namespace
