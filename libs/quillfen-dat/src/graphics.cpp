// Reading and writing of the graphics records.
#include "quillfen/dat/graphics.hpp"

#include "pack_count.hpp"

namespace quillfen::dat::graphics {

ReadResult<Frame> Frame::read(Reader& reader) {
  Frame frame;
  QF_FIELD(frame.origin, Vector3::read(reader), "origin", "Frame");
  QF_FIELD(frame.orientation, Quaternion::read(reader), "orientation", "Frame");
  return frame;
}

void Frame::pack(ByteWriter& writer) const {
  origin.pack(writer);
  orientation.pack(writer);
}

ReadResult<Vec2Duv> Vec2Duv::read(Reader& reader) {
  Vec2Duv uv;
  QF_FIELD(uv.u, reader.read_f32_le(), "u", "Vec2Duv");
  QF_FIELD(uv.v, reader.read_f32_le(), "v", "Vec2Duv");
  return uv;
}

void Vec2Duv::pack(ByteWriter& writer) const {
  writer.write_f32_le(u);
  writer.write_f32_le(v);
}

ReadResult<SWVertex> SWVertex::read(Reader& reader) {
  SWVertex vertex;
  QF_FIELD(const std::uint16_t num_uvs, reader.read_u16_le(), "num_uvs", "SWVertex");
  QF_FIELD(vertex.origin, Vector3::read(reader), "origin", "SWVertex");
  QF_FIELD(vertex.normal, Vector3::read(reader), "normal", "SWVertex");
  vertex.uvs.reserve(reader.capacity_for(num_uvs, 8));
  for (std::uint16_t i = 0; i < num_uvs; ++i) {
    QF_FIELD(const Vec2Duv uv, Vec2Duv::read(reader), "uvs", "SWVertex");
    vertex.uvs.push_back(uv);
  }
  return vertex;
}

PackResult SWVertex::pack(ByteWriter& writer) const {
  QF_TRY_VOID(packing::write_count<std::uint16_t>(writer, uvs.size(), "SWVertex", "uvs"));
  origin.pack(writer);
  normal.pack(writer);
  for (const auto& uv : uvs) uv.pack(writer);
  return {};
}

ReadResult<CVertexArray> CVertexArray::read(Reader& reader) {
  CVertexArray array;
  QF_TRY_ASSIGN(array.vertex_type, reader.read_u32_le());
  QF_TRY_ASSIGN(const std::uint32_t count, reader.read_u32_le());
  // Any other type stores no vertices: its count means nothing and the record goes on.
  if (array.vertex_type != kVertexTypeSw) return array;
  std::vector<std::pair<std::uint16_t, SWVertex>> entries;
  // Smallest entry: the id, num_uvs and two vectors.
  entries.reserve(reader.capacity_for(count, 2 + 2 + 24));
  for (std::uint32_t i = 0; i < count; ++i) {
    QF_TRY_ASSIGN(const std::uint16_t id, reader.read_u16_le());
    QF_TRY_ASSIGN(auto vertex, SWVertex::read(reader));
    entries.emplace_back(id, std::move(vertex));
  }
  array.vertices = FlatMap<std::uint16_t, SWVertex>::from_entries(std::move(entries));
  return array;
}

PackResult CVertexArray::pack(ByteWriter& writer) const {
  writer.write_u32_le(vertex_type);
  if (vertex_type != kVertexTypeSw) {
    writer.write_u32_le(0);
    return {};
  }
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, vertices.size(), "CVertexArray", "vertices"));
  for (const auto& [id, vertex] : vertices) {
    writer.write_u16_le(id);
    QF_TRY_VOID(vertex.pack(writer));
  }
  return {};
}

ReadResult<Polygon> Polygon::read(Reader& reader) {
  Polygon polygon;
  QF_TRY_ASSIGN(const std::uint8_t num_points, reader.read_u8());
  QF_TRY_ASSIGN(polygon.stippling, reader.read_u8());
  QF_TRY_ASSIGN(polygon.sides_type, reader.read_u32_le());
  QF_TRY_ASSIGN(polygon.pos_surface, reader.read_u16_le());
  QF_TRY_ASSIGN(polygon.neg_surface, reader.read_u16_le());
  // At most 255 points: the lists are sized up front and filled from the bytes at once.
  QF_TRY_ASSIGN(const auto ids, reader.read_bytes(2 * std::size_t{num_points}));
  polygon.vertex_ids.resize(num_points);
  for (std::size_t i = 0; i < num_points; ++i) {
    polygon.vertex_ids[i] = static_cast<std::uint16_t>(ids[2 * i] | (ids[2 * i + 1] << 8));
  }
  if (polygon.has_pos_uvs()) {
    QF_TRY_ASSIGN(const auto uvs, reader.read_bytes(num_points));
    polygon.pos_uv_indices.assign(uvs.begin(), uvs.end());
  }
  if (polygon.has_neg_uvs()) {
    QF_TRY_ASSIGN(const auto uvs, reader.read_bytes(num_points));
    polygon.neg_uv_indices.assign(uvs.begin(), uvs.end());
  }
  return polygon;
}

PackResult Polygon::pack(ByteWriter& writer) const {
  // The UV lists are checked first: nothing is written for a polygon that cannot be.
  if (has_pos_uvs()) {
    QF_TRY_VOID(packing::check_length(pos_uv_indices.size(), vertex_ids.size(), "Polygon", "pos_uv_indices", "point"));
  }
  if (has_neg_uvs()) {
    QF_TRY_VOID(packing::check_length(neg_uv_indices.size(), vertex_ids.size(), "Polygon", "neg_uv_indices", "point"));
  }
  QF_TRY_VOID(packing::write_count<std::uint8_t>(writer, vertex_ids.size(), "Polygon", "vertex_ids"));
  writer.write_u8(stippling);
  writer.write_u32_le(sides_type);
  writer.write_u16_le(pos_surface);
  writer.write_u16_le(neg_surface);
  for (const std::uint16_t id : vertex_ids) writer.write_u16_le(id);
  if (has_pos_uvs()) writer.write_bytes(pos_uv_indices);
  if (has_neg_uvs()) writer.write_bytes(neg_uv_indices);
  return {};
}

}  // namespace quillfen::dat::graphics
