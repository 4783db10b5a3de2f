// GfxObj: the section flags, the vertex array, the polygon maps, both BSP trees, and the
// rule that the record decodes whole or not at all.
#include "quillfen/dat/file_type/gfx_obj.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "dat/model_test_support.hpp"
#include "quillfen/dat/utils.hpp"

namespace quillfen::dat::file_type {
namespace {

using physics::BspTreeKind;
using testing::packed;
using testing::prefix;
using testing::value_at;

// Writes a GfxObj field by field; each call is one row of the record's layout.
struct GfxObjBytes : testing::FieldBytes<GfxObjBytes> {
  GfxObjBytes& header(std::uint32_t flags, std::uint32_t id = 0x01000042) {
    w.write_u32_le(id);
    w.write_u32_le(flags);
    return *this;
  }
  GfxObjBytes& surfaces(std::vector<std::uint32_t> ids) {
    EXPECT_TRUE(utils::write_smart_vec(w, ids));
    return *this;
  }
  GfxObjBytes& vertex_array(std::uint32_t type, std::uint32_t count) {
    w.write_u32_le(type);
    w.write_u32_le(count);
    return *this;
  }
  // A vertex without UVs.
  GfxObjBytes& vertex(std::uint16_t id, float x) {
    w.write_u16_le(id);
    w.write_u16_le(0);
    Vector3{x, 0.0f, 0.0f}.pack(w);
    Vector3{0.0f, 1.0f, 0.0f}.pack(w);
    return *this;
  }
  GfxObjBytes& polygon_count(std::uint32_t n) {
    EXPECT_TRUE(utils::write_compressed_u32(w, n));
    return *this;
  }
  // A triangle with positive UVs only.
  GfxObjBytes& polygon(std::uint16_t id, std::uint16_t surface) {
    w.write_u16_le(id);
    w.write_u8(3);
    w.write_u8(0);
    w.write_u32_le(0);
    w.write_u16_le(surface);
    w.write_u16_le(0);
    for (const int v : {0, 1, 2}) w.write_u16_le(static_cast<std::uint16_t>(v));
    w.write_bytes(std::vector<std::uint8_t>{0, 1, 2});
    return *this;
  }
  GfxObjBytes& leaf(BspTreeKind kind, std::uint32_t index) {
    const physics::BspNode node{physics::BspLeaf{
        .leaf_index = index,
        .physics_word = 0,
        .bounding_sphere = kind == BspTreeKind::Physics ? std::optional<Sphere>(Sphere{}) : std::nullopt,
        .poly_ids = {}}};
    EXPECT_TRUE(node.pack(w, kind));
    return *this;
  }
  GfxObjBytes& sort_center(float x) {
    Vector3{x, 0.0f, 0.0f}.pack(w);
    return *this;
  }
};

ReadResult<GfxObj> decode(const std::vector<std::uint8_t>& bytes, std::size_t* position = nullptr) {
  Reader reader(bytes);
  auto obj = GfxObj::unpack(reader);
  if (position != nullptr) *position = reader.position();
  return obj;
}

// Both sections, a degrade id and two vertices: every part of the layout once.
std::vector<std::uint8_t> full_record() {
  GfxObjBytes b;
  b.header(0x0B).surfaces({0x08000010, 0x08000011}).vertex_array(1, 2).vertex(0, 1.0f).vertex(1, 2.0f);
  b.polygon_count(1).polygon(4, 0).leaf(BspTreeKind::Physics, 5);
  b.sort_center(9.0f);
  b.polygon_count(2).polygon(0, 1).polygon(1, 0);
  b.w.write_u32_le(physics::tag_value({'B', 'P', 'n', 'N'}));
  Plane{}.pack(b.w);
  b.leaf(BspTreeKind::Drawing, 6).leaf(BspTreeKind::Drawing, 7);
  Sphere{}.pack(b.w);
  b.u32(2);
  b.w.write_u16_le(0);
  b.w.write_u16_le(1);
  b.u32(0x01000099);
  return b.w.take();
}

TEST(GfxObj, SmallestRecordIs29Bytes) {
  GfxObjBytes b;
  b.header(0).surfaces({}).vertex_array(1, 0).sort_center(0.5f);
  ASSERT_EQ(b.w.size(), 29u);
  std::size_t position = 0;
  const auto obj = decode(b.w.bytes(), &position);
  ASSERT_TRUE(obj.has_value()) << obj.error().message();
  EXPECT_EQ(position, 29u);
  EXPECT_EQ(obj->id, 0x01000042u);
  EXPECT_TRUE(obj->surfaces.empty());
  EXPECT_TRUE(obj->physics_polygons.empty());
  EXPECT_TRUE(obj->drawing_polygons.empty());
  EXPECT_FALSE(obj->physics_bsp.has_value());
  EXPECT_FALSE(obj->drawing_bsp.has_value());
  EXPECT_FALSE(obj->degrade_id.has_value());
  EXPECT_EQ(obj->sort_center, (Vector3{0.5f, 0.0f, 0.0f}));
}

TEST(GfxObj, FullRecordDecodesEverySection) {
  const auto bytes = full_record();
  std::size_t position = 0;
  const auto obj = decode(bytes, &position);
  ASSERT_TRUE(obj.has_value()) << obj.error().message();
  EXPECT_EQ(position, bytes.size());
  EXPECT_EQ(obj->surfaces, (std::vector<std::uint32_t>{0x08000010, 0x08000011}));
  EXPECT_EQ(obj->vertex_array.vertices.size(), 2u);
  EXPECT_EQ(value_at(obj->vertex_array.vertices, 1).origin.x, 2.0f);
  ASSERT_EQ(obj->physics_polygons.size(), 1u);
  EXPECT_EQ(value_at(obj->physics_polygons, 4).vertex_ids, (std::vector<std::uint16_t>{0, 1, 2}));
  ASSERT_TRUE(obj->physics_bsp.has_value());
  EXPECT_EQ(std::get<physics::BspLeaf>(obj->physics_bsp->value).leaf_index, 5u);
  EXPECT_EQ(obj->sort_center.x, 9.0f);
  EXPECT_EQ(obj->drawing_polygons.size(), 2u);
  EXPECT_EQ(value_at(obj->drawing_polygons, 0).pos_surface, 1u);
  ASSERT_TRUE(obj->drawing_bsp.has_value());
  const auto& root = std::get<physics::InternalNode>(obj->drawing_bsp->value);
  EXPECT_EQ(root.poly_ids, (std::vector<std::uint16_t>{0, 1}));
  EXPECT_EQ(obj->degrade_id, 0x01000099u);
  EXPECT_EQ(packed(*obj), bytes);
}

// A record of this system is all or nothing: no prefix of a whole record decodes, so a
// caller never takes surfaces from a mesh whose later sections are cut.
TEST(GfxObj, EveryTruncationFails) {
  const auto bytes = full_record();
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const auto obj = decode(prefix(bytes, n));
    ASSERT_FALSE(obj.has_value()) << "cut at " << n;
    EXPECT_TRUE(obj.error().is_eof());
  }
}

struct FlagCase {
  const char* name;
  std::uint32_t flags;
  std::function<void(GfxObjBytes&)> sections;  // after the vertex array
  bool physics;
  bool drawing;
  std::optional<std::uint32_t> degrade_id;
};

class GfxObjFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(GfxObjFlags, BringTheirSections) {
  const auto& c = GetParam();
  GfxObjBytes b;
  b.header(c.flags).surfaces({7}).vertex_array(1, 0);
  c.sections(b);
  const std::size_t size = b.w.size();
  b.u32(0xFEEDFACE);  // ignored trailing bytes
  std::size_t position = 0;
  const auto obj = decode(b.w.bytes(), &position);
  ASSERT_TRUE(obj.has_value()) << obj.error().message();
  EXPECT_EQ(position, size);
  EXPECT_EQ(obj->flags, c.flags);
  EXPECT_EQ(obj->physics_bsp.has_value(), c.physics);
  EXPECT_EQ(obj->drawing_bsp.has_value(), c.drawing);
  EXPECT_EQ(obj->degrade_id, c.degrade_id);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, GfxObjFlags,
    ::testing::Values(
        FlagCase{"none", 0, [](GfxObjBytes& b) { b.sort_center(1.0f); }, false, false, std::nullopt},
        FlagCase{"bit_4_has_no_effect", 0x04, [](GfxObjBytes& b) { b.sort_center(1.0f); }, false, false,
                 std::nullopt},
        FlagCase{"degrade_id_after_sort_center", 0x08, [](GfxObjBytes& b) { b.sort_center(1.0f).u32(0x0100AAAA); },
                 false, false, 0x0100AAAAu},
        FlagCase{"physics", 0x01,
                 [](GfxObjBytes& b) { b.polygon_count(0).leaf(BspTreeKind::Physics, 1).sort_center(1.0f); }, true,
                 false, std::nullopt},
        FlagCase{"drawing", 0x02,
                 [](GfxObjBytes& b) { b.sort_center(1.0f).polygon_count(0).leaf(BspTreeKind::Drawing, 1); }, false,
                 true, std::nullopt},
        FlagCase{"all_with_other_bits", 0xFFFFFFFF,
                 [](GfxObjBytes& b) {
                   b.polygon_count(0).leaf(BspTreeKind::Physics, 1).sort_center(1.0f);
                   b.polygon_count(0).leaf(BspTreeKind::Drawing, 2).u32(3);
                 },
                 true, true, 3u}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(GfxObj, OtherVertexTypeSkipsStraightToTheNextField) {
  GfxObjBytes b;
  b.header(0).surfaces({}).vertex_array(2, 5).sort_center(4.0f);
  const auto obj = decode(b.w.bytes());
  ASSERT_TRUE(obj.has_value()) << obj.error().message();
  EXPECT_EQ(obj->vertex_array.vertex_type, 2u);
  EXPECT_TRUE(obj->vertex_array.vertices.empty());
  EXPECT_EQ(obj->sort_center.x, 4.0f);
}

TEST(GfxObj, RepeatedPolygonIdKeepsTheLast) {
  GfxObjBytes b;
  b.header(0x02).surfaces({}).vertex_array(1, 0).sort_center(0.0f);
  b.polygon_count(2).polygon(3, 100).polygon(3, 200).leaf(BspTreeKind::Drawing, 0);
  const auto obj = decode(b.w.bytes());
  ASSERT_TRUE(obj.has_value()) << obj.error().message();
  ASSERT_EQ(obj->drawing_polygons.size(), 1u);
  EXPECT_EQ(value_at(obj->drawing_polygons, 3).pos_surface, 200u);
}

struct HostileCase {
  const char* name;
  std::function<void(GfxObjBytes&)> build;
};

class GfxObjHostileCounts : public ::testing::TestWithParam<HostileCase> {};

// Counts far beyond the data fail at its end, without reserving for them.
TEST_P(GfxObjHostileCounts, FailAtTheEndOfTheData) {
  GfxObjBytes b;
  GetParam().build(b);
  const auto obj = decode(b.w.bytes());
  ASSERT_FALSE(obj.has_value());
  EXPECT_TRUE(obj.error().is_eof());
}

INSTANTIATE_TEST_SUITE_P(
    Counts, GfxObjHostileCounts,
    ::testing::Values(
        HostileCase{"surfaces",
                    [](GfxObjBytes& b) {
                      b.header(0);
                      EXPECT_TRUE(utils::write_compressed_u32(b.w, utils::kMaxCompressedU32));
                      b.u32(1);
                    }},
        HostileCase{"vertices", [](GfxObjBytes& b) { b.header(0).surfaces({}).vertex_array(1, 0xFFFFFFFF); }},
        HostileCase{"polygons",
                    [](GfxObjBytes& b) {
                      b.header(1).surfaces({}).vertex_array(1, 0).polygon_count(utils::kMaxCompressedU32);
                      b.polygon(0, 0);
                    }},
        HostileCase{"tree_polygon_ids",
                    [](GfxObjBytes& b) {
                      b.header(1).surfaces({}).vertex_array(1, 0).polygon_count(0);
                      b.w.write_u32_le(physics::kTagLeaf);
                      b.u32(0).u32(0);
                      Sphere{}.pack(b.w);
                      b.u32(0xFFFFFFFF);
                    }}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(GfxObj, BspDepthErrorRejectsTheRecord) {
  GfxObjBytes b;
  b.header(0x02).surfaces({0x08000001}).vertex_array(1, 0).sort_center(0.0f).polygon_count(0);
  const std::size_t tree_start = b.w.size();
  for (std::size_t i = 0; i <= physics::kMaxBspDepth; ++i) {
    b.w.write_u32_le(physics::tag_value({'B', 'p', 'I', 'N'}));
    Plane{}.pack(b.w);
  }
  const auto obj = decode(b.w.bytes());
  ASSERT_FALSE(obj.has_value());
  const auto* custom = std::get_if<CustomError>(&obj.error().cause());
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->position, tree_start + physics::kMaxBspDepth * 20);
}

TEST(GfxObjRoundTrip, RandomRecords) {
  testing::RecordRng rng(0x6F0B);
  for (int i = 0; i < 300; ++i) {
    GfxObj obj;
    obj.id = rng.u32();
    obj.flags = rng.u32() & ~(kGfxObjHasPhysics | kGfxObjHasDrawing | kGfxObjHasDegradeId);
    if (rng.chance(0.7)) obj.flags |= kGfxObjHasPhysics;
    if (rng.chance(0.7)) obj.flags |= kGfxObjHasDrawing;
    if (rng.chance(0.5)) obj.flags |= kGfxObjHasDegradeId;
    obj.surfaces = rng.list<std::uint32_t>(6, [&] { return rng.u32(); });
    obj.vertex_array.vertex_type = rng.chance(0.9) ? 1 : rng.u32() | 2;
    const std::uint32_t vertices = obj.vertex_array.vertex_type == 1 ? rng.between(0, 12) : 0;
    for (std::uint32_t k = 0; k < vertices; ++k) obj.vertex_array.vertices.insert_or_assign(rng.u16(), rng.vertex());
    if ((obj.flags & kGfxObjHasPhysics) != 0) {
      const std::uint32_t polygons = rng.between(0, 10);
      for (std::uint32_t k = 0; k < polygons; ++k) obj.physics_polygons.insert_or_assign(rng.u16(), rng.polygon());
      obj.physics_bsp = rng.bsp_node(BspTreeKind::Physics, 6);
    }
    obj.sort_center = rng.vector3();
    if ((obj.flags & kGfxObjHasDrawing) != 0) {
      const std::uint32_t polygons = rng.between(0, 10);
      for (std::uint32_t k = 0; k < polygons; ++k) obj.drawing_polygons.insert_or_assign(rng.u16(), rng.polygon());
      obj.drawing_bsp = rng.bsp_node(BspTreeKind::Drawing, 6);
    }
    if ((obj.flags & kGfxObjHasDegradeId) != 0) obj.degrade_id = rng.u32();

    const auto bytes = packed(obj);
    std::size_t position = 0;
    const auto back = decode(bytes, &position);
    ASSERT_TRUE(back.has_value()) << back.error().message();
    EXPECT_EQ(*back, obj);
    EXPECT_EQ(position, bytes.size());
  }
}

}  // namespace
}  // namespace quillfen::dat::file_type
