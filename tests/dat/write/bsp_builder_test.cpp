// The BSP builders: every polygon lands in exactly one place, each side of a plane holds
// only polygons on that side, spheres enclose what they bound, tags say which children
// follow, leaves are numbered in stream order, the trees read back as written, and ids
// that name no usable polygon are refused.
#include "quillfen/dat/write/bsp_builder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>

#include "support/packed.hpp"

namespace quillfen::dat::write {
namespace {

using physics::BspLeaf;
using physics::BspNode;
using physics::BspPortal;
using physics::BspTreeKind;
using physics::InternalNode;

constexpr double kEps = 1e-3;

Vector3 vec(double x, double y, double z) { return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)}; }
double dot(const Vector3& a, const Vector3& b) { return double{a.x} * b.x + double{a.y} * b.y + double{a.z} * b.z; }
double distance(const Vector3& a, const Vector3& b) {
  const double x = double{a.x} - b.x, y = double{a.y} - b.y, z = double{a.z} - b.z;
  return std::sqrt(x * x + y * y + z * z);
}
double plane_distance(const Plane& plane, const Vector3& p) { return dot(plane.normal, p) + plane.d; }

// A polygon soup built from a few shapes; faces are counter-clockwise seen from the front.
class Shapes {
 public:
  void face(std::vector<Vector3> corners, bool portal = false) {
    // Newell's normal: exact for planar polygons of any shape.
    double nx = 0, ny = 0, nz = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
      const Vector3& a = corners[i];
      const Vector3& b = corners[(i + 1) % corners.size()];
      nx += (double{a.y} - b.y) * (double{a.z} + b.z);
      ny += (double{a.z} - b.z) * (double{a.x} + b.x);
      nz += (double{a.x} - b.x) * (double{a.y} + b.y);
    }
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    polygons_.push_back({std::move(corners), vec(nx / len, ny / len, nz / len), portal});
  }
  void portal(std::vector<Vector3> corners) { face(std::move(corners), true); }

  void box(Vector3 lo, Vector3 hi) {
    const auto p = [&](bool x, bool y, bool z) { return Vector3{x ? hi.x : lo.x, y ? hi.y : lo.y, z ? hi.z : lo.z}; };
    face({p(0, 0, 0), p(0, 1, 0), p(1, 1, 0), p(1, 0, 0)});
    face({p(0, 0, 1), p(1, 0, 1), p(1, 1, 1), p(0, 1, 1)});
    face({p(0, 0, 0), p(1, 0, 0), p(1, 0, 1), p(0, 0, 1)});
    face({p(1, 1, 0), p(0, 1, 0), p(0, 1, 1), p(1, 1, 1)});
    face({p(0, 1, 0), p(0, 0, 0), p(0, 0, 1), p(0, 1, 1)});
    face({p(1, 0, 0), p(1, 1, 0), p(1, 1, 1), p(1, 0, 1)});
  }

  // A rough ellipsoid of `rings` bands of `segments` faces (triangles at the poles).
  void blob(Vector3 c, double rx, double ry, double rz, unsigned segments, unsigned rings) {
    const auto at = [&](unsigned ring, unsigned seg) {
      const double theta = std::numbers::pi * ring / rings;
      const double phi = 2.0 * std::numbers::pi * seg / segments;
      return vec(c.x + rx * std::sin(theta) * std::cos(phi), c.y + ry * std::sin(theta) * std::sin(phi),
                 c.z + rz * std::cos(theta));
    };
    for (unsigned r = 0; r < rings; ++r) {
      for (unsigned s = 0; s < segments; ++s) {
        if (r == 0) {
          face({at(0, 0), at(1, s), at(1, s + 1)});
        } else if (r + 1 == rings) {
          face({at(r, s), at(rings, 0), at(r, s + 1)});
        } else {
          face({at(r, s), at(r + 1, s), at(r + 1, s + 1), at(r, s + 1)});
        }
      }
    }
  }

  // Four walls from `lo` to `hi`, the front one (low y) with a doorway of w x h as a portal.
  void walls_with_door(Vector3 lo, Vector3 hi, double w, double h) {
    const double mid = (double{lo.x} + hi.x) / 2.0;
    const double l = mid - w / 2.0, r = mid + w / 2.0;
    face({vec(lo.x, lo.y, lo.z), vec(l, lo.y, lo.z), vec(l, lo.y, hi.z), vec(lo.x, lo.y, hi.z)});
    face({vec(r, lo.y, lo.z), vec(hi.x, lo.y, lo.z), vec(hi.x, lo.y, hi.z), vec(r, lo.y, hi.z)});
    face({vec(l, lo.y, lo.z + h), vec(r, lo.y, lo.z + h), vec(r, lo.y, hi.z), vec(l, lo.y, hi.z)});
    portal({vec(l, lo.y, lo.z), vec(r, lo.y, lo.z), vec(r, lo.y, lo.z + h), vec(l, lo.y, lo.z + h)});
    face({vec(hi.x, hi.y, lo.z), vec(lo.x, hi.y, lo.z), vec(lo.x, hi.y, hi.z), vec(hi.x, hi.y, hi.z)});
    face({vec(lo.x, hi.y, lo.z), vec(lo.x, lo.y, lo.z), vec(lo.x, lo.y, hi.z), vec(lo.x, hi.y, hi.z)});
    face({vec(hi.x, lo.y, lo.z), vec(hi.x, hi.y, lo.z), vec(hi.x, hi.y, hi.z), vec(hi.x, lo.y, hi.z)});
  }

  // A gable roof over [x0, x1] x [y0, y1] from z0, its ridge along x at z1.
  void gable_roof(double x0, double x1, double y0, double y1, double z0, double z1) {
    const double ym = (y0 + y1) / 2.0;
    face({vec(x0, y0, z0), vec(x1, y0, z0), vec(x1, ym, z1), vec(x0, ym, z1)});
    face({vec(x1, y1, z0), vec(x0, y1, z0), vec(x0, ym, z1), vec(x1, ym, z1)});
    face({vec(x0, y1, z0), vec(x0, y0, z0), vec(x0, ym, z1)});
    face({vec(x1, y0, z0), vec(x1, y1, z0), vec(x1, ym, z1)});
  }

  const std::vector<BspPolygon>& polygons() const { return polygons_; }

 private:
  std::vector<BspPolygon> polygons_;
};

