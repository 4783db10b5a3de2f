// The two BSP trees of a GfxObj, built from its polygons by a small recursive splitter.
//
// The physics tree halves the polygons at the median of their centres along the widest
// axis until a handful remain, and keeps them in LEAF nodes with their bounding spheres.
// The drawing tree splits on the planes of the polygons themselves: a node keeps the
// polygons in its plane and sends the others to the side their centre lies on (polygons
// are never cut), so its nodes are BPIN, BPIn or BpIN as the sides are filled. Where no
// polygon's plane divides the rest (a convex piece), it splits at the median of the
// centres instead, which keeps the tree shallow. Polygons marked as portals (doorways)
// give the drawing tree a PORT root on the first portal's plane.
#pragma once

#include "quillfen/common/config.hpp"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "quillfen/dat/physics.hpp"

namespace quillfen::dat::write {

// One polygon as the builders see it: its corners in order and the normal of its face.
struct BspPolygon {
  std::vector<Vector3> points;  // at least one; a face has three or more
  Vector3 normal;
  bool portal = false;  // a doorway: a portal of the drawing tree, not a solid face

  bool operator==(const BspPolygon&) const = default;
};

// Polygons per physics leaf, and the depth past which neither builder splits further.
inline constexpr std::size_t kPhysicsLeafPolygons = 4;
inline constexpr std::size_t kMaxBuildDepth = 40;

// Why a tree could not be built: a polygon id beyond the list, or a polygon without points.
struct BspBuildError {
  std::string message;

  bool operator==(const BspBuildError&) const = default;
};

// In each builder `ids` picks the polygons to place, by index into `polygons`; the trees
// name them by these ids.

// The physics tree over `ids`.
std::expected<physics::BspNode, BspBuildError> build_physics_bsp(std::span<const BspPolygon> polygons,
                                                                 std::span<const std::uint16_t> ids);

// The drawing tree over `ids`; those marked as portals become the PORT root's portal
// polygons.
std::expected<physics::BspNode, BspBuildError> build_drawing_bsp(std::span<const BspPolygon> polygons,
                                                                 std::span<const std::uint16_t> ids);

// The sphere around the corners of the polygons `ids`: centred on their bounding box,
// with the distance to the farthest corner, rounded up, as radius.
std::expected<Sphere, BspBuildError> bounding_sphere(std::span<const BspPolygon> polygons,
                                                     std::span<const std::uint16_t> ids);

}  // namespace quillfen::dat::write
