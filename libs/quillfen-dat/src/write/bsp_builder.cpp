// The recursive splitters behind both BSP trees. Leaves are numbered in the order they
// appear in the stored (pre-order) tree.
#include "quillfen/dat/write/bsp_builder.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include <fmt/format.h>

namespace quillfen::dat::write {

using physics::Box;
using physics::BspLeaf;
using physics::BspNode;
using physics::BspPortal;
using physics::InternalNode;
using physics::PortalPoly;

namespace {

// A point closer to a plane than this is on it; meshes are in units of about a metre.
constexpr double kPlaneEpsilon = 1e-3;
// How many polygons the drawing builder tries as splitters at each node.
constexpr std::size_t kSplitterCandidates = 12;

constexpr std::array<char, 4> kBothChildren = {'B', 'P', 'I', 'N'};
constexpr std::array<char, 4> kPositiveOnly = {'B', 'P', 'I', 'n'};
constexpr std::array<char, 4> kNegativeOnly = {'B', 'p', 'I', 'N'};

using Ids = std::vector<std::uint16_t>;

// Vector arithmetic in double, rounded to float once per result, so that a tree does not
// depend on the order of a long chain of float operations.
Vector3 vec(double x, double y, double z) {
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}
Vector3 operator-(const Vector3& a, const Vector3& b) {
  return vec(double{a.x} - b.x, double{a.y} - b.y, double{a.z} - b.z);
}
double dot(const Vector3& a, const Vector3& b) { return double{a.x} * b.x + double{a.y} * b.y + double{a.z} * b.z; }
double length(const Vector3& a) { return std::sqrt(dot(a, a)); }

struct PolygonInfo {
  std::vector<Vector3> points;
  Vector3 centre;
  Plane plane;
};

std::vector<PolygonInfo> describe(std::span<const BspPolygon> polygons) {
  std::vector<PolygonInfo> infos;
  infos.reserve(polygons.size());
  for (const BspPolygon& polygon : polygons) {
    PolygonInfo info;
    info.points = polygon.points;
    if (!info.points.empty()) {
      double x = 0.0;
      double y = 0.0;
      double z = 0.0;
      for (const Vector3& p : info.points) {
        x += p.x;
        y += p.y;
        z += p.z;
      }
      const auto n = static_cast<double>(info.points.size());
      info.centre = vec(x / n, y / n, z / n);
      info.plane = {polygon.normal, static_cast<float>(-dot(polygon.normal, info.points.front()))};
    }
    infos.push_back(std::move(info));
  }
  return infos;
}

// Every id must name a polygon with at least one point.
std::expected<void, BspBuildError> check_ids(std::span<const BspPolygon> polygons,
                                             std::span<const std::uint16_t> ids) {
  for (const std::uint16_t id : ids) {
    if (id >= polygons.size()) {
      return std::unexpected(BspBuildError{fmt::format("polygon id {} is beyond the {} polygons given", id,
                                                       polygons.size())});
    }
    if (polygons[id].points.empty()) {
      return std::unexpected(BspBuildError{fmt::format("polygon {} has no points", id)});
    }
  }
  return {};
}

double distance(const Plane& plane, const Vector3& p) { return dot(plane.normal, p) + plane.d; }

enum class Side : std::uint8_t { On, Front, Back, Straddle };

Side classify(const Plane& plane, const PolygonInfo& polygon) {
  bool front = false;
  bool back = false;
  for (const Vector3& p : polygon.points) {
    const double d = distance(plane, p);
    if (d > kPlaneEpsilon) front = true;
    if (d < -kPlaneEpsilon) back = true;
  }
  if (front && back) return Side::Straddle;
  if (front) return Side::Front;
  if (back) return Side::Back;
  return Side::On;
}

// Polygons are never cut: one that crosses the plane goes to the side of its centre.
bool goes_front(const Plane& plane, const PolygonInfo& polygon, Side side) {
  if (side == Side::Straddle) return distance(plane, polygon.centre) >= 0.0;
  return side == Side::Front;
}

Sphere sphere_of(const std::vector<PolygonInfo>& infos, std::span<const std::uint16_t> ids) {
  if (ids.empty()) return {};
  Vector3 lo = infos[ids.front()].points.front();
  Vector3 hi = lo;
  for (const std::uint16_t id : ids) {
    for (const Vector3& p : infos[id].points) {
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
  }
  const Vector3 centre = vec((double{lo.x} + hi.x) / 2.0, (double{lo.y} + hi.y) / 2.0, (double{lo.z} + hi.z) / 2.0);
  double radius = 0.0;
  for (const std::uint16_t id : ids) {
    for (const Vector3& p : infos[id].points) radius = std::max(radius, length(p - centre));
  }
  // Round up, so that no corner lies outside the stored sphere.
  auto r = static_cast<float>(radius);
  if (static_cast<double>(r) < radius) r = std::nextafter(r, std::numeric_limits<float>::infinity());
  return {centre, r};
}

Box<BspNode> boxed(BspNode node) { return Box<BspNode>(std::move(node)); }

std::array<double, 3> coords(const Vector3& v) { return {v.x, v.y, v.z}; }

// Sorts `ids` by their centres along the axis of the widest spread of centres and returns
// the plane across that axis halfway between the two middle centres (the first half of
// the sorted ids below it, the second above). Nothing when all centres coincide.
std::optional<Plane> median_plane(const std::vector<PolygonInfo>& infos, Ids& ids) {
  if (ids.size() < 2) return std::nullopt;
  std::array<double, 3> lo{};
  std::array<double, 3> hi{};
  lo.fill(std::numeric_limits<double>::max());
  hi.fill(std::numeric_limits<double>::lowest());
  for (const std::uint16_t id : ids) {
    const auto c = coords(infos[id].centre);
    for (std::size_t a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], c[a]);
      hi[a] = std::max(hi[a], c[a]);
    }
  }
  std::size_t axis = 0;
  for (std::size_t a = 1; a < 3; ++a) {
    if (hi[a] - lo[a] > hi[axis] - lo[axis]) axis = a;
  }
  if (hi[axis] - lo[axis] < kPlaneEpsilon) return std::nullopt;
  std::stable_sort(ids.begin(), ids.end(), [&](std::uint16_t a, std::uint16_t b) {
    return coords(infos[a].centre)[axis] < coords(infos[b].centre)[axis];
  });
  const std::size_t mid = ids.size() / 2;
  const double split = (coords(infos[ids[mid - 1]].centre)[axis] + coords(infos[ids[mid]].centre)[axis]) / 2.0;
  Vector3 normal;
  (axis == 0 ? normal.x : axis == 1 ? normal.y : normal.z) = 1.0f;
  return Plane{normal, static_cast<float>(-split)};
}

class PhysicsBuilder {
 public:
  explicit PhysicsBuilder(const std::vector<PolygonInfo>& infos) : infos_(infos) {}

