// EnvCell: the unaligned layout, the two optional parts, the reader position it leaves,
// errors that carry frames only from nested records, and round trips.
#include "quillfen/dat/file_type/env_cell.hpp"

#include <gtest/gtest.h>

#include <string>

#include "dat/model_test_support.hpp"

namespace quillfen::dat::file_type::env_cell {
namespace {

using testing::field;
using testing::frame_texts;
using testing::packed;
using testing::prefix;
using Texts = std::vector<std::string>;

// Writes an EnvCell field by field; each call is one row of the record's layout.
struct CellBytes : testing::FieldBytes<CellBytes> {
  CellBytes& head(std::uint32_t flags, std::uint8_t surfaces, std::uint8_t portals, std::uint16_t cell_refs) {
    u32(0xA9B40100).u32(flags).u32(0x1234);
    w.write_u8(surfaces);
    w.write_u8(portals);
    return u16(cell_refs);
  }
  CellBytes& portal(std::uint16_t polygon_id) { return u16(0x0001).u16(polygon_id).u16(0x0102).u16(3); }
};

ReadResult<EnvCell> decode(const std::vector<std::uint8_t>& bytes, std::size_t* position = nullptr) {
  Reader reader(bytes);
  auto cell = EnvCell::unpack(reader);
  if (position != nullptr) *position = reader.position();
  return cell;
}

TEST(EnvCell, SmallestCellIs48Bytes) {
  CellBytes b;
  b.head(0, 0, 0, 0).u16(0).u16(0).frame(1.0f);
  ASSERT_EQ(b.w.size(), 48u);
  std::size_t position = 0;
  const auto cell = decode(b.w.bytes(), &position);
  ASSERT_TRUE(cell.has_value()) << cell.error().message();
  EXPECT_EQ(position, 48u);
  EXPECT_EQ(cell->id, 0xA9B40100u);
  EXPECT_EQ(cell->unknown_int, 0x1234u);
  EXPECT_EQ(cell->position.origin.x, 1.0f);
  EXPECT_TRUE(cell->surfaces.empty());
  EXPECT_TRUE(cell->objects.empty());
  EXPECT_FALSE(cell->trailing_id.has_value());
}

TEST(EnvCell, OddSurfaceListIsNotPadded) {
  CellBytes b;
  b.head(0, 3, 0, 0).u16(0x012C).u16(0x012D).u16(0xFFFF);
  ASSERT_EQ(b.w.size(), 22u);
  b.u16(0xAAAA).u16(0xBBBB).frame(0.0f);
  const auto cell = decode(b.w.bytes());
  ASSERT_TRUE(cell.has_value()) << cell.error().message();
  EXPECT_EQ(cell->surfaces, (std::vector<std::uint16_t>{0x012C, 0x012D, 0xFFFF}));
  EXPECT_EQ(cell->unknown_short_1, 0xAAAAu);
  EXPECT_EQ(cell->unknown_short_2, 0xBBBBu);
}

struct FlagCase {
  std::uint32_t flags;
  bool objects;
  bool trailing_id;
};

class EnvCellFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(EnvCellFlags, BringObjectsThenTrailingId) {
  const auto& c = GetParam();
  CellBytes b;
  b.head(c.flags, 1, 2, 1).u16(0x0010).u16(0).u16(0).frame(0.0f).portal(5).portal(6).u16(0x0200);
  if (c.objects) b.u32(2).u32(0x02000001).frame(1.0f).u32(0x01000002).frame(2.0f);
  if (c.trailing_id) b.u32(0x0C0FFEE0);
  const std::size_t size = b.w.size();
  b.u32(0xFFFFFFFF);  // the next record

