// DXT block decompression. Each block's colours (and DXT5's eight alphas) are computed
// once as packed pixel words; the sixteen texels are then table lookups, and whole rows
// of four pixels are stored with one copy.
#include "quillfen/dat/file_type/dxt.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "quillfen/dat/file_type/texture.hpp"
#include "pixel_word.hpp"

namespace quillfen::dat::file_type {
namespace {

using detail::load_le;
using detail::rgba_word;
using Texels = std::array<std::uint32_t, 16>;  // one block, row by row

// The three 8-bit channels of a colour, each in its own 21-bit lane of one 64-bit word
// (red from bit 0, green from 21, blue from 42). Sums of at most three channels times a
// multiplier of at most 1024 stay below 2^20, inside their lane, so a single
// multiplication interpolates all three channels at once.
constexpr unsigned kLaneBits = 21;
constexpr std::uint64_t kLaneByteMask = 0xFFull | (0xFFull << kLaneBits) | (0xFFull << (2 * kLaneBits));

template <std::size_t kSize, class Make>
constexpr std::array<std::uint64_t, kSize> lane_table(Make make) {
  std::array<std::uint64_t, kSize> table{};
  for (std::uint32_t v = 0; v < kSize; ++v) table[v] = make(v);
  return table;
}

constexpr auto kRedLane = lane_table<32>([](std::uint32_t v) { return std::uint64_t{expand5(v)}; });
constexpr auto kGreenLane = lane_table<64>([](std::uint32_t v) { return std::uint64_t{expand6(v)} << kLaneBits; });
constexpr auto kBlueLane = lane_table<32>([](std::uint32_t v) { return std::uint64_t{expand5(v)} << (2 * kLaneBits); });

// A 565 colour expanded to 8-bit channels (expand5, expand6, expand5), one per lane.
std::uint64_t expand565(std::uint32_t c) { return kRedLane[c >> 11] | kGreenLane[(c >> 5) & 63u] | kBlueLane[c & 31u]; }

constexpr std::uint32_t rgb_word(std::uint64_t lanes) {
  return rgba_word(static_cast<std::uint32_t>(lanes & 0xFFu), static_cast<std::uint32_t>((lanes >> kLaneBits) & 0xFFu),
                   static_cast<std::uint32_t>((lanes >> (2 * kLaneBits)) & 0xFFu), 0);
}

// Truncating division of a lane sum up to 3 * 255 as a multiply and shift, exact over
// that whole range: x / 3 == (x * kThird) >> kDivShift and x / 2 == (x * kHalf) >> kDivShift.
constexpr std::uint64_t kThird = 683;
constexpr std::uint64_t kHalf = 1024;
constexpr unsigned kDivShift = 11;

constexpr bool division_is_exact() {
  for (std::uint64_t x = 0; x <= 3 * 255; ++x) {
    if (((x * kThird) >> kDivShift) != x / 3 || ((x * kHalf) >> kDivShift) != x / 2) return false;
  }
  return true;
}
static_assert(division_is_exact());

// The four colours of a colour block and its texel indices. DXT1 switches to three
// colours plus transparent black when c0 <= c1 (equality included); DXT3 and DXT5 always
// use four colours and leave the alpha byte 0 for the alpha block to fill. The rule is
// chosen by multipliers rather than a branch: real and random data mix both orders.
struct ColourBlock {
  std::array<std::uint32_t, 4> colours;
  std::uint32_t indices;
};

template <bool kDxt1>
ColourBlock decode_colour_block(const std::uint8_t* block) {
  const std::uint32_t c0 = load_le<std::uint16_t>(block);
  const std::uint32_t c1 = load_le<std::uint16_t>(block + 2);
  const std::uint64_t e0 = expand565(c0);
  const std::uint64_t e1 = expand565(c1);
  const bool four = !kDxt1 || c0 > c1;

  // Four colours: (2 C0 + C1) / 3 and (C0 + 2 C1) / 3. Three: (C0 + C1) / 2 and black.
  const std::uint64_t sum2 = e0 + e1 + (four ? e0 : 0);
  const std::uint64_t colour2 = ((sum2 * (four ? kThird : kHalf)) >> kDivShift) & kLaneByteMask;
  const std::uint64_t colour3 = (((e0 + 2 * e1) * (four ? kThird : 0)) >> kDivShift) & kLaneByteMask;

  const std::uint32_t opaque = kDxt1 ? rgba_word(0, 0, 0, 255) : 0;
  ColourBlock out;
  out.indices = load_le<std::uint32_t>(block + 4);
  out.colours[0] = rgb_word(e0) | opaque;
  out.colours[1] = rgb_word(e1) | opaque;
  out.colours[2] = rgb_word(colour2) | opaque;
  out.colours[3] = rgb_word(colour3) | (four ? opaque : 0);
  return out;
}

struct Dxt1Block {
  static constexpr std::size_t kBytes = kDxt1BlockBytes;
  static void decode(const std::uint8_t* block, Texels& texels) {
    const ColourBlock colour = decode_colour_block<true>(block);
    for (unsigned t = 0; t < 16; ++t) texels[t] = colour.colours[(colour.indices >> (2 * t)) & 3u];
  }
};

struct Dxt3Block {
  static constexpr std::size_t kBytes = kDxt35BlockBytes;
  static void decode(const std::uint8_t* block, Texels& texels) {
    // Texel t's alpha is nibble t of the little-endian 64-bit word: byte t / 2, low
    // nibble for even t. Times 17 spreads 0..15 over 0..255.
    const std::uint64_t alphas = load_le<std::uint64_t>(block);
    const ColourBlock colour = decode_colour_block<false>(block + 8);
    for (unsigned t = 0; t < 16; ++t) {
      const auto alpha = static_cast<std::uint32_t>((alphas >> (4 * t)) & 15u) * 17u;
      texels[t] = colour.colours[(colour.indices >> (2 * t)) & 3u] | rgba_word(0, 0, 0, alpha);
    }
  }
};

// The eight alpha levels of a DXT5 alpha block, as words that carry only the alpha byte.
std::array<std::uint32_t, 8> dxt5_alpha_words(std::uint32_t a0, std::uint32_t a1) {
  auto levels = dxt5_alpha_levels(a0, a1);
  for (auto& level : levels) level = rgba_word(0, 0, 0, level);
  return levels;
}

struct Dxt5Block {
  static constexpr std::size_t kBytes = kDxt35BlockBytes;
  static void decode(const std::uint8_t* block, Texels& texels) {
    const auto alphas = dxt5_alpha_words(block[0], block[1]);
    // Bytes 2-7 hold sixteen 3-bit indices as one little-endian 48-bit value.
    const std::uint64_t alpha_indices = load_le<std::uint64_t>(block) >> 16;
    const ColourBlock colour = decode_colour_block<false>(block + 8);
    for (unsigned t = 0; t < 16; ++t) {
      texels[t] = colour.colours[(colour.indices >> (2 * t)) & 3u] | alphas[(alpha_indices >> (3 * t)) & 7u];
    }
  }
};

// Walks the blocks in row-major order, consuming them back to back from byte 0. A block
// that would end beyond the data stops the walk: it and all later blocks stay zero.
template <class Block>
std::optional<std::vector<std::uint8_t>> decompress(std::span<const std::uint8_t> data, std::uint32_t width,
                                                    std::uint32_t height) {
  if (!texture_size_within_limits(width, height)) return std::nullopt;
  const std::size_t w = width;
  const std::size_t h = height;
  std::vector<std::uint8_t> out(w * h * 4);
  if (w == 0 || h == 0) return out;

  const std::size_t blocks_wide = (w + 3) / 4;
  const std::size_t blocks_high = (h + 3) / 4;
  const std::size_t blocks_available = data.size() / Block::kBytes;
  const std::size_t row_bytes = w * 4;
  std::uint8_t* const pixels = out.data();
  const std::uint8_t* block = data.data();
  std::size_t block_index = 0;
  Texels texels;

  for (std::size_t by = 0; by < blocks_high; ++by) {
    const std::size_t y0 = by * 4;
    const std::size_t rows = std::min<std::size_t>(4, h - y0);
    for (std::size_t bx = 0; bx < blocks_wide; ++bx, ++block_index, block += Block::kBytes) {
      if (block_index == blocks_available) return out;
      Block::decode(block, texels);
      const std::size_t x0 = bx * 4;
      std::uint8_t* dst = pixels + y0 * row_bytes + x0 * 4;
      if (rows == 4 && x0 + 4 <= w) {
        for (std::size_t row = 0; row < 4; ++row) std::memcpy(dst + row * row_bytes, &texels[4 * row], 16);
      } else {
        // An edge block: texels outside the image are decoded but not written.
        const std::size_t cols = std::min<std::size_t>(4, w - x0);
        for (std::size_t row = 0; row < rows; ++row) {
          std::memcpy(dst + row * row_bytes, &texels[4 * row], cols * 4);
        }
      }
    }
  }
  return out;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> decompress_dxt1(std::span<const std::uint8_t> data, std::uint32_t width,
                                                         std::uint32_t height) {
  return decompress<Dxt1Block>(data, width, height);
}

std::optional<std::vector<std::uint8_t>> decompress_dxt3(std::span<const std::uint8_t> data, std::uint32_t width,
                                                         std::uint32_t height) {
  return decompress<Dxt3Block>(data, width, height);
}

std::optional<std::vector<std::uint8_t>> decompress_dxt5(std::span<const std::uint8_t> data, std::uint32_t width,
                                                         std::uint32_t height) {
  return decompress<Dxt5Block>(data, width, height);
}

}  // namespace quillfen::dat::file_type
