// Primitive shapes as flat-shaded faces. Corner orders are chosen so that each face's
// normal (by Newell's method) points out of the solid.
#include "sample-world/meshes.hpp"

#include <cmath>
#include <numbers>

namespace quillfen::sample {
namespace {

// Newell's method: robust for any planar polygon, whatever its first three corners.
Vector3 face_normal(const std::vector<Vector3>& corners) {
  double nx = 0.0;
  double ny = 0.0;
  double nz = 0.0;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const Vector3& a = corners[i];
    const Vector3& b = corners[(i + 1) % corners.size()];
    nx += (double{a.y} - b.y) * (double{a.z} + b.z);
    ny += (double{a.z} - b.z) * (double{a.x} + b.x);
    nz += (double{a.x} - b.x) * (double{a.y} + b.y);
  }
  return normalized(vec(nx, ny, nz));
}

// Point i of a `sides`-gon of `radius` around (cx, cy), counter-clockwise from +x.
Vector3 circle_point(double cx, double cy, double radius, unsigned i, unsigned sides, double z) {
  const double angle = 2.0 * std::numbers::pi * static_cast<double>(i % sides) / static_cast<double>(sides);
  return vec(cx + radius * std::cos(angle), cy + radius * std::sin(angle), z);
}

}  // namespace

void Mesh::add_face(std::initializer_list<Vector3> corners, std::uint16_t surface, double uv_scale, bool double_sided) {
  add(std::vector<Vector3>(corners), surface, uv_scale, double_sided, false);
}

void Mesh::add_face(const std::vector<Vector3>& corners, std::uint16_t surface, double uv_scale, bool double_sided) {
  add(corners, surface, uv_scale, double_sided, false);
}

void Mesh::add_portal(std::initializer_list<Vector3> corners) {
  add(std::vector<Vector3>(corners), 0, 1.0, false, true);
}

void Mesh::add_portal(const std::vector<Vector3>& corners) { add(corners, 0, 1.0, false, true); }

std::vector<Vector3> Mesh::polygon_points(std::size_t index) const {
  std::vector<Vector3> points;
  for (const std::uint16_t v : polygons_[index].vertices) points.push_back(vertices_[v].position);
  return points;
}

std::vector<dat::write::BspPolygon> Mesh::bsp_polygons() const {
  std::vector<dat::write::BspPolygon> polygons;
  polygons.reserve(polygons_.size());
  for (std::size_t i = 0; i < polygons_.size(); ++i) {
    // Every vertex of a face carries the face normal.
    polygons.push_back({polygon_points(i), vertices_[polygons_[i].vertices.front()].normal, polygons_[i].portal});
  }
  return polygons;
}

void Mesh::add(const std::vector<Vector3>& corners, std::uint16_t surface, double uv_scale, bool double_sided,
               bool portal) {
  // A polygon stores its point count in one byte and vertex ids in 16 bits.
  if (corners.size() < 3 || corners.size() > 255 || vertices_.size() + corners.size() > 0x10000) return;
  const Vector3 normal = face_normal(corners);
  // Texture axes on the face: along the first edge, and across it within the face.
  const Vector3 tangent = normalized(corners[1] - corners[0]);
  const Vector3 bitangent = cross(normal, tangent);
  const double scale = uv_scale > 0.0 ? uv_scale : 1.0;
  MeshPolygon polygon;
  polygon.surface = surface;
  polygon.double_sided = double_sided;
  polygon.portal = portal;
  for (const Vector3& corner : corners) {
    const Vector3 offset = corner - corners[0];
    polygon.vertices.push_back(static_cast<std::uint16_t>(vertices_.size()));
    vertices_.push_back({corner, normal, static_cast<float>(dot(offset, tangent) / scale),
                         static_cast<float>(dot(offset, bitangent) / scale)});
  }
  polygons_.push_back(std::move(polygon));
}