  BspNode build(Ids ids, std::size_t depth) {
    if (ids.size() <= kPhysicsLeafPolygons || depth >= kMaxBuildDepth) return leaf(std::move(ids));
    // Halve the polygons across the widest spread of their centres.
    const auto plane = median_plane(infos_, ids);
    if (!plane) return leaf(std::move(ids));
    const std::size_t mid = ids.size() / 2;
    const Ids neg(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(mid));
    const Ids pos(ids.begin() + static_cast<std::ptrdiff_t>(mid), ids.end());

    InternalNode node;
    node.node_type = kBothChildren;
    node.splitting_plane = *plane;
    // Children in stored order, so leaf numbers follow the stream.
    node.pos_node = boxed(build(pos, depth + 1));
    node.neg_node = boxed(build(neg, depth + 1));
    node.bounding_sphere = sphere_of(infos_, ids);
    return BspNode{std::move(node)};
  }

 private:
  BspNode leaf(Ids ids) {
    BspLeaf leaf;
    leaf.leaf_index = next_leaf_++;
    leaf.physics_word = ids.empty() ? 0 : 1;  // 1: the leaf holds solid polygons
    leaf.bounding_sphere = sphere_of(infos_, ids);
    leaf.poly_ids = std::move(ids);
    return BspNode{std::move(leaf)};
  }

  const std::vector<PolygonInfo>& infos_;
  std::uint32_t next_leaf_ = 0;
};

class DrawingBuilder {
 public:
  explicit DrawingBuilder(const std::vector<PolygonInfo>& infos) : infos_(infos) {}

  BspNode build(const Ids& ids, std::size_t depth) {
    if (ids.empty()) return empty_leaf();
    const Plane plane = choose_plane(ids);
    Ids on;
    Ids front;
    Ids back;
    for (const std::uint16_t id : ids) {
      const Side side = classify(plane, infos_[id]);
      // Past the depth limit a node keeps whatever is left.
      if (side == Side::On || depth >= kMaxBuildDepth) {
        on.push_back(id);
      } else {
        (goes_front(plane, infos_[id], side) ? front : back).push_back(id);
      }
    }
    InternalNode node;
    node.splitting_plane = plane;
    if (!front.empty() && !back.empty()) {
      node.node_type = kBothChildren;
      node.pos_node = boxed(build(front, depth + 1));
      node.neg_node = boxed(build(back, depth + 1));
    } else if (!back.empty()) {
      node.node_type = kNegativeOnly;
      node.neg_node = boxed(build(back, depth + 1));
    } else {
      // Nothing behind: the positive side goes on, down to an empty leaf if need be.
      node.node_type = kPositiveOnly;
      node.pos_node = boxed(build(front, depth + 1));
    }
    node.bounding_sphere = sphere_of(infos_, ids);
    node.poly_ids = std::move(on);
    return BspNode{std::move(node)};
  }

