// Frame, the vertex array with its vertices and UVs, and polygons: layouts, the flag
// rules of the UV lists, error frames and round trips.
#include "quillfen/dat/graphics.hpp"

#include <gtest/gtest.h>

#include "dat/model_test_support.hpp"

namespace quillfen::dat::graphics {
namespace {

using testing::field;
using testing::frame_texts;
using testing::packed;
using testing::prefix;
using testing::value_at;
using Texts = std::vector<std::string>;

void write_vector3(ByteWriter& w, float x, float y, float z) {
  w.write_f32_le(x);
  w.write_f32_le(y);
  w.write_f32_le(z);
}

// num_uvs 2, origin (1,2,3), normal (0,0,1), uvs (0.25,0.5) and (0.75,1): 42 bytes.
std::vector<std::uint8_t> two_uv_vertex() {
  ByteWriter w;
  w.write_u16_le(2);
  write_vector3(w, 1.0f, 2.0f, 3.0f);
  write_vector3(w, 0.0f, 0.0f, 1.0f);
  w.write_f32_le(0.25f);
  w.write_f32_le(0.5f);
  w.write_f32_le(0.75f);
  w.write_f32_le(1.0f);
  return w.take();
}

TEST(Frame, MissingQuaternionComponentCarriesBothFrames) {
  ByteWriter w;
  write_vector3(w, 1.0f, 2.0f, 3.0f);
  w.write_f32_le(1.0f);
  w.write_f32_le(0.0f);
  w.write_f32_le(0.0f);
  Reader reader(w.bytes());
  const auto frame = Frame::read(reader);
  ASSERT_FALSE(frame.has_value());
  EXPECT_TRUE(frame.error().is_eof());
  EXPECT_EQ(frame_texts(frame.error()), (Texts{field("z", "Quaternion"), field("orientation", "Frame")}));
}

TEST(SWVertex, ReadsFieldsInOrder) {
  const auto bytes = two_uv_vertex();
  Reader reader(bytes);
  const auto vertex = SWVertex::read(reader);
  ASSERT_TRUE(vertex.has_value()) << vertex.error().message();
  EXPECT_EQ(vertex->origin, (Vector3{1.0f, 2.0f, 3.0f}));
  EXPECT_EQ(vertex->normal, (Vector3{0.0f, 0.0f, 1.0f}));
  EXPECT_EQ(vertex->uvs, (std::vector<Vec2Duv>{{0.25f, 0.5f}, {0.75f, 1.0f}}));
  EXPECT_EQ(reader.position(), 42u);
}

struct CutCase {
  std::size_t length;
  Texts frames;
};

class SWVertexCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(SWVertexCut, NamesTheFailingField) {
  const auto bytes = prefix(two_uv_vertex(), GetParam().length);
  Reader reader(bytes);
  const auto vertex = SWVertex::read(reader);
  ASSERT_FALSE(vertex.has_value());
  EXPECT_EQ(vertex.error().cause_message(), "failed to fill whole buffer");
  EXPECT_EQ(frame_texts(vertex.error()), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, SWVertexCut,
    ::testing::Values(CutCase{1, {field("num_uvs", "SWVertex")}},
                      CutCase{6, {field("y", "Vector3"), field("origin", "SWVertex")}},
                      CutCase{24, {field("z", "Vector3"), field("normal", "SWVertex")}},
                      CutCase{30, {field("v", "Vec2Duv"), field("uvs", "SWVertex")}},
                      CutCase{34, {field("u", "Vec2Duv"), field("uvs", "SWVertex")}}));

TEST(CVertexArray, TypeOneReadsVerticesAndARepeatedIdKeepsTheLast) {
  ByteWriter w;
  w.write_u32_le(1);
  w.write_u32_le(3);
  for (const int id : {7, 2, 7}) {
    w.write_u16_le(static_cast<std::uint16_t>(id));
    w.write_u16_le(0);
    write_vector3(w, static_cast<float>(w.size()), 0.0f, 0.0f);  // tells the entries apart
    write_vector3(w, 0.0f, 0.0f, 0.0f);
  }
  w.write_u8(0xEE);  // the next field
  Reader reader(w.bytes());
  const auto array = CVertexArray::read(reader);
  ASSERT_TRUE(array.has_value()) << array.error().message();
  EXPECT_EQ(reader.position(), 8u + 3 * 28);
  ASSERT_EQ(array->vertices.size(), 2u);
  // The third entry starts at 8 + 56, its origin x was written at offset 8 + 56 + 4.
  EXPECT_EQ(value_at(array->vertices, 7).origin.x, static_cast<float>(8 + 56 + 4));
  EXPECT_EQ(value_at(array->vertices, 2).origin.x, static_cast<float>(8 + 28 + 4));
}

TEST(CVertexArray, OtherTypeIgnoresItsCount) {
  ByteWriter w;
  w.write_u32_le(2);
  w.write_u32_le(5);
  w.write_u32_le(0xDEADBEEF);
  Reader reader(w.bytes());
  const auto array = CVertexArray::read(reader);
  ASSERT_TRUE(array.has_value());
  EXPECT_EQ(array->vertex_type, 2u);
  EXPECT_TRUE(array->vertices.empty());
  EXPECT_EQ(reader.position(), 8u);
}

TEST(CVertexArray, ErrorsCarryOnlyTheVertexFrames) {
  ByteWriter w;
  w.write_u32_le(1);
  w.write_u32_le(2);
  w.write_u16_le(0);
  w.write_bytes(two_uv_vertex());
  w.write_u8(1);  // half of the second vertex id
  Reader reader(w.bytes());
  const auto cut_in_id = CVertexArray::read(reader);
  ASSERT_FALSE(cut_in_id.has_value());
  EXPECT_TRUE(cut_in_id.error().is_eof());
  EXPECT_TRUE(cut_in_id.error().frames().empty());

  const auto bytes = prefix(w.bytes(), 8 + 2 + 14);  // origin whole, normal missing
  Reader cut_reader(bytes);
  const auto cut_in_vertex = CVertexArray::read(cut_reader);
  ASSERT_FALSE(cut_in_vertex.has_value());
  EXPECT_EQ(frame_texts(cut_in_vertex.error()), (Texts{field("x", "Vector3"), field("normal", "SWVertex")}));
}

TEST(CVertexArray, HostileCountFailsAtTheEndOfTheData) {
  ByteWriter w;
  w.write_u32_le(1);
  w.write_u32_le(0xFFFFFFFF);
  w.write_u16_le(0);
  w.write_bytes(two_uv_vertex());
  Reader reader(w.bytes());
  const auto array = CVertexArray::read(reader);
  ASSERT_FALSE(array.has_value());
  EXPECT_TRUE(array.error().is_eof());
}

struct PolygonCase {
  const char* name;
  std::uint8_t num_points;
  std::uint8_t stippling;
  std::uint32_t sides_type;
  bool pos_uvs;
  bool neg_uvs;
};

class PolygonLayout : public ::testing::TestWithParam<PolygonCase> {};

TEST_P(PolygonLayout, StoresTheUvListsTheFlagsCallFor) {
  const auto& c = GetParam();
  ByteWriter w;
  w.write_u8(c.num_points);
  w.write_u8(c.stippling);
  w.write_u32_le(c.sides_type);
  w.write_u16_le(0x0102);
  w.write_u16_le(0x0304);
  std::vector<std::uint16_t> ids;
  std::vector<std::uint8_t> pos;
  std::vector<std::uint8_t> neg;
  for (std::uint8_t i = 0; i < c.num_points; ++i) {
    ids.push_back(static_cast<std::uint16_t>(0x100 + i));
    pos.push_back(static_cast<std::uint8_t>(0x10 + i));
    neg.push_back(static_cast<std::uint8_t>(0x20 + i));
  }
  for (const auto id : ids) w.write_u16_le(id);
  if (c.pos_uvs) w.write_bytes(pos);
  if (c.neg_uvs) w.write_bytes(neg);
  const std::size_t size = w.size();
  w.write_u32_le(0xFFFFFFFF);  // the next field

  Reader reader(w.bytes());
  const auto polygon = Polygon::read(reader);
  ASSERT_TRUE(polygon.has_value()) << polygon.error().message();
  EXPECT_EQ(reader.position(), size);
  EXPECT_EQ(polygon->stippling, c.stippling);
  EXPECT_EQ(polygon->sides_type, c.sides_type);
  EXPECT_EQ(polygon->pos_surface, 0x0102);
  EXPECT_EQ(polygon->neg_surface, 0x0304);
  EXPECT_EQ(polygon->vertex_ids, ids);
  EXPECT_EQ(polygon->pos_uv_indices, c.pos_uvs ? pos : std::vector<std::uint8_t>{});
  EXPECT_EQ(polygon->neg_uv_indices, c.neg_uvs ? neg : std::vector<std::uint8_t>{});
  EXPECT_EQ(packed(*polygon), prefix(w.bytes(), size));
}

INSTANTIATE_TEST_SUITE_P(
    Flags, PolygonLayout,
    ::testing::Values(PolygonCase{"no_points_whatever_the_flags", 0, 0x00, 2, false, false},
                      PolygonCase{"one_sided", 3, 0x00, 0, true, false},
                      PolygonCase{"two_sided", 3, 0x00, 2, true, true},
                      PolygonCase{"two_sided_without_neg", 3, 0x08, 2, true, false},
                      PolygonCase{"two_sided_without_pos", 3, 0x04, 2, false, true},
                      PolygonCase{"two_sided_without_either", 4, 0x0C, 2, false, false},
                      PolygonCase{"sides_type_is_a_whole_word", 3, 0x00, 0x102, true, false},
                      PolygonCase{"other_bits_have_no_effect", 255, 0xF3, 2, true, true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Polygon, CutAnywhereFailsWithoutFrames) {
  ByteWriter w;
  w.write_u8(2);
  w.write_u8(0);
  w.write_u32_le(2);
  w.write_u32_le(0);
  w.write_u16_le(1);
  w.write_u16_le(2);
  w.write_bytes(std::vector<std::uint8_t>{1, 2, 3, 4});
  for (std::size_t n = 0; n < w.size(); ++n) {
    const auto bytes = prefix(w.bytes(), n);
    Reader reader(bytes);
    const auto polygon = Polygon::read(reader);
    ASSERT_FALSE(polygon.has_value()) << "cut at " << n;
    EXPECT_TRUE(polygon.error().is_eof());
    EXPECT_TRUE(polygon.error().frames().empty());
  }
}

TEST(GraphicsRoundTrip, RandomVertexArraysAndPolygons) {
  testing::RecordRng rng(0x6F0);
  for (int i = 0; i < 300; ++i) {
    CVertexArray array;
    const std::uint32_t count = rng.between(0, 20);
    for (std::uint32_t k = 0; k < count; ++k) array.vertices.insert_or_assign(rng.u16(), rng.vertex());
    const Polygon polygon = rng.polygon();

    ByteWriter w;
    ASSERT_TRUE(array.pack(w));
    ASSERT_TRUE(polygon.pack(w));
    Reader reader(w.bytes());
    const auto array_back = CVertexArray::read(reader);
    ASSERT_TRUE(array_back.has_value()) << array_back.error().message();
    const auto polygon_back = Polygon::read(reader);
    ASSERT_TRUE(polygon_back.has_value()) << polygon_back.error().message();
    EXPECT_EQ(*array_back, array);
    EXPECT_EQ(*polygon_back, polygon);
    EXPECT_EQ(reader.remaining(), 0u);
  }
}

}  // namespace
}  // namespace quillfen::dat::graphics
