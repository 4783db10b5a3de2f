// The world's options and its failure to write where it cannot; the world itself is
// generated and audited end to end in world_e2e_test.cpp.
#include "sample-world/world.hpp"

#include <gtest/gtest.h>

#include "support/temp_dir.hpp"

namespace quillfen::sample {
namespace {

TEST(WorldTest, ParsesTheTwoScales) {
  EXPECT_EQ(parse_scale("small"), WorldScale::Small);
  EXPECT_EQ(parse_scale("full"), WorldScale::Full);
  const auto bad = parse_scale("Full");
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error(), "unknown scale 'Full': expected small or full");
}

TEST(WorldTest, FullScaleIsTheSizeOfRealFiles) {
  const ScaleDesign full = scale_design(WorldScale::Full);
  // Tens of thousands of landblocks of some forty cells: about a million cell files.
  const std::uint64_t cell_files = std::uint64_t{full.grid} * full.grid * (full.filler.cells_per_landblock + 2);
  EXPECT_GT(cell_files, 900'000u);
  EXPECT_LT(cell_files, 1'100'000u);
  const ScaleDesign small = scale_design(WorldScale::Small);
  // Big enough for a directory three levels deep (more than 61 + 62 * 61 entries).
  EXPECT_GT(std::uint64_t{small.grid} * small.grid * (small.filler.cells_per_landblock + 2), 3843u);
  EXPECT_GE(small.grid, 3u);  // the neighbours are always in the grid
}

TEST(WorldTest, ReportsADirectoryItCannotCreate) {
  const quillfen::testing::TempDir dir;
  const std::vector<std::uint8_t> bytes = {1};
  quillfen::testing::write_file_bytes(dir / "file", bytes);
  const auto result = generate_world({.out_dir = dir / "file" / "world"});
  ASSERT_FALSE(result);
  EXPECT_TRUE(result.error().starts_with("create directory " + (dir / "file" / "world").string() + ": "))
      << result.error();
}

}  // namespace
}  // namespace quillfen::sample
