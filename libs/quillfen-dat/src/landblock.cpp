// Reading and writing of LandblockInfo and its parts, each field with its context frame.
#include "quillfen/dat/landblock.hpp"

#include "pack_count.hpp"

namespace quillfen::dat::landblock {

ReadResult<Stab> Stab::read(Reader& reader) {
  Stab stab;
  QF_FIELD(stab.id, reader.read_u32_le(), "id", "Stab");
  QF_FIELD(stab.frame, Frame::read(reader), "frame", "Stab");
  return stab;
}

void Stab::pack(ByteWriter& writer) const {
  writer.write_u32_le(id);
  frame.pack(writer);
}

ReadResult<PortalInternal> PortalInternal::read(Reader& reader) {
  PortalInternal portal;
  QF_FIELD(portal.flags, reader.read_u16_le(), "flags", "PortalInternal");
  QF_FIELD(portal.other_cell_id, reader.read_u16_le(), "other_cell_id", "PortalInternal");
  QF_FIELD(portal.other_portal_id, reader.read_u16_le(), "other_portal_id", "PortalInternal");
  QF_FIELD(const std::uint16_t num_stabs, reader.read_u16_le(), "num_stabs", "PortalInternal");
  portal.stab_list.reserve(reader.capacity_for(num_stabs, 2));
  for (std::uint16_t i = 0; i < num_stabs; ++i) {
    QF_FIELD(const std::uint16_t stab, reader.read_u16_le(), "stab_list", "PortalInternal");
    portal.stab_list.push_back(stab);
  }
  // Each portal fills a multiple of 4 bytes. The padding is passed over, not read, so a
  // record that ends inside it is still whole.
  if (num_stabs % 2 != 0) reader.skip_at_most(2);
  return portal;
}

PackResult PortalInternal::pack(ByteWriter& writer) const {
  writer.write_u16_le(flags);
  writer.write_u16_le(other_cell_id);
  writer.write_u16_le(other_portal_id);
  QF_TRY_VOID(packing::write_count<std::uint16_t>(writer, stab_list.size(), "PortalInternal", "stab_list"));
  for (const std::uint16_t stab : stab_list) writer.write_u16_le(stab);
  if (stab_list.size() % 2 != 0) writer.write_zeros(2);
  return {};
}

ReadResult<BuildInfo> BuildInfo::read(Reader& reader) {
  BuildInfo building;
  QF_FIELD(building.model_id, reader.read_u32_le(), "model_id", "BuildInfo");
  QF_FIELD(building.frame, Frame::read(reader), "frame", "BuildInfo");
  QF_FIELD(building.num_leaves, reader.read_u32_le(), "num_leaves", "BuildInfo");
  QF_FIELD(const std::uint32_t num_portals, reader.read_u32_le(), "num_portals", "BuildInfo");
  building.portals.reserve(reader.capacity_for(num_portals, 8));
  for (std::uint32_t i = 0; i < num_portals; ++i) {
    QF_FIELD(auto portal, PortalInternal::read(reader), "portals", "BuildInfo");
    building.portals.push_back(std::move(portal));
  }
  return building;
}

PackResult BuildInfo::pack(ByteWriter& writer) const {
  writer.write_u32_le(model_id);
  frame.pack(writer);
  writer.write_u32_le(num_leaves);
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, portals.size(), "BuildInfo", "portals"));
  for (const auto& portal : portals) QF_TRY_VOID(portal.pack(writer));
  return {};
}

ReadResult<RestrictionTable> RestrictionTable::read(Reader& reader) {
  QF_FIELD(const std::uint16_t count, reader.read_u16_le(), "count", "RestrictionTable");
  QF_FIELD(const std::uint16_t bucket_size, reader.read_u16_le(), "_bucket_size", "RestrictionTable");
  static_cast<void>(bucket_size);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;
  entries.reserve(reader.capacity_for(count, 8));
  for (std::uint16_t i = 0; i < count; ++i) {
    QF_FIELD(const std::uint32_t key, reader.read_u32_le(), "tables", "RestrictionTable");
    QF_FIELD(const std::uint32_t value, reader.read_u32_le(), "tables", "RestrictionTable");
    entries.emplace_back(key, value);
  }
  return RestrictionTable{FlatMap<std::uint32_t, std::uint32_t>::from_entries(std::move(entries))};
}

PackResult RestrictionTable::pack(ByteWriter& writer) const {
  QF_TRY_VOID(packing::write_count<std::uint16_t>(writer, tables.size(), "RestrictionTable", "tables"));
  writer.write_u16_le(0);
  for (const auto& [key, value] : tables) {
    writer.write_u32_le(key);
    writer.write_u32_le(value);
  }
  return {};
}

namespace {

ReadResult<LandblockInfo> read_landblock_info(Reader& reader) {
  LandblockInfo info;
  QF_FIELD(info.id, reader.read_u32_le(), "id", "LandblockInfo");
  QF_FIELD(info.num_cells, reader.read_u32_le(), "num_cells", "LandblockInfo");
  QF_FIELD(const std::uint32_t num_objects, reader.read_u32_le(), "num_objects", "LandblockInfo");
  info.objects.reserve(reader.capacity_for(num_objects, 32));
  for (std::uint32_t i = 0; i < num_objects; ++i) {
    QF_FIELD(auto stab, Stab::read(reader), "objects", "LandblockInfo");
    info.objects.push_back(std::move(stab));
  }
  QF_FIELD(const std::uint16_t num_buildings, reader.read_u16_le(), "num_buildings", "LandblockInfo");
  QF_FIELD(info.pack_mask, reader.read_u16_le(), "pack_mask", "LandblockInfo");
  info.buildings.reserve(reader.capacity_for(num_buildings, 40));
  for (std::uint16_t i = 0; i < num_buildings; ++i) {
    QF_FIELD(auto building, BuildInfo::read(reader), "buildings", "LandblockInfo");
    info.buildings.push_back(std::move(building));
  }
  if ((info.pack_mask & kHasRestrictionTable) != 0) {
    QF_FIELD(info.restriction_tables, RestrictionTable::read(reader), "restriction_tables", "LandblockInfo");
  }
  return info;
}

}  // namespace

ReadResult<LandblockInfo> LandblockInfo::unpack(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  return read_landblock_info(reader);
}

PackResult LandblockInfo::pack(ByteWriter& writer) const {
  writer.write_u32_le(id);
  writer.write_u32_le(num_cells);
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, objects.size(), "LandblockInfo", "objects"));
  for (const auto& stab : objects) stab.pack(writer);
  QF_TRY_VOID(packing::write_count<std::uint16_t>(writer, buildings.size(), "LandblockInfo", "buildings"));
  writer.write_u16_le(pack_mask);
  for (const auto& building : buildings) QF_TRY_VOID(building.pack(writer));
  if ((pack_mask & kHasRestrictionTable) == 0) return {};
  if (restriction_tables) return restriction_tables->pack(writer);
  return RestrictionTable{}.pack(writer);
}

}  // namespace quillfen::dat::landblock
