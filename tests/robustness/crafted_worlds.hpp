// The crafted DAT pairs of the regression suite, each written as dir/portal.dat and
// dir/cell.dat beside the small world's other DAT, and what a test needs to know of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "robustness/damaged_world.hpp"

namespace quillfen::testing {

// The hand-made small world of damaged_world.hpp, built once.
const DatImages& small_world();

// A GfxObj that lists `surfaces`, the one model the small world's landblock places.
Bytes gfx_obj_listing(std::vector<std::uint32_t> surfaces);

// A cell DAT whose LandblockInfo claims nearly 2 GiB in a sparse file of that length: the
// bytes are there (as zeros), but not the memory to hold them under a 2 GB cap.
void write_landblock_info_of_two_gib(const std::filesystem::path& dir);

// A compressed surface (0x08000002, beside the solid 0x08000001) whose 256 MiB stream of
// sparse zeros declares 4 GiB: its tokens could make over 2 GiB of it.
void write_surface_declaring_four_gib(const std::filesystem::path& dir);

// A 10 MB portal DAT whose 1000 surfaces all point at one compressed chain that expands
// to 72 MiB of zeros (each a solid black surface with padding).
inline constexpr std::uint32_t kSharedSurfaces = 1000;
inline constexpr std::uint32_t kSharedOutput = 72 << 20;
std::vector<std::uint32_t> shared_surface_ids();
void write_surfaces_sharing_one_chain(const std::filesystem::path& dir);

// A 1 GiB portal DAT of 4-byte blocks (links without payload) whose surfaces 0x08000001
// to 0x08000003 point at a chain that loops between two such blocks; 0x08000100 is a solid
// colour stored whole.
void write_looping_four_byte_blocks(const std::filesystem::path& dir);

}  // namespace quillfen::testing
