// The file ids of the sample world: the record type in the top byte of a portal id (the
// library's conventions, quillfen/dat/ids.hpp), the sub-ranges that keep the town, its
// neighbours and the filler apart, and the cell-DAT ids of a landblock.
#pragma once

#include <cstdint>

#include "quillfen/dat/ids.hpp"

namespace quillfen::sample::ids {

using dat::ids::RecordType;

// Top bytes of the portal-DAT record types. The audit relies on 0x01, 0x02 and 0x08;
// the others are named only by the records that point at them.
inline constexpr std::uint32_t kGfxObj = dat::ids::first_id(RecordType::GfxObj);
inline constexpr std::uint32_t kSetup = dat::ids::first_id(RecordType::SetupModel);
inline constexpr std::uint32_t kPalette = dat::ids::first_id(RecordType::Palette);
inline constexpr std::uint32_t kSurfaceTexture = dat::ids::first_id(RecordType::SurfaceTexture);
inline constexpr std::uint32_t kTexture = dat::ids::first_id(RecordType::Texture);
inline constexpr std::uint32_t kSurface = dat::ids::first_id(RecordType::Surface);
static_assert(kSurface == dat::ids::kSurfaceIdBase);
// Ids stored in records but never written as files (animation, sound and script tables,
// degrade info, environments): they only have to look like ids.
inline constexpr std::uint32_t kMotionTable = 0x09000000;
inline constexpr std::uint32_t kEnvironment = 0x0D000000;
inline constexpr std::uint32_t kDegradeInfo = 0x11000000;
inline constexpr std::uint32_t kSoundTable = 0x20000000;
inline constexpr std::uint32_t kPhysicsScript = 0x33000000;

// Interior cells name their surfaces by the low 16 bits of the surface id, so every
// surface of the world is a "surface number" below 0x10000. The town, the neighbours and
// the filler each own a block of numbers, and the models of each a block of GfxObj and
// SetupModel ids, so no two parts of the world can collide.
inline constexpr std::uint32_t kTownSurfaceFirst = 0x0100;
inline constexpr std::uint32_t kNeighbourSurfaceFirst = 0x0400;
inline constexpr std::uint32_t kFillerSurfaceFirst = 0x1000;
inline constexpr std::uint32_t kFillerSurfaceLimit = 0x10000;

inline constexpr std::uint32_t kTownModelFirst = 0x0100;
inline constexpr std::uint32_t kNeighbourModelFirst = 0x0800;
inline constexpr std::uint32_t kFillerModelFirst = 0x1000;

// Textures of a surface: up to kTextureSlots per surface number, so a SurfaceTexture that
// lists several images gets consecutive ids.
inline constexpr std::uint32_t kTextureSlots = 4;

constexpr std::uint32_t surface(std::uint32_t number) { return kSurface | number; }
constexpr std::uint32_t surface_texture(std::uint32_t number) { return kSurfaceTexture | number; }
constexpr std::uint32_t texture(std::uint32_t number, std::uint32_t slot) {
  return kTexture | (number * kTextureSlots + slot);
}
constexpr std::uint32_t palette(std::uint32_t number, std::uint32_t slot) {
  return kPalette | (number * kTextureSlots + slot);
}
// A palette id that no file carries: the deliberately broken paletted texture names it.
inline constexpr std::uint32_t kMissingPalette = kPalette | 0x00FFFFFE;

// Cell-DAT ids of landblock `key`: cell numbers 0x0001..0xFFFD are interior cells,
// 0xFFFE the LandblockInfo and 0xFFFF the terrain. The world numbers its cells from 0x0100.
inline constexpr std::uint16_t kFirstCell = 0x0100;
constexpr std::uint32_t cell(std::uint16_t landblock, std::uint16_t number) {
  return dat::ids::cell_id(landblock, number);
}
constexpr std::uint32_t landblock_info(std::uint16_t landblock) { return dat::ids::landblock_info_id(landblock); }
constexpr std::uint32_t terrain(std::uint16_t landblock) { return cell(landblock, dat::ids::kTerrainCell); }

// The town and its four neighbours, west, east, south and north.
inline constexpr std::uint16_t kTown = 0xA9B4;
inline constexpr std::uint16_t kWest = 0xA8B4;
inline constexpr std::uint16_t kEast = 0xAAB4;
inline constexpr std::uint16_t kSouth = 0xA9B3;
inline constexpr std::uint16_t kNorth = 0xA9B5;

constexpr std::uint16_t landblock_key(std::uint32_t x, std::uint32_t y) {
  return static_cast<std::uint16_t>(((x & 0xFF) << 8) | (y & 0xFF));
}

}  // namespace quillfen::sample::ids
