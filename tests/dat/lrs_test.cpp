// LRS decompression and the compressor that inverts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "quillfen/dat/utils.hpp"
#include "quillfen/dat/write/lrs_compress.hpp"

namespace quillfen::dat {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct LrsCase {
  const char* name;
  Bytes input;
  Bytes output;
};

class DecompressLrsTest : public ::testing::TestWithParam<LrsCase> {};

TEST_P(DecompressLrsTest, ProducesExactly) { EXPECT_EQ(utils::decompress_lrs(GetParam().input), GetParam().output); }

INSTANTIATE_TEST_SUITE_P(
    Streams, DecompressLrsTest,
    ::testing::Values(
        LrsCase{"Empty", {}, {}}, LrsCase{"TwoBytesUnchanged", {0x12, 0x34}, {0x12, 0x34}},
        LrsCase{"ThreeBytesUnchanged", {1, 2, 3}, {1, 2, 3}}, LrsCase{"ExpectedZero", {0, 0, 0, 0, 0x00, 0x61}, {}},
        LrsCase{"SevenLiterals",
                {7, 0, 0, 0, 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67},
                {0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67}},
        LrsCase{"RunFromDistanceOne", {6, 0, 0, 0, 0x40, 0x41, 0x01, 0x03}, Bytes(6, 0x41)},
        LrsCase{"EndMarkerStops", {9, 0, 0, 0, 0x40, 0x41, 0x00, 0x03, 0x42}, {0x41}},
        LrsCase{"CutAtExpectedSize", {3, 0, 0, 0, 0x40, 0x41, 0x01, 0x0F}, {0x41, 0x41, 0x41}},
        LrsCase{"DistanceBeyondOutputReadsFirstByte", {5, 0, 0, 0, 0x20, 0x41, 0x42, 0x10, 0x01}, {0x41, 0x42, 0x41, 0x41, 0x41}},
        LrsCase{"DistanceTwoCopiesAPair", {4, 0, 0, 0, 0x20, 0x61, 0x62, 0x02, 0x00}, {0x61, 0x62, 0x61, 0x62}},
        // The high nibble of hi holds distance bits 8..11: distance 257, not 1.
        LrsCase{"HighNibbleIsDistanceBits", {4, 0, 0, 0, 0x20, 0x61, 0x62, 0x01, 0x10}, {0x61, 0x62, 0x61, 0x61}},
        LrsCase{"StreamEndsEarly", {10, 0, 0, 0, 0x00, 0x61, 0x62}, {0x61, 0x62}},
        LrsCase{"HalfABackReference", {10, 0, 0, 0, 0x40, 0x61, 0x01}, {0x61}},
        // The two cases without a defined result end the stream with what is there.
        LrsCase{"FlagByteIsTheLastByte", {10, 0, 0, 0, 0x00}, {}},
        LrsCase{"BackReferenceIntoEmptyOutput", {10, 0, 0, 0, 0x80, 0x01, 0x03, 0x61}, {}},
        LrsCase{"SecondFlagByteAfterEightTokens",
                {10, 0, 0, 0, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0x80, 0x01, 0x00},
                {1, 2, 3, 4, 5, 6, 7, 8, 8, 8}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(DecompressLrsTest, HugeDeclaredSizeCostsOnlyWhatTheTokensCanProduce) {
  // 4 GiB promised, two tokens given: at most 1 + 17 bytes come out.
  const Bytes input = {0xFF, 0xFF, 0xFF, 0xFF, 0x40, 0x41, 0x01, 0x0F};
  EXPECT_EQ(utils::decompress_lrs(input), Bytes(18, 0x41));
  EXPECT_LE(18u, utils::lrs_output_bound(input.size()));
  EXPECT_LE(utils::lrs_output_bound(input.size()), 34u);
}

// The output buffer grows as bytes come out instead of being sized by the declaration: a
// stream of literals promising 4 GiB holds about what it produced, not the 17 bytes per
// two token bytes that back-references could have made of it.
TEST(DecompressLrsTest, OutputGrowsWithWhatTheStreamProduces) {
  Bytes input = {0xFF, 0xFF, 0xFF, 0xFF};
  input.resize(4 + (1u << 20), 0x00);  // flag bytes of 0, each followed by eight zero literals
  const Bytes out = utils::decompress_lrs(input);
  EXPECT_EQ(out.size(), (input.size() - 4) / 9 * 8 + (input.size() - 4) % 9 - 1);
  EXPECT_TRUE(std::ranges::all_of(out, [](std::uint8_t b) { return b == 0; }));
  EXPECT_LE(out.capacity(), 2 * out.size());
}

Bytes random_bytes(std::mt19937& rng, std::size_t size, int alphabet) {
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng() % static_cast<unsigned>(alphabet));
  return out;
}

TEST(CompressLrsTest, RoundTripsRandomAndRepetitiveData) {
  std::mt19937 rng(1234);
  for (int i = 0; i < 300; ++i) {
    const std::size_t size = rng() % (i < 250 ? 600 : 20000);
    const Bytes input = random_bytes(rng, size, i % 3 == 0 ? 256 : 2 + i % 7);
    const Bytes stored = write::compress_lrs(input);
    ASSERT_EQ(utils::decompress_lrs(stored), input) << "case " << i << " size " << size;
  }
}

TEST(CompressLrsTest, UsesBackReferencesOnRepetitiveData) {
  const Bytes input(10000, 0x5A);
  const Bytes stored = write::compress_lrs(input);
  EXPECT_LT(stored.size(), input.size() / 7);
  EXPECT_EQ(utils::decompress_lrs(stored), input);
}

TEST(CompressLrsTest, TokensStayWithinTheFormat) {
  std::mt19937 rng(99);
  const Bytes input = random_bytes(rng, 50000, 4);
  const Bytes stored = write::compress_lrs(input);
  // Walk the tokens: every back-reference has a distance of 1..4095 within the output so far.
  std::size_t i = 4, produced = 0;
  unsigned mask = 0, flag = 0;
  while (produced < input.size()) {
    if (mask == 0) {
      flag = stored[i++];
      mask = 0x80;
    }
    if (flag & mask) {
      const std::size_t distance = stored[i] | ((stored[i + 1] & 0xF0u) << 4);
      ASSERT_GE(distance, 1u);
      ASSERT_LE(distance, produced);
      produced += (stored[i + 1] & 0x0Fu) + 2;
      i += 2;
    } else {
      ++produced;
      ++i;
    }
    mask >>= 1;
  }
  EXPECT_EQ(produced, input.size());
  EXPECT_EQ(i, stored.size());
}

}  // namespace
}  // namespace quillfen::dat
