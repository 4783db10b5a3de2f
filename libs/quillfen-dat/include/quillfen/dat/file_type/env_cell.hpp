// EnvCell: one interior cell of a landblock - the surfaces it uses, its placement, its
// portals to neighbouring cells and the static objects inside it.
//
// List counts are not kept beside the lists; `pack` writes each list's length.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "quillfen/dat/graphics.hpp"
#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::file_type::env_cell {

using graphics::Frame;

struct CellPortal {
  std::uint16_t flags = 0;
  std::uint16_t polygon_id = 0;
  std::uint16_t other_cell_id = 0;
  std::uint16_t other_portal_id = 0;

  static ReadResult<CellPortal> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const CellPortal&) const = default;
};

// An object placed in a cell; the same layout as the landblock's Stab under other names.
struct Stab {
  std::uint32_t stab_id = 0;
  Frame position;

  static ReadResult<Stab> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const Stab&) const = default;
};

// Bits of `flags` that bring optional parts of the record.
inline constexpr std::uint32_t kHasObjects = 0x02;
inline constexpr std::uint32_t kHasTrailingId = 0x08;

struct EnvCell {
  std::uint32_t id = 0;
  std::uint32_t flags = 0;
  std::uint32_t unknown_int = 0;
  std::vector<std::uint16_t> surfaces;  // at most 255: the stored count is one byte
  std::uint16_t unknown_short_1 = 0;
  std::uint16_t unknown_short_2 = 0;
  Frame position;
  std::vector<CellPortal> portals;  // at most 255
  std::vector<std::uint16_t> cell_refs;  // at most 65535
  std::vector<Stab> objects;
  std::optional<std::uint32_t> trailing_id;

  // Reads from the reader's position on and leaves it after the record. The cell's own
  // fields carry no context frame; its nested records do.
  static ReadResult<EnvCell> unpack(Reader& reader);
  // Writes `objects` and `trailing_id` exactly when `flags` asks for them.
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const EnvCell&) const = default;
};

}  // namespace quillfen::dat::file_type::env_cell
