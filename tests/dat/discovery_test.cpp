// Surface discovery over DAT pairs built from records: each model id is followed once,
// so repeated placements and repeated parts cost nothing more and change nothing, and a
// cache shared across landblocks gives what each landblock gives on its own.
#include "quillfen/dat/discovery.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/ids.hpp"
#include "quillfen/dat/landblock.hpp"
#include "support/dat_pair.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::dat {
namespace {

namespace ft = file_type;
using testing::DatPair;
using testing::TempDir;

constexpr std::uint16_t kLandblock = 0x1234;

struct OpenPair {
  DatDatabase portal;
  DatDatabase cell;
};

OpenPair open_pair(const DatPair& pair, const TempDir& dir) {
  pair.write(dir / "portal.dat", dir / "cell.dat");
  auto portal = DatDatabase::open(dir / "portal.dat");
  auto cell = DatDatabase::open(dir / "cell.dat");
  EXPECT_TRUE(portal && cell);
  return {std::move(*portal), std::move(*cell)};
}

landblock::LandblockInfo placing(std::uint32_t model, std::size_t times) {
  landblock::LandblockInfo info;
  info.objects.assign(times, landblock::Stab{.id = model, .frame = {}});
  return info;
}

ft::GfxObj gfx_with(std::vector<std::uint32_t> surfaces) {
  ft::GfxObj gfx;
  gfx.surfaces = std::move(surfaces);
  return gfx;
}

ft::env_cell::EnvCell cell_with(std::vector<std::uint16_t> surfaces, std::vector<std::uint32_t> objects) {
  ft::env_cell::EnvCell cell;
  cell.surfaces = std::move(surfaces);
  if (!objects.empty()) cell.flags = 0x02;
  for (const std::uint32_t id : objects) cell.objects.push_back(ft::env_cell::Stab{.stab_id = id, .position = {}});
  return cell;
}

// A landblock that places a SetupModel of 3000 copies of one GfxObj with 5000 surfaces
// 2000 times: followed per placement and per part this is six million decodes of a 20 KB
// record and as many copies of its list; followed once per id it is one.
TEST(Discovery, RepeatedPlacementsAndPartsAreFollowedOnce) {
  TempDir dir;
  DatPair pair;
  std::vector<std::uint32_t> surfaces;
  for (std::uint32_t i = 0; i < 5000; ++i) surfaces.push_back(ids::kSurfaceIdBase | (i % 4999));
  pair.portal(0x01000001, gfx_with(surfaces));
  ft::SetupModel setup;
  setup.parts.assign(3000, 0x01000001);
  pair.portal(0x02000001, setup);
  pair.cell(ids::landblock_info_id(kLandblock), placing(0x02000001, 2000));
  pair.cell(ids::cell_id(kLandblock, 0x0100), cell_with({}, std::vector<std::uint32_t>(500, 0x01000001)));

  const auto [portal, cells] = open_pair(pair, dir);
  ModelSurfaceCache models(portal);
  const auto found = discover_surfaces(kLandblock, cells, models);
  std::vector<std::uint32_t> expected;
  for (std::uint32_t i = 0; i < 4999; ++i) expected.push_back(ids::kSurfaceIdBase | i);
  EXPECT_EQ(found, expected);
  EXPECT_EQ(models.setups_known(), 1u);
  EXPECT_EQ(models.gfx_objs_known(), 1u);
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
  pair.portal(0x01000001, gfx_with({0x08000042}));
  landblock::LandblockInfo info = placing(0x02000001, 1);
  info.objects.push_back({.id = 0x02000002, .frame = {}});
  pair.cell(ids::landblock_info_id(kLandblock), info);

  const auto [portal, cells] = open_pair(pair, dir);
  // Whatever the SetupModel's bytes give when read as a GfxObj, plus its own part's list.
  std::vector<std::uint32_t> expected = gfx_obj_surfaces(portal, 0x02000002);
  expected.push_back(0x08000042);
  std::sort(expected.begin(), expected.end());
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
  std::erase(expected, 0u);
  EXPECT_EQ(discover_surfaces(kLandblock, portal, cells), expected);
}

// The cell range of a landblock: its LandblockInfo and cells 0x0001..0xFFFD, never the
// terrain (0xFFFF), cell 0 or a neighbour's records; records that do not decode are
// skipped and not counted.
TEST(Discovery, LandblockRefsReadTheLandblocksOwnRecordsOnly) {
  TempDir dir;
  DatPair pair;
  pair.cell(ids::landblock_info_id(kLandblock), placing(0x01000001, 2));
  pair.cell(ids::cell_id(kLandblock, 0x0001), cell_with({0x0010, 0x0011}, {0x02000005}));
  pair.cell(ids::cell_id(kLandblock, 0xFFFD), cell_with({0x0012}, {}));
  pair.cell_raw(ids::cell_id(kLandblock, 0x0100), {0x01, 0x02});  // too short to be a cell
  pair.cell(ids::cell_id(kLandblock, 0x0000), cell_with({0x0020}, {}));
  pair.cell(ids::cell_id(kLandblock, ids::kTerrainCell), cell_with({0x0021}, {}));
  pair.cell(ids::cell_id(kLandblock + 1, 0x0001), cell_with({0x0022}, {}));
  pair.portal(0x01000001, gfx_with({0x08000001}));

  const auto [portal, cells] = open_pair(pair, dir);
  LandblockRefs refs = read_landblock_refs(kLandblock, cells);
  EXPECT_TRUE(refs.has_info);
  EXPECT_EQ(refs.interior_cells, 2u);
  std::sort(refs.model_ids.begin(), refs.model_ids.end());
  EXPECT_EQ(refs.model_ids, (std::vector<std::uint32_t>{0x01000001, 0x01000001, 0x02000005}));
  std::sort(refs.cell_surfaces.begin(), refs.cell_surfaces.end());
  EXPECT_EQ(refs.cell_surfaces, (std::vector<std::uint32_t>{0x08000010, 0x08000011, 0x08000012}));

  const LandblockRefs empty = read_landblock_refs(0x4321, cells);
  EXPECT_FALSE(empty.has_info);
  EXPECT_EQ(empty.interior_cells, 0u);
  EXPECT_TRUE(empty.model_ids.empty() && empty.cell_surfaces.empty());
}

// One cache over several landblocks decodes each model once and gives each landblock
// what discovery on its own gives, whatever order or thread the prefetch jobs run in.
TEST(Discovery, ACacheSharedAcrossLandblocksGivesTheSameSets) {
  TempDir dir;
  DatPair pair;
  pair.portal(0x01000001, gfx_with({0x08000003, 0x08000001, 0x08000003}));
  pair.portal(0x01000002, gfx_with({0x08000002}));
  ft::SetupModel setup;
  setup.parts = {0x01000002, 0x01000001};
  pair.portal(0x02000001, setup);
  constexpr std::uint16_t kFirst = 0x0101;
  constexpr std::uint16_t kSecond = 0x0102;
  pair.cell(ids::landblock_info_id(kFirst), placing(0x02000001, 3));
  pair.cell(ids::landblock_info_id(kSecond), placing(0x01000001, 1));
  pair.cell(ids::cell_id(kSecond, 0x0100), cell_with({0x0009}, {0x03000001}));  // not a model type

  const auto [portal, cells] = open_pair(pair, dir);
  const std::vector<LandblockRefs> refs{read_landblock_refs(kFirst, cells), read_landblock_refs(kSecond, cells)};
  ModelSurfaceCache shared(portal);
  std::vector<std::uint32_t> all_models;
  for (const auto& r : refs) all_models.insert(all_models.end(), r.model_ids.begin(), r.model_ids.end());
  // Jobs run backwards: the results must not depend on their order.
  shared.prefetch(all_models, [](std::size_t count, const std::function<void(std::size_t)>& job) {
    for (std::size_t i = count; i-- > 0;) job(i);
  });
  EXPECT_EQ(shared.setups_known(), 1u);
  EXPECT_EQ(shared.gfx_objs_known(), 2u);
  const auto first_gfx = shared.gfx_obj_surfaces(0x01000001);
  EXPECT_EQ(std::vector<std::uint32_t>(first_gfx.begin(), first_gfx.end()),
            (std::vector<std::uint32_t>{0x08000001, 0x08000003}));

  EXPECT_EQ(surfaces_of(refs[0], shared), (std::vector<std::uint32_t>{0x08000001, 0x08000002, 0x08000003}));
  EXPECT_EQ(surfaces_of(refs[1], shared), (std::vector<std::uint32_t>{0x08000001, 0x08000003, 0x08000009}));
  for (const std::uint16_t key : {kFirst, kSecond}) {
    EXPECT_EQ(surfaces_of(refs[key - kFirst], shared), discover_surfaces(key, portal, cells)) << key;
  }
}

}  // namespace
}  // namespace quillfen::dat
