// DXT block compression, the inverse of the DXT decompressors: the 8-byte colour block
// (always four colours, c0 > c1, so a DXT1 block is opaque), the DXT3 explicit alpha
// block and the DXT5 interpolated alpha block. Every choice of index is made against the colours
// the decoder will actually produce, with its own 565 expansion and truncating division.
#pragma once

#include <array>
#include <cstdint>

namespace quillfen::dat::write {

// The sixteen texels of a 4x4 block, texel t at row t / 4 and column t % 4, as R, G, B, A.
using BlockTexels = std::array<std::array<std::uint8_t, 4>, 16>;
using EncodedBlock = std::array<std::uint8_t, 8>;

// The colour block: c0 and c1 as little-endian 565 words with c0 > c1, then the 2-bit
// indices of texels 0..15 from the low bits up. Alpha is ignored.
EncodedBlock encode_colour_block(const BlockTexels& texels);

// DXT3's alpha: texel t's alpha rounded to 4 bits, in byte t / 2 (even t in the low nibble).
EncodedBlock encode_dxt3_alpha(const BlockTexels& texels);

// DXT5's alpha: two 8-bit endpoints and sixteen 3-bit indices, choosing whichever of the
// eight-level and the six-level-plus-0-and-255 modes fits the block better.
EncodedBlock encode_dxt5_alpha(const BlockTexels& texels);

}  // namespace quillfen::dat::write
