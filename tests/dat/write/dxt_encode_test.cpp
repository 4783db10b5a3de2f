// DXT block encoders, checked through the project's own decompressors: colour blocks are
// always four-colour (c0 > c1) and opaque, flat and two-colour blocks come back exactly or
// within one step, and both alpha encodings keep their endpoints and stay near the source.
#include "quillfen/dat/write/dxt_encode.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <span>
#include <vector>

#include "quillfen/dat/file_type/dxt.hpp"

namespace quillfen::dat::write {
namespace {

using Texel = std::array<std::uint8_t, 4>;

BlockTexels block_of(const std::function<Texel(std::size_t)>& texel) {
  BlockTexels b;
  for (std::size_t t = 0; t < 16; ++t) b[t] = texel(t);
  return b;
}

template <std::size_t N>
std::vector<std::uint8_t> concat(const std::array<EncodedBlock, N>& parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The sixteen decoded texels of a one-block 4x4 image.
std::vector<std::uint8_t> decode(std::optional<std::vector<std::uint8_t>> image) {
  EXPECT_TRUE(image.has_value());
  return image.value_or(std::vector<std::uint8_t>(64));
}

std::uint16_t u16_at(const EncodedBlock& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

int max_channel_error(const BlockTexels& source, const std::vector<std::uint8_t>& decoded, std::size_t first,
                      std::size_t count) {
  int worst = 0;
  for (std::size_t t = 0; t < 16; ++t) {
    for (std::size_t c = first; c < first + count; ++c) {
      worst = std::max(worst, std::abs(static_cast<int>(source[t][c]) - static_cast<int>(decoded[t * 4 + c])));
    }
  }
  return worst;
}

struct ColourCase {
  const char* name;
  BlockTexels texels;
  int max_error;  // largest allowed per-channel difference after decoding
};

// E5 and E6 values, which a 565 endpoint reproduces exactly.
constexpr std::uint8_t e5(std::uint32_t v) { return static_cast<std::uint8_t>(dat::file_type::expand5(v)); }
constexpr std::uint8_t e6(std::uint32_t v) { return static_cast<std::uint8_t>(dat::file_type::expand6(v)); }

std::vector<ColourCase> colour_cases() {
  return {
      {"black", block_of([](std::size_t) { return Texel{0, 0, 0, 255}; }), 0},
      {"white", block_of([](std::size_t) { return Texel{255, 255, 255, 255}; }), 0},
      {"flat colour between 565 steps", block_of([](std::size_t) { return Texel{101, 150, 203, 255}; }), 1},
      {"two exact colours in a checker",
       block_of([](std::size_t t) {
         return (t + t / 4) % 2 ? Texel{e5(3), e6(50), e5(20), 255} : Texel{e5(28), e6(9), e5(1), 255};
       }),
       0},
      // Sixteen levels on four colours: at best half the spacing of a third of the range.
      {"grey ramp", block_of([](std::size_t t) {
         const auto v = static_cast<std::uint8_t>(100 + 2 * t);
         return Texel{v, v, v, 255};
       }),
       7},
      {"brown ramp", block_of([](std::size_t t) {
         return Texel{static_cast<std::uint8_t>(90 + 3 * t), static_cast<std::uint8_t>(60 + 2 * t),
                      static_cast<std::uint8_t>(30 + t), 255};
       }),
       10},
      {"transparent texels are encoded opaque", block_of([](std::size_t) { return Texel{40, 80, 120, 0}; }), 1},
  };
}

TEST(ColourBlockTest, AlwaysFourColoursAndCloseToTheSource) {
  for (const ColourCase& c : colour_cases()) {
    SCOPED_TRACE(c.name);
    const EncodedBlock block = encode_colour_block(c.texels);
    EXPECT_GT(u16_at(block, 0), u16_at(block, 2)) << "c0 must exceed c1 so DXT1 stays opaque";
    const auto rgba = decode(dat::file_type::decompress_dxt1(block, 4, 4));
    EXPECT_LE(max_channel_error(c.texels, rgba, 0, 3), c.max_error);
    for (std::size_t t = 0; t < 16; ++t) EXPECT_EQ(rgba[t * 4 + 3], 255) << t;
  }
}

TEST(ColourBlockTest, EveryFlatGreyComesBackWithinOneStep) {
  // The two-thirds point of a well-chosen pair reaches values no single endpoint can.
  for (std::uint32_t v = 0; v < 256; ++v) {
    const auto b = static_cast<std::uint8_t>(v);
    const BlockTexels texels = block_of([b](std::size_t) { return Texel{b, b, b, 255}; });
    const EncodedBlock block = encode_colour_block(texels);
    ASSERT_GT(u16_at(block, 0), u16_at(block, 2)) << v;
    const auto rgba = decode(dat::file_type::decompress_dxt1(block, 4, 4));
    ASSERT_LE(max_channel_error(texels, rgba, 0, 3), 1) << v;
  }
}

TEST(Dxt3AlphaTest, EveryAlphaBecomesTheNearestMultipleOf17) {
  for (std::uint32_t start = 0; start < 256; start += 16) {
    const BlockTexels texels = block_of([start](std::size_t t) {
      return Texel{128, 128, 128, static_cast<std::uint8_t>(start + t)};
    });
    const auto rgba = decode(
        dat::file_type::decompress_dxt3(concat<2>({encode_dxt3_alpha(texels), encode_colour_block(texels)}), 4, 4));
    for (std::size_t t = 0; t < 16; ++t) {
      const int a = texels[t][3];
      const int nearest = (a + 8) / 17 * 17;
      EXPECT_EQ(rgba[t * 4 + 3], nearest) << a;
    }
  }
}

struct AlphaCase {
  const char* name;
  std::function<std::uint8_t(std::size_t)> alpha;
  int max_error;
};

TEST(Dxt5AlphaTest, KeepsEndpointsAndStaysClose) {
  const AlphaCase cases[] = {
      {"flat", [](std::size_t) { return std::uint8_t{77}; }, 0},
      {"two values", [](std::size_t t) { return static_cast<std::uint8_t>(t % 3 ? 10 : 200); }, 0},
      {"ramp", [](std::size_t t) { return static_cast<std::uint8_t>(t * 17); }, 19},
      // Cut-out edges: fully clear and fully solid texels next to a soft middle. The
      // six-level mode gives 0 and 255 for free and spends its levels on the middle.
      {"clear, solid and soft", [](std::size_t t) {
         return static_cast<std::uint8_t>(t < 4 ? 0 : t < 8 ? 255 : 100 + 5 * (t - 8));
       }, 4},
  };
  for (const AlphaCase& c : cases) {
    SCOPED_TRACE(c.name);
    const BlockTexels texels = block_of([&](std::size_t t) { return Texel{60, 90, 30, c.alpha(t)}; });
    const auto rgba = decode(
        dat::file_type::decompress_dxt5(concat<2>({encode_dxt5_alpha(texels), encode_colour_block(texels)}), 4, 4));
    EXPECT_LE(max_channel_error(texels, rgba, 3, 1), c.max_error);
    EXPECT_LE(max_channel_error(texels, rgba, 0, 3), 1);
  }
}

}  // namespace
}  // namespace quillfen::dat::write
