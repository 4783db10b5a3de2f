// The two BSP trees of a GfxObj, built from its mesh by a small recursive splitter.
//
// The physics tree halves the polygons at the median of their centres along the widest
// axis until a handful remain, and keeps them in LEAF nodes with their bounding spheres.
// The drawing tree splits on the planes of the polygons themselves: a node keeps the
// polygons in its plane and sends the others to the side their centre lies on (polygons
// are never cut), so its nodes are BPIN, BPIn or BpIN as the sides are filled. Where no
// polygon's plane divides the rest (a convex piece), it splits at the median of the
// centres instead, which keeps the tree shallow. A mesh with doorways gets a PORT root on
// the first doorway's plane.
#pragma once

#include <cstdint>
#include <span>

#include "quillfen/dat/physics.hpp"
#include "sample-world/meshes.hpp"

namespace quillfen::sample {

// Polygons per physics leaf, and the depth past which neither builder splits further.
inline constexpr std::size_t kPhysicsLeafPolygons = 4;
inline constexpr std::size_t kMaxBuildDepth = 40;

// The physics tree over `polygons` (polygon ids = indices into mesh.polygons()).
dat::physics::BspNode build_physics_bsp(const Mesh& mesh, std::span<const std::uint16_t> polygons);

// The drawing tree over `polygons`; those marked as portals become the PORT root's
// portal polygons.
dat::physics::BspNode build_drawing_bsp(const Mesh& mesh, std::span<const std::uint16_t> polygons);

// The sphere around the corners of `polygons`: centred on their bounding box, with the
// distance to the farthest corner as radius.
common::Sphere bounding_sphere(const Mesh& mesh, std::span<const std::uint16_t> polygons);

}  // namespace quillfen::sample
