// Surface discovery over DAT pairs built from records: each model id is followed once,
// so repeated placements and repeated parts cost nothing more and change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/landblock.hpp"
#include "support/dat_pair.hpp"
#include "support/temp_dir.hpp"
#include "surface-classify-audit/discovery.hpp"

namespace quillfen::audit {
namespace {

namespace ft = dat::file_type;
using testing::DatPair;
using testing::TempDir;

constexpr std::uint16_t kLandblock = 0x1234;

struct OpenPair {
  dat::DatDatabase portal;
  dat::DatDatabase cell;
};

OpenPair open_pair(const DatPair& pair, const TempDir& dir) {
  pair.write(dir / "portal.dat", dir / "cell.dat");
  auto portal = dat::DatDatabase::open(dir / "portal.dat");
  auto cell = dat::DatDatabase::open(dir / "cell.dat");
  EXPECT_TRUE(portal && cell);
  return {std::move(*portal), std::move(*cell)};
}

dat::landblock::LandblockInfo placing(std::uint32_t model, std::size_t times) {
  dat::landblock::LandblockInfo info;
  info.objects.assign(times, dat::landblock::Stab{.id = model, .frame = {}});
  return info;
}

// A landblock that places a SetupModel of 3000 copies of one GfxObj with 5000 surfaces
// 2000 times: followed per placement and per part this is six million decodes of a 20 KB
// record and as many copies of its list; followed once per id it is one.
TEST(Discovery, RepeatedPlacementsAndPartsAreFollowedOnce) {
  TempDir dir;
  DatPair pair;
  ft::GfxObj gfx;
  for (std::uint32_t i = 0; i < 5000; ++i) gfx.surfaces.push_back(0x08000000 | (i % 4999));
  pair.portal(0x01000001, gfx);
  ft::SetupModel setup;
  setup.parts.assign(3000, 0x01000001);
  pair.portal(0x02000001, setup);
  pair.cell((std::uint32_t{kLandblock} << 16) | 0xFFFE, placing(0x02000001, 2000));
  ft::env_cell::EnvCell cell;
  cell.objects.assign(500, ft::env_cell::Stab{.stab_id = 0x01000001, .position = {}});
  pair.cell((std::uint32_t{kLandblock} << 16) | 0x0100, cell);

  const auto [portal, cells] = open_pair(pair, dir);
  const auto found = discover_surfaces(kLandblock, portal, cells);
  std::vector<std::uint32_t> expected;
  for (std::uint32_t i = 0; i < 4999; ++i) expected.push_back(0x08000000 | i);
  EXPECT_EQ(found, expected);
}

// A part id that is also placed as a SetupModel is still read as a GfxObj when it is a
// part: the two ways of following an id are remembered apart.
TEST(Discovery, AnIdFollowedAsSetupIsStillReadAsPartElsewhere) {
  TempDir dir;
  DatPair pair;
  ft::SetupModel outer;
  outer.parts = {0x02000002};  // a part with a SetupModel id: read as a GfxObj, fails
  pair.portal(0x02000001, outer);
  ft::SetupModel inner;
  inner.parts = {0x01000001};
  pair.portal(0x02000002, inner);
  ft::GfxObj gfx;
  gfx.surfaces = {0x08000042};
  pair.portal(0x01000001, gfx);
  dat::landblock::LandblockInfo info = placing(0x02000001, 1);
  info.objects.push_back({.id = 0x02000002, .frame = {}});
  pair.cell((std::uint32_t{kLandblock} << 16) | 0xFFFE, info);

  const auto [portal, cells] = open_pair(pair, dir);
  // Whatever the SetupModel's bytes give when read as a GfxObj, plus its own part's list.
  std::vector<std::uint32_t> expected = surfaces_for_gfx(portal, 0x02000002);
  expected.push_back(0x08000042);
  std::sort(expected.begin(), expected.end());
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
  std::erase(expected, 0u);
  EXPECT_EQ(discover_surfaces(kLandblock, portal, cells), expected);
}

}  // namespace
}  // namespace quillfen::audit
