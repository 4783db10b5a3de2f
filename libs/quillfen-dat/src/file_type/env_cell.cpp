// Reading and writing of EnvCell records.
#include "quillfen/dat/file_type/env_cell.hpp"

#include "pack_count.hpp"

namespace quillfen::dat::file_type::env_cell {

ReadResult<CellPortal> CellPortal::read(Reader& reader) {
  CellPortal portal;
  QF_FIELD(portal.flags, reader.read_u16_le(), "flags", "CellPortal");
  QF_FIELD(portal.polygon_id, reader.read_u16_le(), "polygon_id", "CellPortal");
  QF_FIELD(portal.other_cell_id, reader.read_u16_le(), "other_cell_id", "CellPortal");
  QF_FIELD(portal.other_portal_id, reader.read_u16_le(), "other_portal_id", "CellPortal");
  return portal;
}

void CellPortal::pack(ByteWriter& writer) const {
  writer.write_u16_le(flags);
  writer.write_u16_le(polygon_id);
  writer.write_u16_le(other_cell_id);
  writer.write_u16_le(other_portal_id);
}

ReadResult<Stab> Stab::read(Reader& reader) {
  Stab stab;
  QF_FIELD(stab.stab_id, reader.read_u32_le(), "stab_id", "Stab");
  QF_FIELD(stab.position, Frame::read(reader), "position", "Stab");
  return stab;
}

void Stab::pack(ByteWriter& writer) const {
  writer.write_u32_le(stab_id);
  position.pack(writer);
}

namespace {

ReadResult<std::vector<std::uint16_t>> read_u16_list(Reader& reader, std::size_t count) {
  std::vector<std::uint16_t> values;
  values.reserve(reader.capacity_for(count, 2));
  for (std::size_t i = 0; i < count; ++i) {
    QF_TRY_ASSIGN(const std::uint16_t value, reader.read_u16_le());
    values.push_back(value);
  }
  return values;
}

}  // namespace

ReadResult<EnvCell> EnvCell::unpack(Reader& reader) {
  EnvCell cell;
  QF_TRY_ASSIGN(cell.id, reader.read_u32_le());
  QF_TRY_ASSIGN(cell.flags, reader.read_u32_le());
  QF_TRY_ASSIGN(cell.unknown_int, reader.read_u32_le());
  QF_TRY_ASSIGN(const std::uint8_t num_surfaces, reader.read_u8());
  QF_TRY_ASSIGN(const std::uint8_t num_portals, reader.read_u8());
  QF_TRY_ASSIGN(const std::uint16_t num_cell_refs, reader.read_u16_le());
  QF_TRY_ASSIGN(cell.surfaces, read_u16_list(reader, num_surfaces));
  QF_TRY_ASSIGN(cell.unknown_short_1, reader.read_u16_le());
  QF_TRY_ASSIGN(cell.unknown_short_2, reader.read_u16_le());
  QF_TRY_ASSIGN(cell.position, Frame::read(reader));
  cell.portals.reserve(reader.capacity_for(num_portals, 8));
  for (std::uint8_t i = 0; i < num_portals; ++i) {
    QF_TRY_ASSIGN(auto portal, CellPortal::read(reader));
    cell.portals.push_back(portal);
  }
  QF_TRY_ASSIGN(cell.cell_refs, read_u16_list(reader, num_cell_refs));
  if ((cell.flags & kHasObjects) != 0) {
    QF_TRY_ASSIGN(const std::uint32_t num_objects, reader.read_u32_le());
    cell.objects.reserve(reader.capacity_for(num_objects, 32));
    for (std::uint32_t i = 0; i < num_objects; ++i) {
      QF_TRY_ASSIGN(auto stab, Stab::read(reader));
      cell.objects.push_back(stab);
    }
  }
  if ((cell.flags & kHasTrailingId) != 0) {
    QF_TRY_ASSIGN(cell.trailing_id, reader.read_u32_le());
  }
  return cell;
}

PackResult EnvCell::pack(ByteWriter& writer) const {
  writer.write_u32_le(id);
  writer.write_u32_le(flags);
  writer.write_u32_le(unknown_int);
  QF_TRY_VOID(packing::write_count<std::uint8_t>(writer, surfaces.size(), "EnvCell", "surfaces"));
  QF_TRY_VOID(packing::write_count<std::uint8_t>(writer, portals.size(), "EnvCell", "portals"));
  QF_TRY_VOID(packing::write_count<std::uint16_t>(writer, cell_refs.size(), "EnvCell", "cell_refs"));
  for (const std::uint16_t surface : surfaces) writer.write_u16_le(surface);
  writer.write_u16_le(unknown_short_1);
  writer.write_u16_le(unknown_short_2);
  position.pack(writer);
  for (const auto& portal : portals) portal.pack(writer);
  for (const std::uint16_t ref : cell_refs) writer.write_u16_le(ref);
  if ((flags & kHasObjects) != 0) {
    QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, objects.size(), "EnvCell", "objects"));
    for (const auto& stab : objects) stab.pack(writer);
  }
  if ((flags & kHasTrailingId) != 0) writer.write_u32_le(trailing_id.value_or(0));
  return {};
}

}  // namespace quillfen::dat::file_type::env_cell
