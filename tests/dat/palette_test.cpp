// Palette records: colours in order, the field frames of each short read, negative and
// oversized counts, and pack as the inverse of unpack.
#include "quillfen/dat/file_type/palette.hpp"

#include <gtest/gtest.h>

#include "record_test_support.hpp"

namespace quillfen::dat::file_type {
namespace {

using testing::frame_texts;
using testing::packed;

std::vector<std::uint8_t> palette_bytes(std::int32_t count, std::vector<std::uint32_t> colors) {
  ByteWriter w;
  w.write_u32_le(0x0400007E);
  w.write_i32_le(count);
  for (const auto c : colors) w.write_u32_le(c);
  return w.take();
}

TEST(PaletteTest, ReadsColoursInOrder) {
  auto bytes = palette_bytes(3, {0xFF000000, 0x80FF8000, 0x00000001});
  bytes.push_back(0x99);  // trailing, ignored
  const auto palette = Palette::unpack(bytes);
  ASSERT_TRUE(palette) << palette.error().message();
  EXPECT_EQ(*palette, (Palette{0x0400007E, {0xFF000000, 0x80FF8000, 0x00000001}}));
}

TEST(PaletteTest, ZeroCountGivesAnEmptyPalette) {
  const auto palette = Palette::unpack(palette_bytes(0, {}));
  ASSERT_TRUE(palette) << palette.error().message();
  EXPECT_TRUE(palette->colors.empty());
}

struct TruncationCase {
  std::size_t size;
  std::string field;
};

class PaletteTruncationTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(PaletteTruncationTest, NamesTheFieldThatRanOut) {
  const auto& c = GetParam();
  auto bytes = palette_bytes(2, {1, 2});
  bytes.resize(c.size);
  const auto palette = Palette::unpack(bytes);
  ASSERT_FALSE(palette);
  EXPECT_EQ(palette.error().cause_message(), "failed to fill whole buffer");
  EXPECT_EQ(frame_texts(palette.error()),
            std::vector<std::string>{"While parsing field '" + c.field + "' in Palette"});
}

INSTANTIATE_TEST_SUITE_P(Fields, PaletteTruncationTest,
                         ::testing::Values(TruncationCase{0, "id"}, TruncationCase{3, "id"},
                                           TruncationCase{4, "colors"},   // the count
                                           TruncationCase{7, "colors"},   // the count
                                           TruncationCase{11, "colors"},  // the first colour
                                           TruncationCase{15, "colors"}));

TEST(PaletteTest, NegativeCountIsRejectedAfterTheCount) {
  const auto palette = Palette::unpack(palette_bytes(-7, {1}));
  ASSERT_FALSE(palette);
  const auto* custom = std::get_if<CustomError>(&palette.error().cause());
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->message, "colors count -7 is negative, expected 0 or more");
  EXPECT_EQ(custom->position, 8u);
  EXPECT_EQ(frame_texts(palette.error()), std::vector<std::string>{"While parsing field 'colors' in Palette"});
}

TEST(PaletteTest, HugeCountFailsAtTheFirstMissingColour) {
  const auto palette = Palette::unpack(palette_bytes(0x7FFFFFFF, {1}));
  ASSERT_FALSE(palette);
  EXPECT_TRUE(palette.error().is_eof());
  EXPECT_EQ(frame_texts(palette.error()), std::vector<std::string>{"While parsing field 'colors' in Palette"});
}

TEST(PaletteTest, PackIsTheInverseOfUnpack) {
  testing::RecordRandom random(0x5eed0003);
  for (int i = 0; i < 30; ++i) {
    const Palette palette{random.u32(), random.u32s(300)};
    const auto bytes = packed(palette);
    ASSERT_EQ(bytes.size(), 8 + 4 * palette.colors.size());
    const auto back = Palette::unpack(bytes);
    ASSERT_TRUE(back) << back.error().message();
    EXPECT_EQ(*back, palette);
  }
}

}  // namespace
}  // namespace quillfen::dat::file_type
