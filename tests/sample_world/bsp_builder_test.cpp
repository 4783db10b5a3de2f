// The BSP builders: every polygon lands in exactly one place, each side of a plane holds
// only polygons on that side, spheres enclose what they bound, tags say which children
// follow, leaves are numbered in stream order, and the trees read back as written.
#include "sample-world/bsp_builder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "world_test_support.hpp"

namespace quillfen::sample {
namespace {

using dat::physics::BspLeaf;
using dat::physics::BspNode;
using dat::physics::BspPortal;
using dat::physics::BspTreeKind;
using dat::physics::InternalNode;
using testing::centre_of;
using testing::plane_distance;

constexpr double kEps = 1e-3;

struct MeshCase {
  const char* name;
  std::function<void(Mesh&)> build;
};

std::vector<std::uint16_t> all_ids(const Mesh& mesh) {
  std::vector<std::uint16_t> ids;
  for (std::size_t i = 0; i < mesh.polygons().size(); ++i) ids.push_back(static_cast<std::uint16_t>(i));
  return ids;
}

std::vector<std::uint16_t> solid_ids(const Mesh& mesh) {
  std::vector<std::uint16_t> ids;
  for (std::size_t i = 0; i < mesh.polygons().size(); ++i) {
    if (!mesh.polygons()[i].portal) ids.push_back(static_cast<std::uint16_t>(i));
  }
  return ids;
}

bool sphere_holds(const common::Sphere& sphere, const Mesh& mesh, std::uint16_t polygon) {
  for (const Vector3& p : mesh.polygon_points(polygon)) {
    if (length(p - sphere.center) > sphere.radius + 1e-4) return false;
  }
  return true;
}

// Walks a tree in stored order, collecting polygon ids per node and checking each node.
class TreeCheck {
 public:
  TreeCheck(const Mesh& mesh, BspTreeKind kind) : mesh_(mesh), kind_(kind) {}

  // Returns the polygons of the subtree.
  std::vector<std::uint16_t> walk(const BspNode& node) {
    if (const auto* leaf = std::get_if<BspLeaf>(&node.value)) {
      EXPECT_EQ(leaf->leaf_index, next_leaf_++);
      if (kind_ == BspTreeKind::Drawing) {
        EXPECT_FALSE(leaf->bounding_sphere.has_value());
        EXPECT_TRUE(leaf->poly_ids.empty());
      } else {
        EXPECT_TRUE(leaf->bounding_sphere.has_value());
        EXPECT_LE(leaf->poly_ids.size(), kPhysicsLeafPolygons);
        for (const auto id : leaf->poly_ids) EXPECT_TRUE(sphere_holds(*leaf->bounding_sphere, mesh_, id)) << id;
      }
      count(leaf->poly_ids);
      return leaf->poly_ids;
    }
    if (const auto* portal = std::get_if<BspPortal>(&node.value)) {
      EXPECT_EQ(kind_, BspTreeKind::Drawing);
      auto pos = walk(*portal->pos_node);
      auto neg = walk(*portal->neg_node);
      for (const auto id : pos) EXPECT_GE(plane_distance(portal->splitting_plane, centre_of(mesh_, id)), -kEps);
      for (const auto id : neg) EXPECT_LE(plane_distance(portal->splitting_plane, centre_of(mesh_, id)), kEps);
      EXPECT_EQ(portal->portals.size(), portal->poly_ids.size());
      for (std::size_t i = 0; i < portal->portals.size(); ++i) {
        EXPECT_EQ(portal->portals[i].portal_index, i);
        EXPECT_EQ(portal->portals[i].poly_id, portal->poly_ids[i]);
        EXPECT_TRUE(mesh_.polygons()[portal->poly_ids[i]].portal);
      }
      count(portal->poly_ids);
      pos.insert(pos.end(), neg.begin(), neg.end());
      pos.insert(pos.end(), portal->poly_ids.begin(), portal->poly_ids.end());
      for (const auto id : pos) EXPECT_TRUE(sphere_holds(*portal->bounding_sphere, mesh_, id));
      return pos;
    }
    const auto& inner = std::get<InternalNode>(node.value);
    const std::string tag(inner.node_type.begin(), inner.node_type.end());
    // The tag says which children follow; a node always has at least one.
    if (tag == "BPIN") {
      EXPECT_TRUE(inner.pos_node && inner.neg_node);
    } else if (tag == "BPIn") {
      EXPECT_TRUE(inner.pos_node && !inner.neg_node);
    } else if (tag == "BpIN") {
      EXPECT_TRUE(!inner.pos_node && inner.neg_node);
    } else {
      ADD_FAILURE() << "unexpected tag " << tag;
    }
    if (kind_ == BspTreeKind::Physics) {
      EXPECT_EQ(tag, "BPIN");
    }
    std::vector<std::uint16_t> pos = inner.pos_node ? walk(**inner.pos_node) : std::vector<std::uint16_t>{};
    std::vector<std::uint16_t> neg = inner.neg_node ? walk(**inner.neg_node) : std::vector<std::uint16_t>{};
    for (const auto id : pos) EXPECT_GE(plane_distance(inner.splitting_plane, centre_of(mesh_, id)), -kEps) << tag;
    for (const auto id : neg) EXPECT_LE(plane_distance(inner.splitting_plane, centre_of(mesh_, id)), kEps) << tag;
    // A drawing node keeps the polygons lying in its plane.
    for (const auto id : inner.poly_ids) {
      for (const Vector3& p : mesh_.polygon_points(id))
        EXPECT_NEAR(plane_distance(inner.splitting_plane, p), 0.0, kEps);
    }
    if (kind_ == BspTreeKind::Physics) {
      EXPECT_TRUE(inner.poly_ids.empty());
    }
    count(inner.poly_ids);
    pos.insert(pos.end(), neg.begin(), neg.end());
    pos.insert(pos.end(), inner.poly_ids.begin(), inner.poly_ids.end());
    EXPECT_TRUE(inner.bounding_sphere.has_value());
    for (const auto id : pos) EXPECT_TRUE(sphere_holds(*inner.bounding_sphere, mesh_, id)) << tag;
    return pos;
  }