std::vector<Vector3> facing_rect(Vector3 centre, double nx, double ny, double width, double height) {
  // Along the wall counter-clockwise seen from above, so the face looks along (nx, ny).
  const Vector3 along = normalized(vec(-ny, nx, 0.0)) * (width / 2.0);
  const Vector3 up = vec(0.0, 0.0, height / 2.0);
  return {centre - along - up, centre + along - up, centre + along + up, centre - along + up};
}

void add_box(Mesh& mesh, Vector3 lo, Vector3 hi, BoxSurfaces s, bool bottom) {
  const auto p = [&](bool x, bool y, bool z) { return Vector3{x ? hi.x : lo.x, y ? hi.y : lo.y, z ? hi.z : lo.z}; };
  if (bottom) mesh.add_face({p(0, 0, 0), p(0, 1, 0), p(1, 1, 0), p(1, 0, 0)}, s.bottom);
  mesh.add_face({p(0, 0, 1), p(1, 0, 1), p(1, 1, 1), p(0, 1, 1)}, s.top);
  mesh.add_face({p(0, 0, 0), p(1, 0, 0), p(1, 0, 1), p(0, 0, 1)}, s.sides);  // front, -y
  mesh.add_face({p(1, 1, 0), p(0, 1, 0), p(0, 1, 1), p(1, 1, 1)}, s.sides);  // back, +y
  mesh.add_face({p(0, 1, 0), p(0, 0, 0), p(0, 0, 1), p(0, 1, 1)}, s.sides);  // left, -x
  mesh.add_face({p(1, 0, 0), p(1, 1, 0), p(1, 1, 1), p(1, 0, 1)}, s.sides);  // right, +x
}

void add_walls_with_door(Mesh& mesh, Vector3 lo, Vector3 hi, double door_width, double door_height,
                         std::uint16_t surface) {
  const double cx = (double{lo.x} + hi.x) / 2.0;
  const double dl = cx - door_width / 2.0;
  const double dr = cx + door_width / 2.0;
  const double dz = lo.z + door_height;
  const double y = lo.y;
  mesh.add_face({vec(lo.x, y, lo.z), vec(dl, y, lo.z), vec(dl, y, hi.z), vec(lo.x, y, hi.z)}, surface);
  mesh.add_face({vec(dr, y, lo.z), vec(hi.x, y, lo.z), vec(hi.x, y, hi.z), vec(dr, y, hi.z)}, surface);
  mesh.add_face({vec(dl, y, dz), vec(dr, y, dz), vec(dr, y, hi.z), vec(dl, y, hi.z)}, surface);
  mesh.add_portal({vec(dl, y, lo.z), vec(dr, y, lo.z), vec(dr, y, dz), vec(dl, y, dz)});
  const auto p = [&](bool x, bool yy, bool z) { return Vector3{x ? hi.x : lo.x, yy ? hi.y : lo.y, z ? hi.z : lo.z}; };
  mesh.add_face({p(1, 1, 0), p(0, 1, 0), p(0, 1, 1), p(1, 1, 1)}, surface);
  mesh.add_face({p(0, 1, 0), p(0, 0, 0), p(0, 0, 1), p(0, 1, 1)}, surface);
  mesh.add_face({p(1, 0, 0), p(1, 1, 0), p(1, 1, 1), p(1, 0, 1)}, surface);
}

void add_prism(Mesh& mesh, double cx, double cy, double radius, double z0, double z1, unsigned sides,
               std::uint16_t side_surface, std::uint16_t cap_surface, bool caps) {
  if (sides < 3) return;
  for (unsigned i = 0; i < sides; ++i) {
    mesh.add_face({circle_point(cx, cy, radius, i, sides, z0), circle_point(cx, cy, radius, i + 1, sides, z0),
                   circle_point(cx, cy, radius, i + 1, sides, z1), circle_point(cx, cy, radius, i, sides, z1)},
                  side_surface);
  }
  if (!caps) return;
  std::vector<Vector3> top;
  std::vector<Vector3> bottom;
  for (unsigned i = 0; i < sides; ++i) {
    top.push_back(circle_point(cx, cy, radius, i, sides, z1));
    bottom.push_back(circle_point(cx, cy, radius, sides - i, sides, z0));
  }
  mesh.add_face(top, cap_surface);
  mesh.add_face(bottom, cap_surface);
}

