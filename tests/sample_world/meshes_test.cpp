// The primitive shapes: face counts, outward normals, flat faces, UVs and the limits of
// a polygon.
#include "sample-world/meshes.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "world_test_support.hpp"

namespace quillfen::sample {
namespace {

using testing::centre_of;

struct ShapeCase {
  const char* name;
  std::function<void(Mesh&)> build;
  Vector3 inside;  // a point inside the solid, behind every face
  std::size_t faces;
  std::size_t portals;
};

class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, FacesPointOutwardAndAreFlat) {
  Mesh mesh;
  GetParam().build(mesh);
  ASSERT_EQ(mesh.polygons().size(), GetParam().faces);
  std::size_t portals = 0;
  for (std::size_t i = 0; i < mesh.polygons().size(); ++i) {
    const MeshPolygon& polygon = mesh.polygons()[i];
    if (polygon.portal) ++portals;
    const Vector3 normal = mesh.vertices()[polygon.vertices.front()].normal;
    EXPECT_NEAR(length(normal), 1.0, 1e-6) << "face " << i;
    EXPECT_GT(dot(normal, centre_of(mesh, i) - GetParam().inside), 0.0) << "face " << i << " faces inward";
    for (const std::uint16_t v : polygon.vertices) {
      EXPECT_EQ(mesh.vertices()[v].normal, normal);
      // Every corner lies in the face's plane.
      EXPECT_NEAR(dot(normal, mesh.vertices()[v].position - centre_of(mesh, i)), 0.0, 1e-4) << "face " << i;
    }
  }
  EXPECT_EQ(portals, GetParam().portals);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, ShapeTest,
    ::testing::Values(
        ShapeCase{"Box",
                  [](Mesh& m) {
                    add_box(m, vec(0, 0, 0), vec(2, 3, 4), {0, 1, 2});
                  },
                  vec(1, 1.5, 2), 6, 0},
        ShapeCase{"BoxWithoutFloor", [](Mesh& m) { add_box(m, vec(0, 0, 0), vec(2, 3, 4), {}, false); }, vec(1, 1.5, 2),
                  5, 0},
        ShapeCase{"Walls", [](Mesh& m) { add_walls_with_door(m, vec(-4, -3, 0), vec(4, 3, 3), 1.2, 2.1, 0); },
                  vec(0, 0, 1.5), 7, 1},
        ShapeCase{"Prism", [](Mesh& m) { add_prism(m, 5, 5, 2, 0, 3, 8, 0, 1); }, vec(5, 5, 1.5), 10, 0},
        ShapeCase{"OpenPrism", [](Mesh& m) { add_prism(m, 0, 0, 2, 0, 3, 12, 0, 0, false); }, vec(0, 0, 1.5), 12, 0},
        ShapeCase{"Cone", [](Mesh& m) { add_cone(m, 1, 1, 2, 0, 3, 6, 0); }, vec(1, 1, 0.5), 6, 0},
        ShapeCase{"GableRoof", [](Mesh& m) { add_gable_roof(m, -3, 3, -2, 2, 0, 2, 0, 1); }, vec(0, 0, 0.5), 4, 0},
        ShapeCase{"Blob", [](Mesh& m) { add_blob(m, vec(0, 0, 5), 3, 2, 1.5, 8, 5, 0); }, vec(0, 0, 5), 40, 0},
        ShapeCase{"Ground", [](Mesh& m) { add_ground(m, 0, 0, 4, 4, 0.1, 0); }, vec(2, 2, 0), 1, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(MeshTest, FaceUvsRepeatEveryUvScaleUnits) {
  Mesh mesh;
  mesh.add_face({vec(0, 0, 0), vec(4, 0, 0), vec(4, 0, 2), vec(0, 0, 2)}, 3, 2.0);
  ASSERT_EQ(mesh.polygons().size(), 1u);
  EXPECT_EQ(mesh.polygons()[0].surface, 3);
  const auto& v = mesh.vertices();
  ASSERT_EQ(v.size(), 4u);
  // Along the first edge u grows to 4 / 2; across it v grows to 2 / 2.
  EXPECT_FLOAT_EQ(v[0].u, 0.0f);
  EXPECT_FLOAT_EQ(v[1].u, 2.0f);
  EXPECT_FLOAT_EQ(std::abs(v[3].v), 1.0f);
}

TEST(MeshTest, RefusesFacesAPolygonCannotHold) {
  Mesh mesh;
  mesh.add_face({vec(0, 0, 0), vec(1, 0, 0)}, 0);  // not a face
  std::vector<Vector3> many;
  for (int i = 0; i < 256; ++i) many.push_back(vec(std::cos(i * 0.0245), std::sin(i * 0.0245), 0));
  mesh.add_face(many, 0);  // one point more than a polygon's count byte holds
  EXPECT_TRUE(mesh.empty());
  many.pop_back();
  mesh.add_face(many, 0);
  EXPECT_EQ(mesh.polygons().size(), 1u);
}

TEST(MeshTest, FacingRectLooksAlongItsDirection) {
  Mesh mesh;
  mesh.add_face(facing_rect(vec(1, 2, 3), 0.0, -1.0, 2.0, 1.0), 0);
  mesh.add_portal(facing_rect(vec(0, 0, 0), 1.0, 0.0, 1.0, 2.0));
  EXPECT_EQ(mesh.vertices()[0].normal, vec(0, -1, 0));
  EXPECT_EQ(mesh.vertices()[4].normal, vec(1, 0, 0));
  EXPECT_FALSE(mesh.polygons()[0].portal);
  EXPECT_TRUE(mesh.polygons()[1].portal);
  EXPECT_EQ(mesh.polygon_points(0).size(), 4u);
}

}  // namespace
}  // namespace quillfen::sample
