// LandblockInfo: what stands on one landblock of the cell DAT - its static objects, its
// buildings with their portals, and an optional restriction table.
//
// List counts are not kept beside the lists: they are read to size the lists, and `pack`
// writes each list's length in their place (failing for a list its count field cannot
// hold, see quillfen/dat/pack.hpp).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "quillfen/dat/flat_map.hpp"
#include "quillfen/dat/graphics.hpp"
#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::landblock {

// The landblock records place things with the same 28-byte frame as the models, under
// the same field names.
using Frame = graphics::Frame;

// A static object: the id of its SetupModel or GfxObj and where it stands.
struct Stab {
  std::uint32_t id = 0;
  Frame frame;

  static ReadResult<Stab> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const Stab&) const = default;
};

struct PortalInternal {
  std::uint16_t flags = 0;
  std::uint16_t other_cell_id = 0;
  std::uint16_t other_portal_id = 0;
  std::vector<std::uint16_t> stab_list;  // its length is the stored `num_stabs` (at most 65535)

  static ReadResult<PortalInternal> read(Reader& reader);
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const PortalInternal&) const = default;
};

struct BuildInfo {
  std::uint32_t model_id = 0;
  Frame frame;
  std::uint32_t num_leaves = 0;
  std::vector<PortalInternal> portals;  // its length is the stored `num_portals`

  static ReadResult<BuildInfo> read(Reader& reader);
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const BuildInfo&) const = default;
};

struct RestrictionTable {
  FlatMap<std::uint32_t, std::uint32_t> tables;

  static ReadResult<RestrictionTable> read(Reader& reader);
  // The bucket size is not kept; it is written as 0. At most 65535 entries.
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const RestrictionTable&) const = default;
};

// The bit of `pack_mask` that brings a restriction table.
inline constexpr std::uint16_t kHasRestrictionTable = 0x0001;

struct LandblockInfo {
  std::uint32_t id = 0;
  std::uint32_t num_cells = 0;
  std::vector<Stab> objects;       // its length is the stored `num_objects`
  std::uint16_t pack_mask = 0;
  std::vector<BuildInfo> buildings;  // its length is the stored `num_buildings` (at most 65535)
  std::optional<RestrictionTable> restriction_tables;

  static ReadResult<LandblockInfo> unpack(std::span<const std::uint8_t> bytes);
  // The table is written exactly when `pack_mask` asks for it (an empty one if absent).
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const LandblockInfo&) const = default;
};

}  // namespace quillfen::dat::landblock