  const std::map<std::uint16_t, int>& counts() const { return counts_; }

 private:
  void count(const std::vector<std::uint16_t>& ids) {
    for (const auto id : ids) ++counts_[id];
  }

  const Mesh& mesh_;
  BspTreeKind kind_;
  std::uint32_t next_leaf_ = 0;
  std::map<std::uint16_t, int> counts_;
};

class BspBuilderTest : public ::testing::TestWithParam<MeshCase> {};

TEST_P(BspBuilderTest, PhysicsTreeHoldsEverySolidPolygonOnce) {
  Mesh mesh;
  GetParam().build(mesh);
  const auto solid = solid_ids(mesh);
  const BspNode tree = build_physics_bsp(mesh, solid);
  TreeCheck check(mesh, BspTreeKind::Physics);
  check.walk(tree);
  std::map<std::uint16_t, int> expected;
  for (const auto id : solid) expected[id] = 1;
  EXPECT_EQ(check.counts(), expected);
  const auto bytes = testing::packed_tree(tree, BspTreeKind::Physics);
  dat::Reader reader(bytes);
  const auto read = BspNode::read(reader, BspTreeKind::Physics);
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_EQ(*read, tree);
  EXPECT_EQ(reader.remaining(), 0u);
}

TEST_P(BspBuilderTest, DrawingTreeHoldsEveryPolygonOnce) {
  Mesh mesh;
  GetParam().build(mesh);
  const auto ids = all_ids(mesh);
  const BspNode tree = build_drawing_bsp(mesh, ids);
  const bool has_portal = std::ranges::any_of(mesh.polygons(), [](const MeshPolygon& p) { return p.portal; });
  EXPECT_EQ(std::holds_alternative<BspPortal>(tree.value), has_portal);
  TreeCheck check(mesh, BspTreeKind::Drawing);
  check.walk(tree);
  std::map<std::uint16_t, int> expected;
  for (const auto id : ids) expected[id] = 1;
  EXPECT_EQ(check.counts(), expected);
  const auto bytes = testing::packed_tree(tree, BspTreeKind::Drawing);
  dat::Reader reader(bytes);
  const auto read = BspNode::read(reader, BspTreeKind::Drawing);
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_EQ(*read, tree);
  EXPECT_EQ(reader.remaining(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Meshes, BspBuilderTest,
                         ::testing::Values(MeshCase{"SingleFace", [](Mesh& m) { add_ground(m, 0, 0, 4, 4, 0, 0); }},
                                           MeshCase{"Box", [](Mesh& m) { add_box(m, vec(0, 0, 0), vec(1, 2, 3), {}); }},
                                           MeshCase{"Blob",
                                                    [](Mesh& m) { add_blob(m, vec(0, 0, 2), 3, 3, 2, 10, 6, 0); }},
                                           MeshCase{"HouseWithDoor",
                                                    [](Mesh& m) {
                                                      add_walls_with_door(m, vec(-4, -3, 0), vec(4, 3, 3), 1.2, 2.1, 0);
                                                      add_gable_roof(m, -4.4, 4.4, -3.4, 3.4, 3, 5, 1, 2);
                                                    }},
                                           MeshCase{"TwoDoors",
                                                    [](Mesh& m) {
                                                      add_walls_with_door(m, vec(-4, -3, 0), vec(4, 3, 3), 1.2, 2.1, 0);
                                                      m.add_portal(facing_rect(vec(0, 3.01, 1), 0, 1, 1, 2));
                                                    }},
                                           MeshCase{"ScatteredBoxes",
                                                    [](Mesh& m) {
                                                      for (int i = 0; i < 12; ++i)
                                                        add_box(m, vec(i * 3.0, (i % 3) * 2.0, 0),
                                                                vec(i * 3.0 + 1, (i % 3) * 2.0 + 1, 1 + i % 2), {});
                                                    }}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(BspBuilderTest, EmptyPolygonListsGiveASingleLeaf) {
  const Mesh mesh;
  const BspNode physics = build_physics_bsp(mesh, {});
  const BspNode drawing = build_drawing_bsp(mesh, {});
  ASSERT_TRUE(std::holds_alternative<BspLeaf>(physics.value));
  ASSERT_TRUE(std::holds_alternative<BspLeaf>(drawing.value));
  EXPECT_TRUE(std::get<BspLeaf>(physics.value).poly_ids.empty());
}

TEST(BspBuilderTest, BoundingSphereReachesTheFarthestCorner) {
  Mesh mesh;
  add_box(mesh, vec(0, 0, 0), vec(2, 2, 2), {});
  const std::vector<std::uint16_t> ids = {0, 1, 2, 3, 4, 5};
  const common::Sphere sphere = bounding_sphere(mesh, ids);
  EXPECT_EQ(sphere.center, vec(1, 1, 1));
  EXPECT_GE(sphere.radius, std::sqrt(3.0f));
  EXPECT_LT(sphere.radius, std::sqrt(3.0f) + 1e-5f);
}

}  // namespace
}  // namespace quillfen::sample
