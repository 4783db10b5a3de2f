// GfxObj records from meshes: they decode whole with GfxObj::unpack, carry the sections
// their options ask for, and describe each polygon's sides and UVs as the mesh does.
#include "sample-world/gfx_builder.hpp"

#include <gtest/gtest.h>

#include "world_test_support.hpp"

namespace quillfen::sample {
namespace {

using dat::file_type::GfxObj;

Mesh house() {
  Mesh mesh;
  add_walls_with_door(mesh, vec(-4, -3, 0), vec(4, 3, 3), 1.2, 2.1, 0);
  add_panel(mesh, 0, -3.5, 1.0, 2.0, 3.0, 1);  // a double-sided sign
  return mesh;
}

struct OptionsCase {
  const char* name;
  GfxOptions options;
  std::uint32_t flags;
};

class GfxBuilderTest : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(GfxBuilderTest, DecodesWholeWithTheSectionsAskedFor) {
  const Mesh mesh = house();
  const auto built = make_gfx_obj(0x01000123, mesh, {0x08000100, 0x08000160}, GetParam().options);
  ASSERT_TRUE(built) << built.error();
  const GfxObj& gfx = *built;
  EXPECT_EQ(gfx.flags, GetParam().flags);
  const auto read = testing::unpack_from_reader<GfxObj>(testing::packed(gfx));
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_EQ(*read, gfx);
  EXPECT_EQ(read->id, 0x01000123u);
  EXPECT_EQ(read->surfaces, (std::vector<std::uint32_t>{0x08000100, 0x08000160}));
  EXPECT_EQ(read->physics_bsp.has_value(), GetParam().options.physics);
  EXPECT_EQ(read->degrade_id, GetParam().options.degrade_id);
}

INSTANTIATE_TEST_SUITE_P(
    Options, GfxBuilderTest,
    ::testing::Values(OptionsCase{"DrawingAndPhysics", {}, 0x03}, OptionsCase{"DrawingOnly", {.physics = false}, 0x02},
                      OptionsCase{"WithDegrade", {.physics = true, .degrade_id = 0x11000007}, 0x0B}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(GfxBuilderTest, PolygonsFollowTheMesh) {
  const Mesh mesh = house();
  const auto built = make_gfx_obj(1, mesh, {0x08000100, 0x08000160});
  ASSERT_TRUE(built) << built.error();
  const GfxObj& gfx = *built;
  EXPECT_EQ(gfx.vertex_array.vertices.size(), mesh.vertices().size());
  ASSERT_EQ(gfx.drawing_polygons.size(), mesh.polygons().size());
  std::size_t physics = 0;
  for (std::size_t i = 0; i < mesh.polygons().size(); ++i) {
    const MeshPolygon& source = mesh.polygons()[i];
    const auto* drawn = gfx.drawing_polygons.find(static_cast<std::uint16_t>(i));
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->vertex_ids, source.vertices);
    EXPECT_EQ(drawn->pos_surface, source.surface);
    // Doorways show nothing; double-sided faces carry UVs on both sides.
    EXPECT_EQ(drawn->has_pos_uvs(), !source.portal) << i;
    EXPECT_EQ(drawn->has_neg_uvs(), source.double_sided) << i;
    const auto* solid = gfx.physics_polygons.find(static_cast<std::uint16_t>(i));
    EXPECT_EQ(solid != nullptr, !source.portal) << i;
    if (solid != nullptr) {
      ++physics;
      EXPECT_FALSE(solid->has_pos_uvs());
      EXPECT_FALSE(solid->has_neg_uvs());
    }
  }
  EXPECT_EQ(physics, mesh.polygons().size() - 1);
  // Every vertex has one UV set.
  for (const auto& [id, vertex] : gfx.vertex_array.vertices) EXPECT_EQ(vertex.uvs.size(), 1u) << id;
}

}  // namespace
}  // namespace quillfen::sample
