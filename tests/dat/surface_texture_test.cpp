// SurfaceTexture records: the unaligned list after the single byte, the field frames of
// each short read, negative and oversized counts, and pack as the inverse of unpack.
#include "quillfen/dat/file_type/surface_texture.hpp"

#include <gtest/gtest.h>

#include "record_test_support.hpp"

namespace quillfen::dat::file_type {
namespace {

using testing::frame_texts;
using testing::packed;

std::vector<std::uint8_t> surface_texture_bytes(std::int32_t count, std::vector<std::uint32_t> entries,
                                                std::size_t trailing = 0) {
  ByteWriter w;
  w.write_u32_le(0x05000123);  // id
  w.write_u32_le(7);           // unknown_int
  w.write_u8(0xAB);            // unknown_byte
  w.write_i32_le(count);
  for (const auto e : entries) w.write_u32_le(e);
  w.write_zeros(trailing);
  return w.take();
}

TEST(SurfaceTextureTest, ReadsUnalignedEntriesAndIgnoresTrailingBytes) {
  const auto bytes = surface_texture_bytes(3, {0x06000001, 0x06000002, 0x06000001}, 5);
  const auto record = SurfaceTexture::unpack(bytes);
  ASSERT_TRUE(record) << record.error().message();
  EXPECT_EQ(*record, (SurfaceTexture{0x05000123, 7, 0xAB, {0x06000001, 0x06000002, 0x06000001}}));
}

TEST(SurfaceTextureTest, ZeroCountGivesAnEmptyList) {
  const auto bytes = surface_texture_bytes(0, {});
  ASSERT_EQ(bytes.size(), 13u);
  const auto record = SurfaceTexture::unpack(bytes);
  ASSERT_TRUE(record) << record.error().message();
  EXPECT_TRUE(record->textures.empty());
}

struct TruncationCase {
  std::size_t size;
  std::string field;
};

class SurfaceTextureTruncationTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(SurfaceTextureTruncationTest, NamesTheFieldThatRanOut) {
  const auto& c = GetParam();
  auto bytes = surface_texture_bytes(2, {10, 20});
  bytes.resize(c.size);
  const auto record = SurfaceTexture::unpack(bytes);
  ASSERT_FALSE(record);
  EXPECT_EQ(record.error().cause_message(), "failed to fill whole buffer");
  EXPECT_EQ(frame_texts(record.error()),
            std::vector<std::string>{"While parsing field '" + c.field + "' in SurfaceTexture"});
}

INSTANTIATE_TEST_SUITE_P(Fields, SurfaceTextureTruncationTest,
                         ::testing::Values(TruncationCase{0, "id"}, TruncationCase{3, "id"},
                                           TruncationCase{4, "unknown_int"}, TruncationCase{7, "unknown_int"},
                                           TruncationCase{8, "unknown_byte"}, TruncationCase{9, "textures"},
                                           TruncationCase{12, "textures"},
                                           TruncationCase{17, "textures"},  // count 2, one entry
                                           TruncationCase{20, "textures"}));

TEST(SurfaceTextureTest, NegativeCountIsRejectedAfterTheCount) {
  const auto record = SurfaceTexture::unpack(surface_texture_bytes(-1, {1, 2, 3}));
  ASSERT_FALSE(record);
  const auto* custom = std::get_if<CustomError>(&record.error().cause());
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->message, "textures count -1 is negative, expected 0 or more");
  EXPECT_EQ(custom->position, 13u);
  EXPECT_EQ(frame_texts(record.error()),
            std::vector<std::string>{"While parsing field 'textures' in SurfaceTexture"});
}

TEST(SurfaceTextureTest, HugeCountFailsAtTheFirstMissingEntry) {
  const auto record = SurfaceTexture::unpack(surface_texture_bytes(0x7FFFFFFF, {1, 2}));
  ASSERT_FALSE(record);
  EXPECT_TRUE(record.error().is_eof());
  EXPECT_EQ(frame_texts(record.error()),
            std::vector<std::string>{"While parsing field 'textures' in SurfaceTexture"});
}

TEST(SurfaceTextureTest, PackIsTheInverseOfUnpack) {
  testing::RecordRandom random(0x5eed0002);
  for (int i = 0; i < 30; ++i) {
    const SurfaceTexture record{random.u32(), random.u32(), random.u8(), random.u32s(12)};
    const auto bytes = packed(record);
    ASSERT_EQ(bytes.size(), 13 + 4 * record.textures.size());
    const auto back = SurfaceTexture::unpack(bytes);
    ASSERT_TRUE(back) << back.error().message();
    EXPECT_EQ(*back, record);
  }
}

}  // namespace
}  // namespace quillfen::dat::file_type