struct ShapeCase {
  const char* name;
  std::function<void(Shapes&)> build;
};

std::vector<std::uint16_t> all_ids(std::span<const BspPolygon> polygons) {
  std::vector<std::uint16_t> ids;
  for (std::size_t i = 0; i < polygons.size(); ++i) ids.push_back(static_cast<std::uint16_t>(i));
  return ids;
}

std::vector<std::uint16_t> solid_ids(std::span<const BspPolygon> polygons) {
  std::vector<std::uint16_t> ids;
  for (std::size_t i = 0; i < polygons.size(); ++i) {
    if (!polygons[i].portal) ids.push_back(static_cast<std::uint16_t>(i));
  }
  return ids;
}

Vector3 centre_of(const BspPolygon& polygon) {
  double x = 0.0, y = 0.0, z = 0.0;
  for (const Vector3& p : polygon.points) {
    x += p.x;
    y += p.y;
    z += p.z;
  }
  const auto n = static_cast<double>(polygon.points.size());
  return vec(x / n, y / n, z / n);
}

bool sphere_holds(const Sphere& sphere, const BspPolygon& polygon) {
  return std::ranges::all_of(polygon.points,
                             [&](const Vector3& p) { return distance(p, sphere.center) <= sphere.radius + 1e-4; });
}

