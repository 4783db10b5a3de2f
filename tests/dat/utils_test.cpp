// Compressed u32 and smart vectors.
#include "quillfen/dat/utils.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace quillfen::dat::utils {
namespace {

struct CompressedCase {
  std::vector<std::uint8_t> bytes;
  std::uint32_t value;
  std::size_t consumed;
};

class CompressedU32Test : public ::testing::TestWithParam<CompressedCase> {};

TEST_P(CompressedU32Test, DecodesByTheTopTwoBits) {
  const auto& c = GetParam();
  Reader r(c.bytes);
  const auto v = read_compressed_u32(r);
  ASSERT_TRUE(v);
  EXPECT_EQ(*v, c.value);
  EXPECT_EQ(r.position(), c.consumed);
}

INSTANTIATE_TEST_SUITE_P(Encodings, CompressedU32Test,
                         ::testing::Values(CompressedCase{{0x00}, 0, 1}, CompressedCase{{0x7F, 0xAA}, 127, 1},
                                           CompressedCase{{0x80, 0x80}, 128, 2},
                                           CompressedCase{{0xBF, 0xFF}, 0x3FFF, 2},
                                           CompressedCase{{0xC0, 0x01, 0x02, 0x03}, 0x10302, 4},
                                           CompressedCase{{0xFF, 0xFF, 0xFF, 0xFF}, (1u << 30) - 1, 4}));

TEST(CompressedU32Test, MissingBytesAreEndOfData) {
  for (const auto& bytes : std::vector<std::vector<std::uint8_t>>{{}, {0x80}, {0xC0, 0x01}, {0xC0, 0x01, 0x02}}) {
    Reader r(bytes);
    const auto v = read_compressed_u32(r);
    ASSERT_FALSE(v);
    EXPECT_TRUE(v.error().is_eof());
    EXPECT_TRUE(v.error().frames().empty());
  }
}

TEST(CompressedU32Test, WriterPicksTheShortestFormAndRoundTrips) {
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    const std::uint32_t value = rng() >> (rng() % 32) & kMaxCompressedU32;
    ByteWriter w;
    ASSERT_TRUE(write_compressed_u32(w, value));
    EXPECT_EQ(w.size(), value < 0x80 ? 1u : value < 0x4000 ? 2u : 4u);
    Reader r(w.bytes());
    EXPECT_EQ(*read_compressed_u32(r), value);
  }
}

// No encoding reaches past 2^30 - 1: a larger value is refused and nothing is written,
// where a masked or wrapped value would read back as another number.
TEST(CompressedU32Test, WriterRefusesValuesBeyondTheEncoding) {
  for (const std::uint64_t value : {std::uint64_t{kMaxCompressedU32} + 1, std::uint64_t{0xFFFFFFFF}, std::uint64_t{1} << 40}) {
    ByteWriter w;
    const auto written = write_compressed_u32(w, value);
    ASSERT_FALSE(written) << value;
    EXPECT_EQ(written.error().message,
              "compressed u32: " + std::to_string(value) + " exceeds the largest encodable value 2^30 - 1");
    EXPECT_EQ(w.size(), 0u);
  }
  ByteWriter w;
  ASSERT_TRUE(write_compressed_u32(w, kMaxCompressedU32));
  Reader r(w.bytes());
  EXPECT_EQ(*read_compressed_u32(r), kMaxCompressedU32);
}

TEST(SmartVecTest, ReadsCountThenValues) {
  ByteWriter w;
  const std::vector<std::uint32_t> values = {1, 0xDEADBEEF, 3};
  ASSERT_TRUE(write_smart_vec(w, values));
  Reader r(w.bytes());
  EXPECT_EQ(*read_smart_vec(r), values);
  EXPECT_EQ(r.remaining(), 0u);

  const std::vector<std::uint8_t> empty = {0x00, 0x55};
  Reader r2(empty);
  EXPECT_TRUE(read_smart_vec(r2)->empty());
  EXPECT_EQ(r2.position(), 1u);
}

TEST(SmartVecTest, ShortElementsFailAndHugeCountsReserveNothingUnbounded) {
  const std::vector<std::uint8_t> short_vec = {0x02, 1, 0, 0, 0, 2, 0, 0};
  Reader r(short_vec);
  const auto v = read_smart_vec(r);
  ASSERT_FALSE(v);
  EXPECT_TRUE(v.error().is_eof());

  // A count of 2^30 - 1 over four bytes of data fails without a gigabyte reservation.
  const std::vector<std::uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF, 9, 0, 0, 0};
  Reader r2(huge);
  EXPECT_FALSE(read_smart_vec(r2));
}

}  // namespace
}  // namespace quillfen::dat::utils
