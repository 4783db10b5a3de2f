// The id conventions of the two DAT files and the Surface flag bits, in one place.
//
// The database treats a file id as an opaque 32-bit key; the meaning below is the
// world's own. In the portal DAT the top byte of an id names the record type. In the
// cell DAT an id is a 16-bit landblock key followed by a 16-bit cell number.
#pragma once

#include <cstdint>

namespace quillfen::dat {

namespace ids {

// Top bytes of portal-DAT ids. Discovery relies on GfxObj, SetupModel and Surface; the
// other records are reached through the ids stored in the records that name them.
enum class RecordType : std::uint8_t {
  GfxObj = 0x01,
  SetupModel = 0x02,
  Palette = 0x04,
  SurfaceTexture = 0x05,
  Texture = 0x06,
  Surface = 0x08,
};

constexpr std::uint8_t type_byte(std::uint32_t id) { return static_cast<std::uint8_t>(id >> 24); }
// The first id of a record type: its type byte, then zeros. An id of the type is this
// with a number in the low 24 bits.
constexpr std::uint32_t first_id(RecordType type) { return std::uint32_t{static_cast<std::uint8_t>(type)} << 24; }
constexpr bool has_type(std::uint32_t id, RecordType type) { return type_byte(id) == static_cast<std::uint8_t>(type); }

// Interior cells name their surfaces by a 16-bit number: the surface id is this base
// with the number in its low bits.
inline constexpr std::uint32_t kSurfaceIdBase = 0x08000000;
constexpr std::uint32_t surface_id(std::uint16_t number) { return kSurfaceIdBase | number; }

// Cell numbers within a landblock: 0x0001..0xFFFD are interior cells (EnvCell records),
// 0xFFFE is the LandblockInfo and 0xFFFF the terrain, which the audit never reads.
inline constexpr std::uint16_t kFirstInteriorCell = 0x0001;
inline constexpr std::uint16_t kLastInteriorCell = 0xFFFD;
inline constexpr std::uint16_t kLandblockInfoCell = 0xFFFE;
inline constexpr std::uint16_t kTerrainCell = 0xFFFF;

constexpr std::uint32_t cell_id(std::uint16_t landblock, std::uint16_t cell) {
  return (std::uint32_t{landblock} << 16) | cell;
}
constexpr std::uint32_t landblock_info_id(std::uint16_t landblock) { return cell_id(landblock, kLandblockInfoCell); }
constexpr std::uint16_t landblock_of(std::uint32_t cell_id) { return static_cast<std::uint16_t>(cell_id >> 16); }
constexpr std::uint16_t cell_of(std::uint32_t cell_id) { return static_cast<std::uint16_t>(cell_id); }
constexpr bool is_interior_cell(std::uint32_t cell_id) {
  return cell_of(cell_id) >= kFirstInteriorCell && cell_of(cell_id) <= kLastInteriorCell;
}

}  // namespace ids

// Bits of a Surface's `surface_type` word. Either of the first two selects texture
// references over a solid colour; the classifier reads the foliage, water and lava bits.
namespace surface_flags {

inline constexpr std::uint32_t kTextured = 0x02;
inline constexpr std::uint32_t kFoliage = 0x04;  // also selects texture references
inline constexpr std::uint32_t kTexturedMask = kTextured | kFoliage;
inline constexpr std::uint32_t kWater = 0x10;
inline constexpr std::uint32_t kLava = 0x40;

}  // namespace surface_flags

}  // namespace quillfen::dat
