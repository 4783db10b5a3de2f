// Mesh to GfxObj. Each vertex has one UV set, so every UV index is 0.
#include "sample-world/gfx_builder.hpp"

#include <algorithm>

#include <fmt/format.h>

#include "quillfen/dat/write/bsp_builder.hpp"

namespace quillfen::sample {

using dat::FlatMap;
using dat::file_type::GfxObj;
using dat::graphics::Polygon;

namespace {

Polygon drawing_polygon(const MeshPolygon& source) {
  Polygon polygon;
  polygon.vertex_ids = source.vertices;
  polygon.pos_surface = source.surface;
  if (source.portal) {
    // A doorway shows no texture of its own.
    polygon.stippling = dat::graphics::kNoPosUvs | dat::graphics::kNoNegUvs;
    return polygon;
  }
  polygon.pos_uv_indices.assign(source.vertices.size(), 0);
  if (source.double_sided) {
    polygon.sides_type = dat::graphics::kSidesTypeBoth;
    polygon.neg_surface = source.surface;
    polygon.neg_uv_indices.assign(source.vertices.size(), 0);
  }
  return polygon;
}

// Collision needs only the shape: no UVs on either side.
Polygon physics_polygon(const MeshPolygon& source) {
  Polygon polygon;
  polygon.vertex_ids = source.vertices;
  polygon.pos_surface = source.surface;
  polygon.stippling = dat::graphics::kNoPosUvs | dat::graphics::kNoNegUvs;
  return polygon;
}

}  // namespace

std::expected<GfxObj, std::string> make_gfx_obj(std::uint32_t id, const Mesh& mesh,
                                                std::vector<std::uint32_t> surfaces, const GfxOptions& options) {
  GfxObj gfx;
  gfx.id = id;
  gfx.flags = dat::file_type::kGfxObjHasDrawing;
  gfx.surfaces = std::move(surfaces);

  std::vector<std::pair<std::uint16_t, dat::graphics::SWVertex>> vertices;
  vertices.reserve(mesh.vertices().size());
  for (std::size_t i = 0; i < mesh.vertices().size(); ++i) {
    const MeshVertex& v = mesh.vertices()[i];
    vertices.emplace_back(static_cast<std::uint16_t>(i),
                          dat::graphics::SWVertex{v.position, v.normal, {dat::graphics::Vec2Duv{v.u, v.v}}});
  }
  gfx.vertex_array.vertex_type = dat::graphics::kVertexTypeSw;
  gfx.vertex_array.vertices = FlatMap<std::uint16_t, dat::graphics::SWVertex>::from_entries(std::move(vertices));

  std::vector<std::uint16_t> all;
  std::vector<std::uint16_t> solid;
  std::vector<std::pair<std::uint16_t, Polygon>> drawing;
  std::vector<std::pair<std::uint16_t, Polygon>> physics;
  for (std::size_t i = 0; i < mesh.polygons().size(); ++i) {
    const auto pid = static_cast<std::uint16_t>(i);
    const MeshPolygon& source = mesh.polygons()[i];
    all.push_back(pid);
    drawing.emplace_back(pid, drawing_polygon(source));
    if (!source.portal) {
      solid.push_back(pid);
      physics.emplace_back(pid, physics_polygon(source));
    }
  }

  const auto failed = [id](const dat::write::BspBuildError& error) {
    return std::unexpected(fmt::format("GfxObj 0x{:08X}: {}", id, error.message));
  };
  const std::vector<dat::write::BspPolygon> polygons = mesh.bsp_polygons();
  if (options.physics && !solid.empty()) {
    gfx.flags |= dat::file_type::kGfxObjHasPhysics;
    gfx.physics_polygons = FlatMap<std::uint16_t, Polygon>::from_entries(std::move(physics));
    auto tree = dat::write::build_physics_bsp(polygons, solid);
    if (!tree) return failed(tree.error());
    gfx.physics_bsp = std::move(*tree);
  }
  const auto sphere = dat::write::bounding_sphere(polygons, all);
  if (!sphere) return failed(sphere.error());
  gfx.sort_center = sphere->center;
  gfx.drawing_polygons = FlatMap<std::uint16_t, Polygon>::from_entries(std::move(drawing));
  auto tree = dat::write::build_drawing_bsp(polygons, all);
  if (!tree) return failed(tree.error());
  gfx.drawing_bsp = std::move(*tree);
  if (options.degrade_id) {
    gfx.flags |= dat::file_type::kGfxObjHasDegradeId;
    gfx.degrade_id = options.degrade_id;
  }
  return gfx;
}

}  // namespace quillfen::sample
