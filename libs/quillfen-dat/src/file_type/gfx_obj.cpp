// Reading and writing of GfxObj records.
#include "quillfen/dat/file_type/gfx_obj.hpp"

#include "quillfen/dat/utils.hpp"

namespace quillfen::dat::file_type {

namespace {

using graphics::Polygon;
using PolygonMap = FlatMap<std::uint16_t, Polygon>;

// A compressed count, then that many (u16 id, Polygon) pairs.
ReadResult<PolygonMap> read_polygons(Reader& reader) {
  QF_TRY_ASSIGN(const std::uint32_t count, utils::read_compressed_u32(reader));
  std::vector<std::pair<std::uint16_t, Polygon>> entries;
  // Smallest entry: the id and a polygon without points.
  entries.reserve(reader.capacity_for(count, 2 + 10));
  for (std::uint32_t i = 0; i < count; ++i) {
    QF_TRY_ASSIGN(const std::uint16_t id, reader.read_u16_le());
    QF_TRY_ASSIGN(auto polygon, Polygon::read(reader));
    entries.emplace_back(id, std::move(polygon));
  }
  return PolygonMap::from_entries(std::move(entries));
}

PackResult write_polygons(ByteWriter& writer, const PolygonMap& polygons) {
  QF_TRY_VOID(utils::write_compressed_u32(writer, polygons.size()));
  for (const auto& [id, polygon] : polygons) {
    writer.write_u16_le(id);
    QF_TRY_VOID(polygon.pack(writer));
  }
  return {};
}

// Writes the tree without copying it; a missing one becomes a default leaf.
PackResult write_tree(ByteWriter& writer, const std::optional<physics::BspNode>& tree, physics::BspTreeKind kind) {
  if (tree) return tree->pack(writer, kind);
  return physics::BspNode{}.pack(writer, kind);
}

}  // namespace

ReadResult<GfxObj> GfxObj::unpack(Reader& reader) {
  GfxObj obj;
  QF_TRY_ASSIGN(obj.id, reader.read_u32_le());
  QF_TRY_ASSIGN(obj.flags, reader.read_u32_le());
  QF_TRY_ASSIGN(obj.surfaces, utils::read_smart_vec(reader));
  QF_TRY_ASSIGN(obj.vertex_array, graphics::CVertexArray::read(reader));
  if ((obj.flags & kGfxObjHasPhysics) != 0) {
    QF_TRY_ASSIGN(obj.physics_polygons, read_polygons(reader));
    QF_TRY_ASSIGN(obj.physics_bsp, physics::BspNode::read(reader, physics::BspTreeKind::Physics));
  }
  QF_TRY_ASSIGN(obj.sort_center, Vector3::read(reader));
  if ((obj.flags & kGfxObjHasDrawing) != 0) {
    QF_TRY_ASSIGN(obj.drawing_polygons, read_polygons(reader));
    QF_TRY_ASSIGN(obj.drawing_bsp, physics::BspNode::read(reader, physics::BspTreeKind::Drawing));
  }
  if ((obj.flags & kGfxObjHasDegradeId) != 0) {
    QF_TRY_ASSIGN(obj.degrade_id, reader.read_u32_le());
  }
  return obj;
}

PackResult GfxObj::pack(ByteWriter& writer) const {
  writer.write_u32_le(id);
  writer.write_u32_le(flags);
  QF_TRY_VOID(utils::write_smart_vec(writer, surfaces));
  QF_TRY_VOID(vertex_array.pack(writer));
  if ((flags & kGfxObjHasPhysics) != 0) {
    QF_TRY_VOID(write_polygons(writer, physics_polygons));
    QF_TRY_VOID(write_tree(writer, physics_bsp, physics::BspTreeKind::Physics));
  }
  sort_center.pack(writer);
  if ((flags & kGfxObjHasDrawing) != 0) {
    QF_TRY_VOID(write_polygons(writer, drawing_polygons));
    QF_TRY_VOID(write_tree(writer, drawing_bsp, physics::BspTreeKind::Drawing));
  }
  if ((flags & kGfxObjHasDegradeId) != 0) writer.write_u32_le(degrade_id.value_or(0));
  return {};
}

}  // namespace quillfen::dat::file_type