  // A PORT root on the plane of the first portal polygon, holding all of them.
  BspNode build_portal_root(const Ids& ids, const Ids& portals) {
    BspPortal portal;
    portal.splitting_plane = infos_[portals.front()].plane;
    Ids front;
    Ids back;
    for (const std::uint16_t id : ids) {
      const Side side = classify(portal.splitting_plane, infos_[id]);
      // The wall around a doorway lies in its plane; it is drawn with the outside.
      (side == Side::On || goes_front(portal.splitting_plane, infos_[id], side) ? front : back).push_back(id);
    }
    portal.pos_node = boxed(build(front, 1));
    portal.neg_node = boxed(build(back, 1));
    Ids all = ids;
    all.insert(all.end(), portals.begin(), portals.end());
    portal.bounding_sphere = sphere_of(infos_, all);
    portal.poly_ids = portals;
    for (std::size_t i = 0; i < portals.size(); ++i) {
      portal.portals.push_back(PortalPoly{static_cast<std::uint16_t>(i), portals[i]});
    }
    return BspNode{std::move(portal)};
  }

 private:
  BspNode empty_leaf() {
    BspLeaf leaf;
    leaf.leaf_index = next_leaf_++;
    return BspNode{std::move(leaf)};
  }

  // The plane of the candidate polygon that cuts fewest polygons and balances the sides
  // best. On a convex piece every polygon's plane has all the others behind it, which
  // would make a chain as deep as the piece has faces; there the median across the
  // widest spread of centres balances the tree instead.
  Plane choose_plane(const Ids& ids) const {
    const std::size_t step = std::max<std::size_t>(1, ids.size() / kSplitterCandidates);
    std::uint16_t best = ids.front();
    std::size_t best_score = std::numeric_limits<std::size_t>::max();
    bool best_one_sided = true;
    for (std::size_t c = 0; c < ids.size(); c += step) {
      const Plane& plane = infos_[ids[c]].plane;
      std::size_t front = 0;
      std::size_t back = 0;
      std::size_t straddle = 0;
      for (const std::uint16_t id : ids) {
        switch (classify(plane, infos_[id])) {
          case Side::Front:
            ++front;
            break;
          case Side::Back:
            ++back;
            break;
          case Side::Straddle:
            ++straddle;
            break;
          case Side::On:
            break;
        }
      }
      const std::size_t score = 3 * straddle + (front > back ? front - back : back - front);
      if (score < best_score) {
        best_score = score;
        best = ids[c];
        best_one_sided = front + straddle == 0 || back + straddle == 0;
      }
    }
    if (best_one_sided && ids.size() > kPhysicsLeafPolygons) {
      Ids sorted = ids;
      if (const auto median = median_plane(infos_, sorted); median && splits(*median, ids)) return *median;
    }
    return infos_[best].plane;
  }

  // Whether `plane` leaves polygons on both sides, so that recursing on it makes progress.
  bool splits(const Plane& plane, const Ids& ids) const {
    bool front = false;
    bool back = false;
    for (const std::uint16_t id : ids) {
      const Side side = classify(plane, infos_[id]);
      if (side == Side::On) return false;
      (goes_front(plane, infos_[id], side) ? front : back) = true;
    }
    return front && back;
  }

  const std::vector<PolygonInfo>& infos_;
  std::uint32_t next_leaf_ = 0;
};

}  // namespace

std::expected<BspNode, BspBuildError> build_physics_bsp(std::span<const BspPolygon> polygons,
                                                        std::span<const std::uint16_t> ids) {
  if (auto checked = check_ids(polygons, ids); !checked) return std::unexpected(std::move(checked).error());
  const auto infos = describe(polygons);
  PhysicsBuilder builder(infos);
  return builder.build(Ids(ids.begin(), ids.end()), 1);
}

std::expected<BspNode, BspBuildError> build_drawing_bsp(std::span<const BspPolygon> polygons,
                                                        std::span<const std::uint16_t> ids) {
  if (auto checked = check_ids(polygons, ids); !checked) return std::unexpected(std::move(checked).error());
  const auto infos = describe(polygons);
  Ids solid;
  Ids portals;
  for (const std::uint16_t id : ids) (polygons[id].portal ? portals : solid).push_back(id);
  DrawingBuilder builder(infos);
  if (!portals.empty()) return builder.build_portal_root(solid, portals);
  return builder.build(solid, 1);
}

std::expected<Sphere, BspBuildError> bounding_sphere(std::span<const BspPolygon> polygons,
                                                     std::span<const std::uint16_t> ids) {
  if (auto checked = check_ids(polygons, ids); !checked) return std::unexpected(std::move(checked).error());
  return sphere_of(describe(polygons), ids);
}

}  // namespace quillfen::dat::write