// Walks a tree in stored order, collecting polygon ids per node and checking each node.
class TreeCheck {
 public:
  TreeCheck(std::span<const BspPolygon> polygons, BspTreeKind kind) : polygons_(polygons), kind_(kind) {}

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
        for (const auto id : leaf->poly_ids) EXPECT_TRUE(sphere_holds(*leaf->bounding_sphere, polygons_[id])) << id;
      }
      count(leaf->poly_ids);
      return leaf->poly_ids;
    }
    if (const auto* portal = std::get_if<BspPortal>(&node.value)) {
      EXPECT_EQ(kind_, BspTreeKind::Drawing);
      auto pos = walk(*portal->pos_node);
      auto neg = walk(*portal->neg_node);
      for (const auto id : pos) EXPECT_GE(plane_distance(portal->splitting_plane, centre_of(polygons_[id])), -kEps);
      for (const auto id : neg) EXPECT_LE(plane_distance(portal->splitting_plane, centre_of(polygons_[id])), kEps);
      EXPECT_EQ(portal->portals.size(), portal->poly_ids.size());
      for (std::size_t i = 0; i < portal->portals.size(); ++i) {
        EXPECT_EQ(portal->portals[i].portal_index, i);
        EXPECT_EQ(portal->portals[i].poly_id, portal->poly_ids[i]);
        EXPECT_TRUE(polygons_[portal->poly_ids[i]].portal);
      }
      count(portal->poly_ids);
      pos.insert(pos.end(), neg.begin(), neg.end());
      pos.insert(pos.end(), portal->poly_ids.begin(), portal->poly_ids.end());
      for (const auto id : pos) EXPECT_TRUE(sphere_holds(*portal->bounding_sphere, polygons_[id]));
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
    for (const auto id : pos) EXPECT_GE(plane_distance(inner.splitting_plane, centre_of(polygons_[id])), -kEps) << tag;
    for (const auto id : neg) EXPECT_LE(plane_distance(inner.splitting_plane, centre_of(polygons_[id])), kEps) << tag;
    // A drawing node keeps the polygons lying in its plane.
    for (const auto id : inner.poly_ids) {
      for (const Vector3& p : polygons_[id].points)
        EXPECT_NEAR(plane_distance(inner.splitting_plane, p), 0.0, kEps);
    }
    if (kind_ == BspTreeKind::Physics) {
      EXPECT_TRUE(inner.poly_ids.empty());
    }
    count(inner.poly_ids);
    pos.insert(pos.end(), neg.begin(), neg.end());
    pos.insert(pos.end(), inner.poly_ids.begin(), inner.poly_ids.end());
    EXPECT_TRUE(inner.bounding_sphere.has_value());
    for (const auto id : pos) EXPECT_TRUE(sphere_holds(*inner.bounding_sphere, polygons_[id])) << tag;
    return pos;
  }

  const std::map<std::uint16_t, int>& counts() const { return counts_; }

 private:
  void count(const std::vector<std::uint16_t>& ids) {
    for (const auto id : ids) ++counts_[id];
  }

  std::span<const BspPolygon> polygons_;
  BspTreeKind kind_;
  std::uint32_t next_leaf_ = 0;
  std::map<std::uint16_t, int> counts_;
};

class BspBuilderTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(BspBuilderTest, PhysicsTreeHoldsEverySolidPolygonOnce) {
  Shapes shapes;
  GetParam().build(shapes);
  const auto& polygons = shapes.polygons();
  const auto solid = solid_ids(polygons);
  const auto tree = build_physics_bsp(polygons, solid);
  ASSERT_TRUE(tree) << tree.error().message;
  TreeCheck check(polygons, BspTreeKind::Physics);
  check.walk(*tree);
  std::map<std::uint16_t, int> expected;
  for (const auto id : solid) expected[id] = 1;
  EXPECT_EQ(check.counts(), expected);
  const auto bytes = quillfen::testing::packed(*tree, BspTreeKind::Physics);
  Reader reader(bytes);
  const auto read = BspNode::read(reader, BspTreeKind::Physics);
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_EQ(*read, *tree);
  EXPECT_EQ(reader.remaining(), 0u);
}

