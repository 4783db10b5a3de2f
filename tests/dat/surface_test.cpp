// Surface records: the colour and texture layouts, the field frames of each short read,
// and pack as the inverse of unpack.
#include "quillfen/dat/file_type/surface.hpp"

#include <gtest/gtest.h>

#include "record_test_support.hpp"

namespace quillfen::dat::file_type {
namespace {

using testing::frame_texts;
using testing::packed;

// A record laid out field by field: surface_type, then two or one u32, then the floats.
std::vector<std::uint8_t> surface_bytes(std::uint32_t surface_type, std::vector<std::uint32_t> middle,
                                        std::size_t trailing = 0) {
  ByteWriter w;
  w.write_u32_le(surface_type);
  for (const auto v : middle) w.write_u32_le(v);
  w.write_f32_le(0.25f);
  w.write_f32_le(0.5f);
  w.write_f32_le(0.75f);
  w.write_zeros(trailing);
  return w.take();
}

TEST(SurfaceTest, SolidColourRecordHoldsItsColourAndFloats) {
  // Colour bytes 00 00 FF 80: blue 0, green 0, red FF, alpha 80.
  auto bytes = surface_bytes(0x01, {0x80FF0000}, 3);
  ASSERT_EQ(bytes.size(), 23u);
  ASSERT_EQ((std::vector<std::uint8_t>(bytes.begin() + 4, bytes.begin() + 8)),
            (std::vector<std::uint8_t>{0x00, 0x00, 0xFF, 0x80}));
  const auto surface = Surface::unpack(bytes);
  ASSERT_TRUE(surface) << surface.error().message();
  EXPECT_EQ(*surface, (Surface{.surface_type = 0x01, .texture_refs = std::nullopt, .color_value = 0x80FF0000,
                               .translucency = 0.25f, .luminosity = 0.5f, .diffuse = 0.75f}));
}

struct LayoutCase {
  std::uint32_t surface_type;
  bool textured;
};

class SurfaceLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SurfaceLayoutTest, BitsTwoAndFourSelectTextureRefs) {
  const auto& c = GetParam();
  const auto bytes = c.textured ? surface_bytes(c.surface_type, {0x05000010, 0x04000020})
                                : surface_bytes(c.surface_type, {0xFF336699});
  EXPECT_EQ(bytes.size(), c.textured ? 24u : 20u);
  const auto surface = Surface::unpack(bytes);
  ASSERT_TRUE(surface) << surface.error().message();
  EXPECT_EQ(surface->surface_type, c.surface_type);
  if (c.textured) {
    EXPECT_EQ(surface->texture_refs, (TextureRefs{0x05000010, 0x04000020}));
    EXPECT_FALSE(surface->color_value);
  } else {
    EXPECT_FALSE(surface->texture_refs);
    EXPECT_EQ(surface->color_value, 0xFF336699u);
  }
  EXPECT_EQ(surface->translucency, 0.25f);
  EXPECT_EQ(surface->luminosity, 0.5f);
  EXPECT_EQ(surface->diffuse, 0.75f);
}

INSTANTIATE_TEST_SUITE_P(Flags, SurfaceLayoutTest,
                         ::testing::Values(LayoutCase{0x00, false}, LayoutCase{0x01, false}, LayoutCase{0x10, false},
                                           LayoutCase{0x02, true}, LayoutCase{0x03, true}, LayoutCase{0x04, true},
                                           LayoutCase{0x06, true}, LayoutCase{0xFFFFFFF9, false}));

struct TruncationCase {
  std::uint32_t surface_type;
  std::size_t size;
  std::vector<std::string> frames;
};

class SurfaceTruncationTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(SurfaceTruncationTest, NamesTheFieldThatRanOut) {
  const auto& c = GetParam();
  auto bytes = surface_bytes(c.surface_type, {1, 2});  // long enough for either layout
  bytes.resize(c.size);
  const auto surface = Surface::unpack(bytes);
  ASSERT_FALSE(surface);
  EXPECT_TRUE(surface.error().is_eof());
  EXPECT_EQ(surface.error().cause_message(), "failed to fill whole buffer");
  EXPECT_EQ(frame_texts(surface.error()), c.frames);
}

const std::string kRefsField = "While parsing field 'texture_refs' in Surface";

INSTANTIATE_TEST_SUITE_P(
    Fields, SurfaceTruncationTest,
    ::testing::Values(
        TruncationCase{0x02, 0, {"While parsing field 'surface_type' in Surface"}},
        TruncationCase{0x02, 3, {"While parsing field 'surface_type' in Surface"}},
        TruncationCase{0x02, 7, {"While parsing field 'orig_texture_id' in TextureRefs", kRefsField}},
        TruncationCase{0x02, 10, {"While parsing field 'orig_palette_id' in TextureRefs", kRefsField}},
        TruncationCase{0x02, 15, {"While parsing field 'translucency' in Surface"}},
        TruncationCase{0x02, 19, {"While parsing field 'luminosity' in Surface"}},
        TruncationCase{0x02, 20, {"While parsing field 'diffuse' in Surface"}},
        TruncationCase{0x01, 7, {"While parsing field 'color_value' in Surface"}},
        TruncationCase{0x01, 8, {"While parsing field 'translucency' in Surface"}},
        TruncationCase{0x01, 12, {"While parsing field 'luminosity' in Surface"}},
        TruncationCase{0x01, 19, {"While parsing field 'diffuse' in Surface"}}));

TEST(SurfaceTest, PackIsTheInverseOfUnpack) {
  testing::RecordRandom random(0x5eed0001);
  for (int i = 0; i < 50; ++i) {
    Surface surface;
    surface.surface_type = random.u32();
    if (surface.is_textured()) {
      surface.texture_refs = TextureRefs{random.u32(), random.u32()};
    } else {
      surface.color_value = random.u32();
    }
    surface.translucency = random.f32();
    surface.luminosity = random.f32();
    surface.diffuse = random.f32();
    const auto bytes = packed(surface);
    ASSERT_EQ(bytes.size(), surface.is_textured() ? 24u : 20u);
    const auto back = Surface::unpack(bytes);
    ASSERT_TRUE(back) << back.error().message();
    EXPECT_EQ(*back, surface);
  }
}

}  // namespace
}  // namespace quillfen::dat::file_type
