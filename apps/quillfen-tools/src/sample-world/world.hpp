// The whole sample world: the town on landblock 0xA9B4, its four neighbours and a grid of
// filler landblocks around them, written as client_portal.dat and client_cell_1.dat.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "sample-world/filler.hpp"

namespace quillfen::sample {

enum class WorldScale : std::uint8_t {
  Small,  // for tests: a few thousand files, written in moments
  Full,   // the size of a real game's files: ~60,000 portal and ~1,000,000 cell files
};

// "small" or "full".
std::expected<WorldScale, std::string> parse_scale(std::string_view text);

struct ScaleDesign {
  std::uint32_t grid = 0;  // landblocks on each side of the square around the town
  FillerDesign filler{};
};
ScaleDesign scale_design(WorldScale scale);

struct WorldOptions {
  std::filesystem::path out_dir;
  std::uint64_t seed = 1;
  WorldScale scale = WorldScale::Small;
  // Replaces the scale's design: benchmarks grow the grid and the filler apart.
  std::optional<ScaleDesign> design{};
};

struct DatSummary {
  std::filesystem::path path;
  std::uint64_t files = 0;
  std::uint64_t compressed_files = 0;
  std::uint64_t content_bytes = 0;  // the records' own bytes, before compression
  std::uint64_t file_bytes = 0;     // size of the DAT file on disk
};

struct WorldSummary {
  DatSummary portal;
  DatSummary cell;
  std::uint64_t landblocks = 0;
};

inline constexpr std::uint32_t kPortalBlockSize = 1024;
inline constexpr std::uint32_t kCellBlockSize = 256;

// Writes both DAT files into `options.out_dir`, creating it. The same options always give
// the same bytes.
std::expected<WorldSummary, std::string> generate_world(const WorldOptions& options);

}  // namespace quillfen::sample
