// A small world (one landblock with objects, a building, interior cells and surfaces of
// every kind) as a portal and a cell DAT image in memory, and the ways the robustness
// tests damage such images: truncation, flipped bytes, looping directory branches and
// block chains, and records whose counts and dimensions are set to their maximum.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace quillfen::testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint16_t kWorldLandblock = 0xA9B4;

struct DatImages {
  Bytes portal;
  Bytes cell;
};

// Lets a test change a record's packed bytes before it is stored under `id`.
using RecordPatch = std::function<void(std::uint32_t id, Bytes& bytes)>;

// The world's two DAT images. `patch` sees every record; the portal also holds enough
// filler files that its directory has more than one level.
DatImages build_world(const RecordPatch& patch = {});

// Ids of the world's records, for patches.
namespace world_ids {
inline constexpr std::uint32_t kSetup = 0x02000001;
inline constexpr std::uint32_t kGfxObj = 0x01000001;
inline constexpr std::uint32_t kPalette = 0x04000001;
inline constexpr std::uint32_t kSurfaceTexture = 0x05000001;
inline constexpr std::uint32_t kDxt1Texture = 0x06000001;
inline constexpr std::uint32_t kP8Texture = 0x06000002;
inline constexpr std::uint32_t kRgbTexture = 0x06000003;
inline constexpr std::uint32_t kLandblockInfo = 0xA9B4FFFE;
inline constexpr std::uint32_t kEnvCell = 0xA9B40100;
}  // namespace world_ids

void put_u32(Bytes& bytes, std::size_t offset, std::uint32_t value);
std::uint32_t get_u32(const Bytes& bytes, std::size_t offset);

// Header fields the damage needs.
inline constexpr std::size_t kBlockSizeField = 0x144;
inline constexpr std::size_t kRootOffsetField = 0x160;

// Flips `count` random bits.
void flip_bits(Bytes& bytes, std::mt19937& rng, int count);

// The file offsets of the directory nodes, root first (pre-order), found by walking the
// image as the format says; the first block of each node holds its branch slots.
std::vector<std::uint32_t> directory_nodes(const Bytes& image);

// The first block of every file the directory lists.
std::vector<std::uint32_t> file_chains(const Bytes& image);

}  // namespace quillfen::testing

namespace quillfen::testing {

// The file offset of byte `k` of the chain that starts at `chain`, following its links
// as the reader does (the last block holds the rest contiguously).
std::size_t chain_byte_offset(const Bytes& image, std::uint32_t chain, std::size_t k);

}  // namespace quillfen::testing
