// LandblockInfo: objects, buildings with their portals and padding, the optional
// restriction table, the field frames of every level, and round trips.
#include "quillfen/dat/landblock.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dat/model_test_support.hpp"

namespace quillfen::dat::landblock {
namespace {

using testing::field;
using testing::frame_texts;
using testing::packed;
using testing::prefix;
using testing::value_at;
using Texts = std::vector<std::string>;

// Writes a LandblockInfo field by field; each call is one row of the record's layout.
struct LandblockBytes : testing::FieldBytes<LandblockBytes> {
  LandblockBytes& head(std::uint32_t num_objects, std::uint32_t id = 0xA9B4FFFE) {
    return u32(id).u32(3).u32(num_objects);
  }
  LandblockBytes& stab(std::uint32_t id, float x) { return u32(id).frame(x); }
  LandblockBytes& building(std::uint32_t model_id, std::uint32_t num_portals) {
    return u32(model_id).frame(0.0f).u32(11).u32(num_portals);
  }
  // A portal with `stabs` entries and the padding of an odd count.
  LandblockBytes& portal(std::uint16_t stabs, bool padded = true) {
    u16(1).u16(2).u16(3).u16(stabs);
    for (std::uint16_t i = 0; i < stabs; ++i) u16(static_cast<std::uint16_t>(0x100 + i));
    if (padded && stabs % 2 != 0) u16(0);
    return *this;
  }
};

ReadResult<LandblockInfo> decode(const std::vector<std::uint8_t>& bytes) { return LandblockInfo::unpack(bytes); }

TEST(LandblockInfo, EmptyRecordIs16Bytes) {
  LandblockBytes b;
  b.head(0).u16(0).u16(0);
  ASSERT_EQ(b.w.size(), 16u);
  const auto info = decode(b.w.bytes());
  ASSERT_TRUE(info.has_value()) << info.error().message();
  EXPECT_EQ(info->id, 0xA9B4FFFEu);
  EXPECT_EQ(info->num_cells, 3u);
  EXPECT_TRUE(info->objects.empty());
  EXPECT_TRUE(info->buildings.empty());
  EXPECT_FALSE(info->restriction_tables.has_value());
}

TEST(LandblockInfo, ObjectsAndBuildingsInFileOrder) {
  LandblockBytes b;
  b.head(2).stab(0x02000001, 1.0f).stab(0x01000002, 2.0f).u16(1).u16(0);
  b.building(0x02000100, 2).portal(1).portal(2);
  const auto info = decode(b.w.bytes());
  ASSERT_TRUE(info.has_value()) << info.error().message();
  ASSERT_EQ(info->objects.size(), 2u);
  EXPECT_EQ(info->objects[1].id, 0x01000002u);
  EXPECT_EQ(info->objects[1].frame.origin.x, 2.0f);
  ASSERT_EQ(info->buildings.size(), 1u);
  const auto& building = info->buildings[0];
  EXPECT_EQ(building.model_id, 0x02000100u);
  EXPECT_EQ(building.num_leaves, 11u);
  ASSERT_EQ(building.portals.size(), 2u);
  EXPECT_EQ(building.portals[0].stab_list, (std::vector<std::uint16_t>{0x100}));
  EXPECT_EQ(building.portals[1].stab_list, (std::vector<std::uint16_t>{0x100, 0x101}));
  EXPECT_EQ(building.portals[1].other_portal_id, 3u);
  EXPECT_EQ(packed(*info), b.w.bytes());
}

struct PackMaskCase {
  std::uint16_t pack_mask;
  bool table;
};

class LandblockPackMask : public ::testing::TestWithParam<PackMaskCase> {};

TEST_P(LandblockPackMask, BitOneBringsTheRestrictionTable) {
  LandblockBytes b;
  b.head(0).u16(0).u16(GetParam().pack_mask);
  if (GetParam().table) b.u16(2).u16(8).u32(5).u32(7).u32(5).u32(9);
  const auto info = decode(b.w.bytes());
  ASSERT_TRUE(info.has_value()) << info.error().message();
  EXPECT_EQ(info->pack_mask, GetParam().pack_mask);
  ASSERT_EQ(info->restriction_tables.has_value(), GetParam().table);
  if (GetParam().table) {
    // A repeated key keeps the value read last.
    const auto& tables = info->restriction_tables->tables;
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(value_at(tables, 5), 9u);
  }
}

INSTANTIATE_TEST_SUITE_P(Masks, LandblockPackMask,
                         ::testing::Values(PackMaskCase{0x0000, false}, PackMaskCase{0x0002, false},
                                           PackMaskCase{0x0001, true}, PackMaskCase{0x0003, true},
                                           PackMaskCase{0xFFFF, true}));

struct PortalSizeCase {
  std::uint16_t stabs;
  std::size_t size;
};

class PortalInternalSize : public ::testing::TestWithParam<PortalSizeCase> {};

TEST_P(PortalInternalSize, IsAMultipleOfFour) {
  LandblockBytes b;
  b.portal(GetParam().stabs).u32(0xFFFFFFFF);
  Reader reader(b.w.bytes());
  const auto portal = PortalInternal::read(reader);
  ASSERT_TRUE(portal.has_value()) << portal.error().message();
  EXPECT_EQ(reader.position(), GetParam().size);
  EXPECT_EQ(portal->stab_list.size(), GetParam().stabs);
  EXPECT_EQ(packed(*portal), prefix(b.w.bytes(), GetParam().size));
}

INSTANTIATE_TEST_SUITE_P(Stabs, PortalInternalSize,
                         ::testing::Values(PortalSizeCase{0, 8}, PortalSizeCase{1, 12}, PortalSizeCase{2, 12},
                                           PortalSizeCase{3, 16}));

TEST(LandblockInfo, MissingPaddingAtTheEndIsNoError) {
  LandblockBytes b;
  b.head(0).u16(1).u16(0).building(0x01000001, 1).portal(3, false);
  const auto info = decode(b.w.bytes());
  ASSERT_TRUE(info.has_value()) << info.error().message();
  EXPECT_EQ(info->buildings.at(0).portals.at(0).stab_list.size(), 3u);
}

TEST(LandblockInfo, HostileCountsFailAtTheEndOfTheData) {
  LandblockBytes objects;
  objects.head(0xFFFFFFFF).stab(1, 0.0f);
  LandblockBytes portals;
  portals.head(0).u16(0xFFFF).u16(1).building(1, 0xFFFFFFFF).u16(1).u16(2).u16(3).u16(0xFFFF).u16(5);
  for (const auto* b : {&objects, &portals}) {
    const auto info = decode(b->w.bytes());
    ASSERT_FALSE(info.has_value());
    EXPECT_TRUE(info.error().is_eof());
  }
}

// Three objects, a building with two portals, and a restriction table, with the offsets
// of the fields marked.
LandblockBytes marked_record() {
  LandblockBytes b;
  b.mark("id").u32(0xA9B4FFFE).mark("num_cells").u32(0).mark("num_objects").u32(3);
  b.stab(1, 0.0f).stab(2, 0.0f).mark("third_stab").stab(3, 0.0f);
  b.mark("num_buildings").u16(1).mark("pack_mask").u16(1);
  b.mark("model_id").u32(0x01000000).mark("building_frame").frame(0.0f).mark("num_leaves").u32(0);
  b.mark("num_portals").u32(2).portal(0).mark("portal").u16(0).mark("other_cell_id").u16(0);
  b.mark("other_portal_id").u16(0).mark("num_stabs").u16(1).mark("stab_list").u16(7).u16(0);
  b.mark("count").u16(1).mark("bucket").u16(0).mark("tables").u32(1).u32(2);
  return b;
}

struct LandblockCutCase {
  const char* mark;
  std::size_t extra;  // bytes kept beyond the mark
  Texts frames;
};

class LandblockCut : public ::testing::TestWithParam<LandblockCutCase> {};

TEST_P(LandblockCut, NamesEveryLevel) {
  const auto b = marked_record();
  const auto info = decode(prefix(b.w.bytes(), b.marks.at(GetParam().mark) + GetParam().extra));
  ASSERT_FALSE(info.has_value());
  EXPECT_EQ(info.error().cause_message(), "failed to fill whole buffer");
  EXPECT_EQ(frame_texts(info.error()), GetParam().frames);
}

const std::string kObjects = field("objects", "LandblockInfo");
const std::string kBuildings = field("buildings", "LandblockInfo");
const std::string kPortals = field("portals", "BuildInfo");

INSTANTIATE_TEST_SUITE_P(
    Fields, LandblockCut,
    ::testing::Values(
        LandblockCutCase{"id", 3, {field("id", "LandblockInfo")}},
        LandblockCutCase{"num_cells", 0, {field("num_cells", "LandblockInfo")}},
        LandblockCutCase{"num_objects", 1, {field("num_objects", "LandblockInfo")}},
        LandblockCutCase{"third_stab", 2, {field("id", "Stab"), kObjects}},
        LandblockCutCase{"third_stab", 4 + 12 + 8,
                         {field("y", "Quaternion"), field("orientation", "Frame"), field("frame", "Stab"), kObjects}},
        LandblockCutCase{"num_buildings", 1, {field("num_buildings", "LandblockInfo")}},
        LandblockCutCase{"pack_mask", 0, {field("pack_mask", "LandblockInfo")}},
        LandblockCutCase{"model_id", 0, {field("model_id", "BuildInfo"), kBuildings}},
        LandblockCutCase{"building_frame", 4,
                         {field("y", "Vector3"), field("origin", "Frame"), field("frame", "BuildInfo"), kBuildings}},
        LandblockCutCase{"num_leaves", 2, {field("num_leaves", "BuildInfo"), kBuildings}},
        LandblockCutCase{"num_portals", 0, {field("num_portals", "BuildInfo"), kBuildings}},
        LandblockCutCase{"portal", 1, {field("flags", "PortalInternal"), kPortals, kBuildings}},
        LandblockCutCase{"other_cell_id", 0, {field("other_cell_id", "PortalInternal"), kPortals, kBuildings}},
        LandblockCutCase{"other_portal_id", 1, {field("other_portal_id", "PortalInternal"), kPortals, kBuildings}},
        LandblockCutCase{"num_stabs", 0, {field("num_stabs", "PortalInternal"), kPortals, kBuildings}},
        LandblockCutCase{"stab_list", 1, {field("stab_list", "PortalInternal"), kPortals, kBuildings}},
        LandblockCutCase{"count", 1, {field("count", "RestrictionTable"), field("restriction_tables", "LandblockInfo")}},
        LandblockCutCase{"bucket", 0,
                         {field("_bucket_size", "RestrictionTable"), field("restriction_tables", "LandblockInfo")}},
        LandblockCutCase{"tables", 6,
                         {field("tables", "RestrictionTable"), field("restriction_tables", "LandblockInfo")}}),
    [](const auto& test) { return std::string(test.param.mark) + "_" + std::to_string(test.index); });

TEST(LandblockInfo, MarkedRecordDecodesWhole) {
  const auto b = marked_record();
  const auto info = decode(b.w.bytes());
  ASSERT_TRUE(info.has_value()) << info.error().message();
  EXPECT_EQ(info->objects.size(), 3u);
  ASSERT_TRUE(info->restriction_tables.has_value());
  EXPECT_EQ(value_at(info->restriction_tables->tables, 1), 2u);
  EXPECT_EQ(packed(*info), b.w.bytes());
}

TEST(LandblockRoundTrip, RandomRecords) {
  testing::RecordRng rng(0x1A4D);
  for (int i = 0; i < 300; ++i) {
    LandblockInfo info;
    info.id = rng.u32();
    info.num_cells = rng.u32();
    info.objects = rng.list<Stab>(5, [&] { return Stab{rng.u32(), rng.frame()}; });
    info.pack_mask = rng.u16();
    info.buildings = rng.list<BuildInfo>(4, [&] {
      return BuildInfo{rng.u32(), rng.frame(), rng.u32(), rng.list<PortalInternal>(4, [&] {
                         return PortalInternal{rng.u16(), rng.u16(), rng.u16(), rng.u16s(5)};
                       })};
    });
    if ((info.pack_mask & kHasRestrictionTable) != 0) {
      RestrictionTable table;
      const std::uint32_t entries = rng.between(0, 6);
      for (std::uint32_t k = 0; k < entries; ++k) table.tables.insert_or_assign(rng.u32(), rng.u32());
      info.restriction_tables = std::move(table);
    }
    const auto bytes = packed(info);
    const auto back = decode(bytes);
    ASSERT_TRUE(back.has_value()) << back.error().message();
    EXPECT_EQ(*back, info);
  }
}

}  // namespace
}  // namespace quillfen::dat::landblock
