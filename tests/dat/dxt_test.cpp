// DXT decompression: the 565 expansion, the colour and alpha rules of each format, the
// block walk over partial edge blocks, early stop on short data, and the size limits.
#include "quillfen/dat/file_type/dxt.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "quillfen/dat/file_type/texture.hpp"
#include "record_test_support.hpp"

namespace quillfen::dat::file_type {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rgba = std::array<std::uint8_t, 4>;

// ---- expand5 / expand6 ----

TEST(ExpandTest, KnownValuesDifferFromRounding) {
  struct Case {
    std::uint32_t (*expand)(std::uint32_t);
    std::uint32_t in, out;
  };
  const Case cases[] = {{expand5, 0, 0},    {expand5, 16, 132}, {expand5, 20, 164}, {expand5, 25, 205},
                        {expand5, 29, 238}, {expand5, 31, 255}, {expand6, 0, 0},    {expand6, 32, 130},
                        {expand6, 53, 214}, {expand6, 63, 255}};
  for (const auto& c : cases) EXPECT_EQ(c.expand(c.in), c.out) << c.in;
}

TEST(ExpandTest, StaysWithinOneOfRoundingAndRises) {
  for (std::uint32_t bits : {5u, 6u}) {
    const std::uint32_t max = (1u << bits) - 1;
    const auto expand = bits == 5 ? expand5 : expand6;
    for (std::uint32_t v = 0; v <= max; ++v) {
      const double rounded = std::round(v * 255.0 / max);
      EXPECT_LE(std::abs(static_cast<double>(expand(v)) - rounded), 1.0) << bits << ":" << v;
      if (v > 0) {
        EXPECT_GT(expand(v), expand(v - 1)) << bits << ":" << v;
      }
    }
  }
}

// ---- block fixtures ----

void put_u16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put_u32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A colour block whose texels 0..15 take `indices[t]`.
Bytes colour_block(std::uint16_t c0, std::uint16_t c1, std::array<std::uint32_t, 16> indices) {
  Bytes b;
  put_u16(b, c0);
  put_u16(b, c1);
  std::uint32_t word = 0;
  for (std::uint32_t t = 0; t < 16; ++t) word |= indices[t] << (2 * t);
  put_u32(b, word);
  return b;
}

// A DXT5 alpha block whose texels take the 3-bit `indices[t]`.
Bytes dxt5_alpha_block(std::uint8_t a0, std::uint8_t a1, std::array<std::uint64_t, 16> indices) {
  Bytes b{a0, a1};
  std::uint64_t bits = 0;
  for (std::uint32_t t = 0; t < 16; ++t) bits |= indices[t] << (3 * t);
  for (int i = 0; i < 6; ++i) b.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  return b;
}

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Rgba pixel(const Bytes& image, std::uint32_t width, std::uint32_t x, std::uint32_t y) {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 4;
  return {image[at], image[at + 1], image[at + 2], image[at + 3]};
}

constexpr std::array<std::uint32_t, 16> kFirstFour = {0, 1, 2, 3};

// ---- colour rules ----

TEST(Dxt1Test, FourColourBlockWhenC0IsGreater) {
  const auto image = decompress_dxt1(colour_block(0xF800, 0x0000, kFirstFour), 4, 4).value();
  ASSERT_EQ(image.size(), 64u);
  EXPECT_EQ(pixel(image, 4, 0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(pixel(image, 4, 1, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(pixel(image, 4, 2, 0), (Rgba{170, 0, 0, 255}));
  EXPECT_EQ(pixel(image, 4, 3, 0), (Rgba{85, 0, 0, 255}));
  EXPECT_EQ(pixel(image, 4, 3, 3), (Rgba{255, 0, 0, 255}));  // index 0
}

TEST(Dxt1Test, ThreeColoursAndTransparentBlackWhenC0IsNotGreater) {
  const auto image = decompress_dxt1(colour_block(0x001F, 0xF800, kFirstFour), 4, 4).value();
  EXPECT_EQ(pixel(image, 4, 0, 0), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(pixel(image, 4, 1, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(pixel(image, 4, 2, 0), (Rgba{127, 0, 127, 255}));
  EXPECT_EQ(pixel(image, 4, 3, 0), (Rgba{0, 0, 0, 0}));

  // Equal endpoints take the three-colour rule too.
  const auto equal = decompress_dxt1(colour_block(0x7BEF, 0x7BEF, kFirstFour), 4, 4).value();
  const Rgba grey{static_cast<std::uint8_t>(expand5(15)), static_cast<std::uint8_t>(expand6(31)),
                  static_cast<std::uint8_t>(expand5(15)), 255};
  EXPECT_EQ(pixel(equal, 4, 2, 0), grey);
  EXPECT_EQ(pixel(equal, 4, 3, 0), (Rgba{0, 0, 0, 0}));
}

TEST(Dxt3Test, AlwaysFourColoursWithNibbleAlpha) {
  // Alpha nibbles of texels 0..3: 0, 1, 2, 15 (byte 0 = 0x10, byte 1 = 0xF2).
  const Bytes alpha{0x10, 0xF2, 0, 0, 0, 0, 0, 0xFF};
  const auto image = decompress_dxt3(concat(alpha, colour_block(0x001F, 0xF800, {2, 2, 2, 3})), 4, 4).value();
  EXPECT_EQ(pixel(image, 4, 0, 0), (Rgba{85, 0, 170, 0}));
  EXPECT_EQ(pixel(image, 4, 1, 0), (Rgba{85, 0, 170, 17}));
  EXPECT_EQ(pixel(image, 4, 2, 0), (Rgba{85, 0, 170, 34}));
  EXPECT_EQ(pixel(image, 4, 3, 0), (Rgba{170, 0, 85, 255}));
  EXPECT_EQ(pixel(image, 4, 3, 3), (Rgba{0, 0, 255, 255}));  // texel 15: index 0, high nibble of byte 7
}

struct Dxt5AlphaCase {
  std::uint8_t a0, a1;
  std::uint64_t index;
  std::uint8_t alpha;
};

class Dxt5AlphaTest : public ::testing::TestWithParam<Dxt5AlphaCase> {};

TEST_P(Dxt5AlphaTest, InterpolatesByTheOrderOfTheEndpoints) {
  const auto& c = GetParam();
  // The index under test sits at texel 9, so its bits straddle bytes 3 and 4 of the block.
  std::array<std::uint64_t, 16> indices{};
  indices[9] = c.index;
  const auto data = concat(dxt5_alpha_block(c.a0, c.a1, indices), colour_block(0xFFFF, 0x0000, {}));
  const auto image = decompress_dxt5(data, 4, 4).value();
  EXPECT_EQ(pixel(image, 4, 1, 2), (Rgba{255, 255, 255, c.alpha}));
  EXPECT_EQ(pixel(image, 4, 0, 0)[3], c.a0);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, Dxt5AlphaTest,
    ::testing::Values(Dxt5AlphaCase{255, 0, 0, 255}, Dxt5AlphaCase{255, 0, 1, 0}, Dxt5AlphaCase{255, 0, 2, 218},
                      Dxt5AlphaCase{255, 0, 7, 36}, Dxt5AlphaCase{200, 100, 4, 157},
                      Dxt5AlphaCase{0, 255, 2, 51}, Dxt5AlphaCase{0, 255, 5, 204}, Dxt5AlphaCase{0, 255, 6, 0},
                      Dxt5AlphaCase{0, 255, 7, 255}, Dxt5AlphaCase{90, 90, 3, 90}, Dxt5AlphaCase{90, 90, 7, 255}));

TEST(Dxt5Test, ColoursAlwaysUseTheFourColourRule) {
  std::array<std::uint64_t, 16> indices{};
  const auto data = concat(dxt5_alpha_block(255, 0, indices), colour_block(0x001F, 0xF800, kFirstFour));
  const auto image = decompress_dxt5(data, 4, 4).value();
  EXPECT_EQ(pixel(image, 4, 2, 0), (Rgba{85, 0, 170, 255}));
  EXPECT_EQ(pixel(image, 4, 3, 0), (Rgba{170, 0, 85, 255}));
}

// ---- an independent, texel-by-texel reading of the formats ----

Bytes reference_decode(int format, const Bytes& data, std::uint32_t width, std::uint32_t height) {
  Bytes out(static_cast<std::size_t>(width) * height * 4, 0);
  const std::size_t block_size = format == 1 ? 8 : 16;
  std::size_t offset = 0;
  for (std::uint32_t by = 0; by < (height + 3) / 4; ++by) {
    for (std::uint32_t bx = 0; bx < (width + 3) / 4; ++bx) {
      if (offset + block_size > data.size()) return out;
      const std::uint8_t* block = &data[offset];
      offset += block_size;
      const std::uint8_t* cb = format == 1 ? block : block + 8;
      const std::uint32_t c0 = cb[0] | (cb[1] << 8);
      const std::uint32_t c1 = cb[2] | (cb[3] << 8);
      const std::uint32_t indices = cb[4] | (cb[5] << 8) | (cb[6] << 16) | (static_cast<std::uint32_t>(cb[7]) << 24);
      const std::uint32_t e0[3] = {expand5(c0 >> 11), expand6((c0 >> 5) & 63), expand5(c0 & 31)};
      const std::uint32_t e1[3] = {expand5(c1 >> 11), expand6((c1 >> 5) & 63), expand5(c1 & 31)};
      const bool four = format != 1 || c0 > c1;
      std::uint32_t palette[4][4];
      for (int ch = 0; ch < 3; ++ch) {
        palette[0][ch] = e0[ch];
        palette[1][ch] = e1[ch];
        palette[2][ch] = four ? (2 * e0[ch] + e1[ch]) / 3 : (e0[ch] + e1[ch]) / 2;
        palette[3][ch] = four ? (e0[ch] + 2 * e1[ch]) / 3 : 0;
      }
      for (int k = 0; k < 4; ++k) palette[k][3] = (!four && k == 3) ? 0 : 255;
      std::uint64_t alpha_bits = 0;
      for (int i = 0; i < 6; ++i) alpha_bits |= static_cast<std::uint64_t>(block[2 + i]) << (8 * i);
      for (std::uint32_t t = 0; t < 16; ++t) {
        const std::uint32_t* colour = palette[(indices >> (2 * t)) & 3];
        std::uint32_t alpha = colour[3];
        if (format == 3) {
          const std::uint32_t byte = block[t / 2];
          alpha = (t % 2 == 0 ? byte & 15 : byte >> 4) * 17;
        } else if (format == 5) {
          const std::uint32_t a0 = block[0], a1 = block[1];
          const std::uint32_t k = static_cast<std::uint32_t>((alpha_bits >> (3 * t)) & 7);
          if (k == 0) alpha = a0;
          else if (k == 1) alpha = a1;
          else if (a0 > a1) alpha = ((8 - k) * a0 + (k - 1) * a1) / 7;
          else if (k <= 5) alpha = ((6 - k) * a0 + (k - 1) * a1) / 5;
          else alpha = k == 6 ? 0 : 255;
        }
        const std::uint32_t x = bx * 4 + t % 4, y = by * 4 + t / 4;
        if (x >= width || y >= height) continue;
        const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 4;
        for (int ch = 0; ch < 3; ++ch) out[at + ch] = static_cast<std::uint8_t>(colour[ch]);
        out[at + 3] = static_cast<std::uint8_t>(alpha);
      }
    }
  }
  return out;
}

using Decompress = std::optional<Bytes> (*)(std::span<const std::uint8_t>, std::uint32_t, std::uint32_t);

struct FormatCase {
  int format;
  Decompress decompress;
  std::size_t block_size;
};

class DxtWalkTest : public ::testing::TestWithParam<FormatCase> {};

// Random blocks, with a quarter of the colour endpoints forced equal, for every size
// from 1 to 13 on each side and data that is whole, one block short or cut mid-block.
TEST_P(DxtWalkTest, MatchesTheTexelByTexelReading) {
  const auto& c = GetParam();
  testing::RecordRandom random(0x5eed0100 + static_cast<std::uint32_t>(c.format));
  for (std::uint32_t width = 1; width <= 13; ++width) {
    for (std::uint32_t height = 1; height <= 13; height += 3) {
      const std::size_t blocks = ((width + 3) / 4) * ((height + 3) / 4);
      Bytes data(blocks * c.block_size);
      for (auto& byte : data) byte = random.u8();
      const std::size_t colour_at = c.block_size - 8;
      for (std::size_t b = 0; b < blocks; b += 4) {
        data[b * c.block_size + colour_at + 2] = data[b * c.block_size + colour_at];
        data[b * c.block_size + colour_at + 3] = data[b * c.block_size + colour_at + 1];
      }
      for (const std::size_t size : {data.size(), data.size() - c.block_size, data.size() - 3}) {
        const Bytes cut(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(size));
        const auto image = c.decompress(cut, width, height);
        ASSERT_TRUE(image);
        ASSERT_EQ(*image, reference_decode(c.format, cut, width, height))
            << width << " x " << height << ", " << size << " bytes";
      }
    }
  }
}

TEST_P(DxtWalkTest, EmptySizeGivesAnEmptyImage) {
  const Bytes data(64, 0xAB);
  for (const auto& [w, h] : {std::pair{0u, 0u}, std::pair{0u, 4u}, std::pair{4u, 0u}}) {
    const auto image = GetParam().decompress(data, w, h);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->empty());
  }
}

TEST_P(DxtWalkTest, SizesBeyondTheTextureLimitsAreRefused) {
  const Bytes data(16, 0xAB);
  for (const auto& [w, h] : {std::pair{65535u, 65535u}, std::pair{kMaxTextureSide + 1, 1u},
                             std::pair{1u, kMaxTextureSide + 1}, std::pair{4097u, 4096u}}) {
    EXPECT_FALSE(GetParam().decompress(data, w, h)) << w << " x " << h;
  }
  // The largest admitted image is still produced (all zero: no data for it).
  const auto largest = GetParam().decompress({}, kMaxTextureSide, 2048);
  ASSERT_TRUE(largest);
  EXPECT_EQ(largest->size(), kMaxTexturePixels * 4);
}

INSTANTIATE_TEST_SUITE_P(Formats, DxtWalkTest,
                         ::testing::Values(FormatCase{1, decompress_dxt1, 8}, FormatCase{3, decompress_dxt3, 16},
                                           FormatCase{5, decompress_dxt5, 16}),
                         [](const auto& test_info) { return "Dxt" + std::to_string(test_info.param.format); });

TEST(Dxt1Test, PartialEdgeBlocksWriteOnlyInsideTexels) {
  // 5 x 5 takes 2 x 2 blocks; each block is a single colour so the owner of a pixel shows.
  const std::uint16_t colours[] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  Bytes data;
  for (const auto c : colours) data = concat(data, colour_block(c, 0, {}));
  data.resize(data.size() + 8, 0x55);  // a fifth block, never read
  const auto image = decompress_dxt1(data, 5, 5).value();
  ASSERT_EQ(image.size(), 100u);
  EXPECT_EQ(pixel(image, 5, 3, 3), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(pixel(image, 5, 4, 0), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(pixel(image, 5, 0, 4), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(pixel(image, 5, 4, 4), (Rgba{255, 255, 255, 255}));
}

TEST(Dxt1Test, ShortDataStopsTheWalkAndLeavesZeros) {
  const Bytes block = colour_block(0xF800, 0, {});
  EXPECT_EQ(decompress_dxt1(Bytes(block.begin(), block.end() - 1), 4, 4).value(), Bytes(64, 0));

  // 8 x 4 with 12 bytes: the first block decodes, the second stays transparent black.
  const auto image = decompress_dxt1(concat(block, Bytes{1, 2, 3, 4}), 8, 4).value();
  EXPECT_EQ(pixel(image, 8, 3, 3), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(pixel(image, 8, 4, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(pixel(image, 8, 7, 3), (Rgba{0, 0, 0, 0}));
}

}  // namespace
}  // namespace quillfen::dat::file_type