void add_cone(Mesh& mesh, double cx, double cy, double radius, double z0, double z1, unsigned sides,
              std::uint16_t surface) {
  if (sides < 3) return;
  const Vector3 apex = vec(cx, cy, z1);
  for (unsigned i = 0; i < sides; ++i) {
    mesh.add_face({circle_point(cx, cy, radius, i, sides, z0), circle_point(cx, cy, radius, i + 1, sides, z0), apex},
                  surface);
  }
}

void add_gable_roof(Mesh& mesh, double x0, double x1, double y0, double y1, double z0, double z1,
                    std::uint16_t roof_surface, std::uint16_t gable_surface) {
  const double ym = (y0 + y1) / 2.0;
  mesh.add_face({vec(x0, y0, z0), vec(x1, y0, z0), vec(x1, ym, z1), vec(x0, ym, z1)}, roof_surface);
  mesh.add_face({vec(x1, y1, z0), vec(x0, y1, z0), vec(x0, ym, z1), vec(x1, ym, z1)}, roof_surface);
  mesh.add_face({vec(x0, y1, z0), vec(x0, y0, z0), vec(x0, ym, z1)}, gable_surface);
  mesh.add_face({vec(x1, y0, z0), vec(x1, y1, z0), vec(x1, ym, z1)}, gable_surface);
}

void add_disc(Mesh& mesh, double cx, double cy, double radius, double z, unsigned sides, std::uint16_t surface) {
  if (sides < 3) return;
  std::vector<Vector3> points;
  for (unsigned i = 0; i < sides; ++i) points.push_back(circle_point(cx, cy, radius, i, sides, z));
  mesh.add_face(points, surface);
}

void add_panel(Mesh& mesh, double cx, double cy, double width, double z0, double z1, std::uint16_t surface) {
  const double l = cx - width / 2.0;
  const double r = cx + width / 2.0;
  mesh.add_face({vec(l, cy, z0), vec(r, cy, z0), vec(r, cy, z1), vec(l, cy, z1)}, surface, 1.0, true);
}

void add_ground(Mesh& mesh, double x0, double y0, double x1, double y1, double z, std::uint16_t surface) {
  mesh.add_face({vec(x0, y0, z), vec(x1, y0, z), vec(x1, y1, z), vec(x0, y1, z)}, surface, 4.0);
}

void add_blob(Mesh& mesh, Vector3 centre, double rx, double ry, double rz, unsigned segments, unsigned rings,
              std::uint16_t surface) {
  if (segments < 3 || rings < 2) return;
  const auto point = [&](unsigned ring, unsigned seg) {
    const double lat = -std::numbers::pi / 2.0 + std::numbers::pi * ring / rings;
    const double lon = 2.0 * std::numbers::pi * (seg % segments) / segments;
    return vec(centre.x + rx * std::cos(lat) * std::cos(lon), centre.y + ry * std::cos(lat) * std::sin(lon),
               centre.z + rz * std::sin(lat));
  };
  for (unsigned ring = 0; ring < rings; ++ring) {
    for (unsigned seg = 0; seg < segments; ++seg) {
      const Vector3 a = point(ring, seg);
      const Vector3 b = point(ring, seg + 1);
      const Vector3 c = point(ring + 1, seg + 1);
      const Vector3 d = point(ring + 1, seg);
      // The bands at the poles close in triangles.
      if (ring == 0) {
        mesh.add_face({a, c, d}, surface, 1.5);
      } else if (ring + 1 == rings) {
        mesh.add_face({a, b, c}, surface, 1.5);
      } else {
        mesh.add_face({a, b, c, d}, surface, 1.5);
      }
    }
  }
}

}  // namespace quillfen::sample
