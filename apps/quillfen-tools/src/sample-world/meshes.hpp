// Meshes of the sample world's models, built from a few primitive shapes: boxes, prisms,
// cones, gable roofs, flat panels and rough spheres. Each face gets its own vertices (flat
// shading, one UV set projected on the face) and names the slot of its surface in the
// part's surface list; doorways are marked as portal polygons.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "quillfen/dat/write/bsp_builder.hpp"
#include "sample-world/geometry.hpp"

namespace quillfen::sample {

struct MeshVertex {
  Vector3 position;
  Vector3 normal;
  float u = 0.0f;
  float v = 0.0f;
};

struct MeshPolygon {
  std::vector<std::uint16_t> vertices;  // counter-clockwise seen from the front
  std::uint16_t surface = 0;            // slot in the part's surface list
  bool double_sided = false;            // leaves, banners, fences: painted on both sides
  bool portal = false;                  // a doorway: a portal in the drawing tree, not solid
};

class Mesh {
 public:
  // Adds one flat face through `corners` (at least 3, counter-clockwise from the front).
  // Its texture repeats every `uv_scale` units along the face. Faces past the 65536
  // vertex ids a GfxObj can name are dropped.
  void add_face(std::initializer_list<Vector3> corners, std::uint16_t surface, double uv_scale = 2.0,
                bool double_sided = false);
  void add_face(const std::vector<Vector3>& corners, std::uint16_t surface, double uv_scale = 2.0,
                bool double_sided = false);
  // A doorway: drawn as a portal and left out of the physics section.
  void add_portal(std::initializer_list<Vector3> corners);
  void add_portal(const std::vector<Vector3>& corners);

  const std::vector<MeshVertex>& vertices() const { return vertices_; }
  const std::vector<MeshPolygon>& polygons() const { return polygons_; }
  bool empty() const { return polygons_.empty(); }

  // The corners of polygon `index`, in order.
  std::vector<Vector3> polygon_points(std::size_t index) const;
  // Every polygon as the BSP builders take it, in order: its corners, its face normal and
  // whether it is a doorway.
  std::vector<dat::write::BspPolygon> bsp_polygons() const;

 private:
  void add(const std::vector<Vector3>& corners, std::uint16_t surface, double uv_scale, bool double_sided, bool portal);

  std::vector<MeshVertex> vertices_;
  std::vector<MeshPolygon> polygons_;
};

// The corners of a vertical `width` x `height` rectangle centred on `centre` and facing
// the horizontal direction (nx, ny): windows, signs, doorways in round walls.
std::vector<Vector3> facing_rect(Vector3 centre, double nx, double ny, double width, double height);

// The surface slots of a box's sides, top and bottom.
struct BoxSurfaces {
  std::uint16_t sides = 0;
  std::uint16_t top = 0;
  std::uint16_t bottom = 0;
};

// An axis-aligned box from `lo` to `hi`; `bottom` false leaves the floor face out.
void add_box(Mesh& mesh, Vector3 lo, Vector3 hi, BoxSurfaces surfaces, bool bottom = true);

// The four outer walls of a building from `lo` to `hi` with a doorway of `door_width` x
// `door_height` centred in the front (low y) wall, which becomes a portal polygon.
void add_walls_with_door(Mesh& mesh, Vector3 lo, Vector3 hi, double door_width, double door_height,
                         std::uint16_t surface);

// An upright `sides`-sided prism around (cx, cy) from z0 to z1; caps take `cap` unless
// `caps` is false.
void add_prism(Mesh& mesh, double cx, double cy, double radius, double z0, double z1, unsigned sides,
               std::uint16_t side_surface, std::uint16_t cap_surface, bool caps = true);

// A cone (or pyramid for few sides) on the circle of `radius` at z0, apex at z1.
void add_cone(Mesh& mesh, double cx, double cy, double radius, double z0, double z1, unsigned sides,
              std::uint16_t surface);

// A gable roof over the rectangle [x0, x1] x [y0, y1] at height z0, ridge along x at z1,
// with two sloped faces and two triangular gable ends.
void add_gable_roof(Mesh& mesh, double x0, double x1, double y0, double y1, double z0, double z1,
                    std::uint16_t roof_surface, std::uint16_t gable_surface);

// A flat horizontal `sides`-gon (a pond, a well's water, a round table top).
void add_disc(Mesh& mesh, double cx, double cy, double radius, double z, unsigned sides, std::uint16_t surface);

// A vertical double-sided rectangle facing -y, centred on (cx, cy), from z0 to z1.
void add_panel(Mesh& mesh, double cx, double cy, double width, double z0, double z1, std::uint16_t surface);

// A flat ground patch: a horizontal rectangle facing up.
void add_ground(Mesh& mesh, double x0, double y0, double x1, double y1, double z, std::uint16_t surface);

// A rough sphere (a tree's canopy, a bush): `rings` bands of `segments` faces.
void add_blob(Mesh& mesh, Vector3 centre, double rx, double ry, double rz, unsigned segments, unsigned rings,
              std::uint16_t surface);

}  // namespace quillfen::sample
