// Which landblocks a cell DAT holds, from its index alone.
#include "world-audit/landblock_presence.hpp"

#include <gtest/gtest.h>

#include "quillfen/dat/ids.hpp"
#include "support/dat_pair.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::world {
namespace {

namespace ids = dat::ids;

TEST(LandblockPresenceTest, CountsInteriorCellsAndTheLandblockInfoPerKey) {
  testing::TempDir dir;
  testing::DatPair pair;
  const std::vector<std::uint8_t> any{1, 2, 3};
  pair.cell_raw(ids::landblock_info_id(0x0102), any);
  pair.cell_raw(ids::cell_id(0x0102, 0x0001), any);
  pair.cell_raw(ids::cell_id(0x0102, 0xFFFD), any);
  pair.cell_raw(ids::cell_id(0x0200, 0x0100), any);      // cells without a LandblockInfo
  pair.cell_raw(ids::landblock_info_id(0xFFFF), any);    // a LandblockInfo alone
  pair.cell_raw(ids::cell_id(0x0300, ids::kTerrainCell), any);  // terrain only: not present
  pair.cell_raw(ids::cell_id(0x0301, 0x0000), any);      // cell 0: not present
  pair.write(dir / "portal.dat", dir / "cell.dat");
  const auto cell = dat::DatDatabase::open(dir / "cell.dat");
  ASSERT_TRUE(cell);

  EXPECT_EQ(present_landblocks(cell->files()), (std::vector<LandblockPresence>{
                                                   {0x0102, 2, true},
                                                   {0x0200, 1, false},
                                                   {0xFFFF, 0, true},
                                               }));
}

}  // namespace
}  // namespace quillfen::world
