// Median-cut quantisation: few colours are kept exactly, many are cut to the limit with a
// small error and the mean colour kept, and the degenerate inputs behave.
#include "quillfen/dat/write/palette_quantize.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>

namespace quillfen::dat::write {
namespace {

std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

std::uint32_t channel(std::uint32_t c, std::uint32_t shift) { return (c >> shift) & 0xFFu; }

// Every index is in range; returns the mean absolute channel error of the mapping.
double check_and_measure(std::span<const std::uint32_t> colours, const QuantizedColours& q) {
  EXPECT_EQ(q.indices.size(), colours.size());
  double sum = 0;
  for (std::size_t i = 0; i < colours.size() && i < q.indices.size(); ++i) {
    EXPECT_LT(q.indices[i], q.palette.size());
    if (q.indices[i] >= q.palette.size()) return 1e9;
    for (const std::uint32_t shift : {0u, 8u, 16u, 24u}) {
      sum += std::abs(static_cast<int>(channel(colours[i], shift)) -
                      static_cast<int>(channel(q.palette[q.indices[i]], shift)));
    }
  }
  return sum / (4.0 * static_cast<double>(colours.size()));
}

TEST(QuantizeTest, FewColoursAreKeptExactly) {
  struct Case {
    const char* name;
    std::size_t distinct;
    std::size_t limit;
  };
  const Case cases[] = {{"one colour", 1, 256}, {"exactly the limit", 256, 256}, {"a few", 7, 256},
                        {"wide palette", 3000, 65536}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint32_t> colours;
    for (std::size_t i = 0; i < c.distinct * 3; ++i) {
      // Distinct colours that differ only in alpha stay distinct too.
      const auto k = static_cast<std::uint32_t>((i * 7919) % c.distinct);
      colours.push_back(argb(k % 2 ? 128 : 255, k & 0xFF, (k >> 8) & 0xFF, 17));
    }
    const QuantizedColours q = quantize_colours(colours, c.limit);
    EXPECT_EQ(q.palette.size(), c.distinct);
    EXPECT_EQ(check_and_measure(colours, q), 0.0);
  }
}

TEST(QuantizeTest, ManyColoursAreCutToTheLimitWithSmallError) {
  // A smooth field with random grain, like the material textures: thousands of colours.
  // (The engine's raw output is fixed by the standard, unlike its distributions.)
  std::mt19937 engine(10);
  std::vector<std::uint32_t> colours;
  for (std::uint32_t y = 0; y < 128; ++y) {
    for (std::uint32_t x = 0; x < 128; ++x) {
      const double n = (x + 2.0 * y) / (3.0 * 127.0);
      const double grain = static_cast<double>(engine() % 1200) / 100.0;
      colours.push_back(argb(255, static_cast<std::uint32_t>(60 + 150 * n + grain),
                             static_cast<std::uint32_t>(50 + 100 * n + grain), static_cast<std::uint32_t>(30 + grain)));
    }
  }
  ASSERT_GT(std::set<std::uint32_t>(colours.begin(), colours.end()).size(), 1000u);

  struct Case {
    std::size_t limit;
    double max_error;
  };
  for (const Case& c : {Case{256, 1.5}, Case{16, 5.0}}) {
    SCOPED_TRACE(c.limit);
    const QuantizedColours q = quantize_colours(colours, c.limit);
    EXPECT_EQ(q.palette.size(), c.limit);
    EXPECT_LT(check_and_measure(colours, q), c.max_error);
    // Boxes become the mean of their pixels, so the image's mean colour barely moves.
    for (const std::uint32_t shift : {0u, 8u, 16u}) {
      double source = 0, mapped = 0;
      for (std::size_t i = 0; i < colours.size(); ++i) {
        source += channel(colours[i], shift);
        mapped += channel(q.palette[q.indices[i]], shift);
      }
      EXPECT_NEAR(mapped / static_cast<double>(colours.size()), source / static_cast<double>(colours.size()), 0.5);
    }
  }
}

TEST(QuantizeTest, DegenerateInputs) {
  EXPECT_TRUE(quantize_colours({}, 256).palette.empty());
  EXPECT_TRUE(quantize_colours({}, 256).indices.empty());

  // A limit of 0 counts as 1: everything maps to the rounded mean.
  const std::vector<std::uint32_t> two = {argb(255, 10, 20, 30), argb(255, 20, 40, 61)};
  const QuantizedColours q = quantize_colours(two, 0);
  ASSERT_EQ(q.palette.size(), 1u);
  EXPECT_EQ(q.palette[0], argb(255, 15, 30, 46));
  EXPECT_EQ(q.indices, (std::vector<std::uint32_t>{0, 0}));
}

}  // namespace
}  // namespace quillfen::dat::write