TEST_P(BspBuilderTest, DrawingTreeHoldsEveryPolygonOnce) {
  Shapes shapes;
  GetParam().build(shapes);
  const auto& polygons = shapes.polygons();
  const auto ids = all_ids(polygons);
  const auto tree = build_drawing_bsp(polygons, ids);
  ASSERT_TRUE(tree) << tree.error().message;
  const bool has_portal = std::ranges::any_of(polygons, [](const BspPolygon& p) { return p.portal; });
  EXPECT_EQ(std::holds_alternative<BspPortal>(tree->value), has_portal);
  TreeCheck check(polygons, BspTreeKind::Drawing);
  check.walk(*tree);
  std::map<std::uint16_t, int> expected;
  for (const auto id : ids) expected[id] = 1;
  EXPECT_EQ(check.counts(), expected);
  const auto bytes = quillfen::testing::packed(*tree, BspTreeKind::Drawing);
  Reader reader(bytes);
  const auto read = BspNode::read(reader, BspTreeKind::Drawing);
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_EQ(*read, *tree);
  EXPECT_EQ(reader.remaining(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, BspBuilderTest,
    ::testing::Values(
        ShapeCase{"SingleFace", [](Shapes& s) { s.face({vec(0, 0, 0), vec(4, 0, 0), vec(4, 4, 0), vec(0, 4, 0)}); }},
        ShapeCase{"Box", [](Shapes& s) { s.box(vec(0, 0, 0), vec(1, 2, 3)); }},
        ShapeCase{"Blob", [](Shapes& s) { s.blob(vec(0, 0, 2), 3, 3, 2, 10, 6); }},
        ShapeCase{"HouseWithDoor",
                  [](Shapes& s) {
                    s.walls_with_door(vec(-4, -3, 0), vec(4, 3, 3), 1.2, 2.1);
                    s.gable_roof(-4.4, 4.4, -3.4, 3.4, 3, 5);
                  }},
        ShapeCase{"TwoDoors",
                  [](Shapes& s) {
                    s.walls_with_door(vec(-4, -3, 0), vec(4, 3, 3), 1.2, 2.1);
                    s.portal({vec(0.5, 3.01, 0), vec(-0.5, 3.01, 0), vec(-0.5, 3.01, 2), vec(0.5, 3.01, 2)});
                  }},
        ShapeCase{"ScatteredBoxes",
                  [](Shapes& s) {
                    for (int i = 0; i < 12; ++i)
                      s.box(vec(i * 3.0, (i % 3) * 2.0, 0), vec(i * 3.0 + 1, (i % 3) * 2.0 + 1, 1 + i % 2));
                  }}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(BspBuilderTest, EmptyPolygonListsGiveASingleLeaf) {
  const auto physics = build_physics_bsp({}, {});
  const auto drawing = build_drawing_bsp({}, {});
  ASSERT_TRUE(physics && drawing);
  ASSERT_TRUE(std::holds_alternative<BspLeaf>(physics->value));
  ASSERT_TRUE(std::holds_alternative<BspLeaf>(drawing->value));
  EXPECT_TRUE(std::get<BspLeaf>(physics->value).poly_ids.empty());
}

TEST(BspBuilderTest, BoundingSphereReachesTheFarthestCorner) {
  Shapes shapes;
  shapes.box(vec(0, 0, 0), vec(2, 2, 2));
  const std::vector<std::uint16_t> ids = {0, 1, 2, 3, 4, 5};
  const auto sphere = bounding_sphere(shapes.polygons(), ids);
  ASSERT_TRUE(sphere) << sphere.error().message;
  EXPECT_EQ(sphere->center, vec(1, 1, 1));
  EXPECT_GE(sphere->radius, std::sqrt(3.0f));
  EXPECT_LT(sphere->radius, std::sqrt(3.0f) + 1e-5f);
}

// Ids come from the caller: one beyond the list, or a polygon without points, is refused
// by every builder rather than read out of bounds.
TEST(BspBuilderTest, IdsThatNameNoUsablePolygonAreRefused) {
  Shapes shapes;
  shapes.box(vec(0, 0, 0), vec(1, 1, 1));
  std::vector<BspPolygon> polygons = shapes.polygons();
  polygons.push_back({});  // id 6: no points
  struct Case {
    const char* name;
    std::vector<std::uint16_t> ids;
    const char* message;
  };
  for (const Case& c : {Case{"beyond", {0, 1, 7}, "polygon id 7 is beyond the 7 polygons given"},
                        Case{"empty", {6, 0}, "polygon 6 has no points"}}) {
    SCOPED_TRACE(c.name);
    const BspBuildError expected{c.message};
    EXPECT_EQ(build_physics_bsp(polygons, c.ids).error(), expected);
    EXPECT_EQ(build_drawing_bsp(polygons, c.ids).error(), expected);
    EXPECT_EQ(bounding_sphere(polygons, c.ids).error(), expected);
  }
  // An unused polygon without points is no obstacle.
  EXPECT_TRUE(build_drawing_bsp(polygons, std::vector<std::uint16_t>{0, 1, 2}));
}

}  // namespace
}  // namespace quillfen::dat::write
