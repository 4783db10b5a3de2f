// The terrain of a landblock (cell 0xFFFF of the cell DAT): heights and terrain-type words
// of its 9x9 grid of corners. The audit never reads it; it is there because every
// landblock of a real world has one beside its LandblockInfo.
#pragma once

#include <cstdint>
#include <vector>

namespace quillfen::sample {

// Layout: the record's id (u32), a u32 that is 1 when the landblock has a LandblockInfo,
// 81 terrain words (u16: road bits 0-1, terrain type bits 2-6, scenery bits 11-15), 81
// height bytes, then zeros to a multiple of 4 bytes. Corners run in columns of 9 from
// the south-west.
std::vector<std::uint8_t> terrain_record(std::uint16_t landblock, std::uint64_t seed, bool has_info);

}  // namespace quillfen::sample
