// The record reader: little-endian scalars, bounds, and the end-of-data error.
#include "quillfen/common/reader.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace quillfen::common {
namespace {

const std::vector<std::uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x80, 0x3F, 0xFF};

TEST(ReaderTest, ScalarsAreLittleEndian) {
  Reader r(kBytes);
  EXPECT_EQ(*r.read_u8(), 0x01);
  EXPECT_EQ(*r.read_u16_le(), 0x0302);
  Reader r2(kBytes);
  EXPECT_EQ(*r2.read_u32_le(), 0x04030201u);
  EXPECT_EQ(*r2.read_f32_le(), 1.0f);
  EXPECT_EQ(*r2.read_u8(), 0xFF);
  EXPECT_EQ(r2.remaining(), 0u);
  const std::vector<std::uint8_t> minus_one = {0xFF, 0xFF, 0xFF, 0xFF};
  Reader r3(minus_one);
  EXPECT_EQ(*r3.read_i32_le(), -1);
}

TEST(ReaderTest, ShortReadFailsAndKeepsPosition) {
  Reader r(kBytes);
  ASSERT_TRUE(r.read_bytes(7));
  auto v = r.read_u32_le();
  ASSERT_FALSE(v);
  EXPECT_TRUE(v.error().is_eof());
  EXPECT_EQ(v.error().cause_message(), "failed to fill whole buffer");
  EXPECT_TRUE(v.error().frames().empty());
  EXPECT_EQ(r.position(), 7u);
  EXPECT_EQ(*r.read_u16_le(), 0xFF3F);
}

TEST(ReaderTest, ReadBytesCarriesItsOwnEndOfDataText) {
  Reader r(kBytes);
  auto bytes = r.read_bytes(10, kNotEnoughBytes);
  ASSERT_FALSE(bytes);
  EXPECT_EQ(bytes.error().cause_message(), "not enough bytes in reader");
  EXPECT_EQ(r.position(), 0u);
}

TEST(ReaderTest, SkipNeverPassesTheEnd) {
  Reader r(kBytes, 8);
  r.skip_at_most(2);
  EXPECT_EQ(r.position(), kBytes.size());
  r.skip_at_most(100);
  EXPECT_EQ(r.position(), kBytes.size());
}

TEST(ReaderTest, CapacityIsBoundedByRemainingBytes) {
  Reader r(kBytes);
  EXPECT_EQ(r.capacity_for(0xFFFFFFFFu, 4), 2u);
  EXPECT_EQ(r.capacity_for(1, 4), 1u);
  EXPECT_EQ(r.capacity_for(100, 0), kBytes.size());
}

ReadResult<std::uint32_t> read_two_fields(Reader& r) {
  QF_FIELD(const std::uint32_t a, r.read_u16_le(), "a", "Inner");
  QF_FIELD(const std::uint32_t b, r.read_u32_le(), "b", "Inner");
  return a + b;
}

ReadResult<std::uint32_t> read_outer(Reader& r) {
  QF_FIELD(const std::uint32_t v, read_two_fields(r), "inner", "Outer");
  return v;
}

TEST(ReaderTest, FieldContextsStackInnermostFirst) {
  const std::vector<std::uint8_t> three = {1, 0, 2};
  Reader r(three);
  auto v = read_outer(r);
  ASSERT_FALSE(v);
  ASSERT_EQ(v.error().frames().size(), 2u);
  EXPECT_EQ(v.error().frames()[0].text, "While parsing field 'b' in Inner");
  EXPECT_EQ(v.error().frames()[1].text, "While parsing field 'inner' in Outer");
  EXPECT_GT(v.error().frames()[0].location.line(), 0u);
  EXPECT_EQ(v.error().message(),
            "failed to fill whole buffer (While parsing field 'b' in Inner; While parsing field 'inner' in Outer)");
}

TEST(ReaderTest, CustomErrorCarriesMessageAndPosition) {
  ReadError e = ReadError::custom("count -1 out of range of usize", 24);
  EXPECT_FALSE(e.is_eof());
  const auto& custom = std::get<CustomError>(e.cause());
  EXPECT_EQ(custom.message, "count -1 out of range of usize");
  EXPECT_EQ(custom.position, 24u);
  EXPECT_EQ(e.message(), "count -1 out of range of usize at byte 24");
  ReadError copy = e;
  copy.add_context("x", "Y");
  EXPECT_TRUE(e.frames().empty());
  EXPECT_EQ(copy.frames().size(), 1u);
}

}  // namespace
}  // namespace quillfen::common