  std::size_t position = 0;
  const auto cell = decode(b.w.bytes(), &position);
  ASSERT_TRUE(cell.has_value()) << cell.error().message();
  EXPECT_EQ(position, size);
  EXPECT_EQ(cell->portals.at(1).polygon_id, 6u);
  EXPECT_EQ(cell->cell_refs, (std::vector<std::uint16_t>{0x0200}));
  if (c.objects) {
    ASSERT_EQ(cell->objects.size(), 2u);
    EXPECT_EQ(cell->objects[1].stab_id, 0x01000002u);
    EXPECT_EQ(cell->objects[1].position.origin.x, 2.0f);
  } else {
    EXPECT_TRUE(cell->objects.empty());
  }
  EXPECT_EQ(cell->trailing_id, c.trailing_id ? std::optional<std::uint32_t>(0x0C0FFEE0) : std::nullopt);
  EXPECT_EQ(packed(*cell), prefix(b.w.bytes(), size));
}

INSTANTIATE_TEST_SUITE_P(Flags, EnvCellFlags,
                         ::testing::Values(FlagCase{0x00, false, false}, FlagCase{0x01, false, false},
                                           FlagCase{0x04, false, false}, FlagCase{0x02, true, false},
                                           FlagCase{0x08, false, true}, FlagCase{0x0A, true, true},
                                           FlagCase{0xFFFFFFFF, true, true}));

TEST(EnvCell, ObjectFlagWithZeroCountGivesNoObjects) {
  CellBytes b;
  b.head(0x02, 0, 0, 0).u16(0).u16(0).frame(0.0f).u32(0);
  std::size_t position = 0;
  const auto cell = decode(b.w.bytes(), &position);
  ASSERT_TRUE(cell.has_value());
  EXPECT_TRUE(cell->objects.empty());
  EXPECT_EQ(position, 52u);
}

TEST(EnvCell, LeavesTheReaderAfterTheRecord) {
  CellBytes b;
  b.head(0x08, 1, 0, 0).u16(7).u16(0).u16(0).frame(0.0f).u32(1);
  b.head(0, 0, 0, 0).u16(0).u16(0).frame(5.0f);
  Reader reader(b.w.bytes());
  const auto first = EnvCell::unpack(reader);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(reader.position(), 54u);
  const auto second = EnvCell::unpack(reader);
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->position.origin.x, 5.0f);
  EXPECT_EQ(reader.remaining(), 0u);
}

// 16 header bytes, 2 surfaces, 4 bytes of shorts, the frame at 24, two portals at 52,
// one cell ref at 68, the object count at 70, one object at 74, the trailing id at 106.
std::vector<std::uint8_t> full_cell() {
  CellBytes b;
  b.head(0x0A, 2, 2, 1).u16(1).u16(2).u16(0).u16(0).frame(0.0f).portal(1).portal(2).u16(9);
  b.u32(1).u32(0x02000001).frame(3.0f).u32(42);
  return b.w.take();
}

struct CellCutCase {
  const char* name;
  std::size_t length;
  Texts frames;
};

class EnvCellCut : public ::testing::TestWithParam<CellCutCase> {};

TEST_P(EnvCellCut, OnlyNestedRecordsAddFrames) {
  const auto cell = decode(prefix(full_cell(), GetParam().length));
  ASSERT_FALSE(cell.has_value());
  EXPECT_EQ(cell.error().cause_message(), "failed to fill whole buffer");
  EXPECT_EQ(frame_texts(cell.error()), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, EnvCellCut,
    ::testing::Values(CellCutCase{"id", 2, {}}, CellCutCase{"counts", 13, {}},
                      CellCutCase{"surfaces", 19, {}}, CellCutCase{"unknown_short_2", 23, {}},
                      CellCutCase{"position", 42, {field("x", "Quaternion"), field("orientation", "Frame")}},
                      CellCutCase{"second_portal_polygon", 62, {field("polygon_id", "CellPortal")}},
                      CellCutCase{"second_portal_other_portal", 66, {field("other_portal_id", "CellPortal")}},
                      CellCutCase{"cell_refs", 69, {}}, CellCutCase{"object_count", 72, {}},
                      CellCutCase{"stab_id", 76, {field("stab_id", "Stab")}},
                      CellCutCase{"stab_position", 80,
                                  {field("x", "Vector3"), field("origin", "Frame"), field("position", "Stab")}},
                      CellCutCase{"trailing_id", 108, {}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(EnvCell, FullCellDecodesWhole) {
  const auto bytes = full_cell();
  ASSERT_EQ(bytes.size(), 110u);
  const auto cell = decode(bytes);
  ASSERT_TRUE(cell.has_value()) << cell.error().message();
  EXPECT_EQ(cell->trailing_id, 42u);
  EXPECT_EQ(packed(*cell), bytes);
}

TEST(EnvCell, HostileObjectCountFailsAtTheEndOfTheData) {
  CellBytes b;
  b.head(0x02, 0, 0, 0).u16(0).u16(0).frame(0.0f).u32(0xFFFFFFFF).u32(1).frame(0.0f);
  const auto cell = decode(b.w.bytes());
  ASSERT_FALSE(cell.has_value());
  EXPECT_EQ(frame_texts(cell.error()), (Texts{field("stab_id", "Stab")}));
}

TEST(EnvCellRoundTrip, RandomCells) {
  testing::RecordRng rng(0xCE11);
  for (int i = 0; i < 300; ++i) {
    EnvCell cell;
    cell.id = rng.u32();
    cell.flags = rng.u32();
    cell.unknown_int = rng.u32();
    cell.surfaces = rng.u16s(8);
    cell.unknown_short_1 = rng.u16();
    cell.unknown_short_2 = rng.u16();
    cell.position = rng.frame();
    cell.portals = rng.list<CellPortal>(4, [&] { return CellPortal{rng.u16(), rng.u16(), rng.u16(), rng.u16()}; });
    cell.cell_refs = rng.u16s(5);
    if ((cell.flags & kHasObjects) != 0) cell.objects = rng.list<Stab>(4, [&] { return Stab{rng.u32(), rng.frame()}; });
    if ((cell.flags & kHasTrailingId) != 0) cell.trailing_id = rng.u32();

    const auto bytes = packed(cell);
    std::size_t position = 0;
    const auto back = decode(bytes, &position);
    ASSERT_TRUE(back.has_value()) << back.error().message();
    EXPECT_EQ(*back, cell);
    EXPECT_EQ(position, bytes.size());
  }
}

}  // namespace
}  // namespace quillfen::dat::file_type::env_cell
