// Area-weighted scaling in integers. On one axis, source pixel s covers [s*m, (s+1)*m)
// and target pixel o covers [o*n, (o+1)*n) in units of 1/(n*m) of the whole axis, where n
// and m are the source and target sizes; a weight is the length of their overlap, and the
// weights of one target pixel always add up to n.
#include "world-audit/report/thumbnail.hpp"

#include <algorithm>
#include <vector>

namespace quillfen::world {
namespace {

// One source pixel's share of a target pixel.
struct Tap {
  std::uint64_t source = 0;
  std::uint64_t weight = 0;
};

// The taps of every target pixel of an axis, target by target: those of target o are
// taps[first[o]] to taps[first[o + 1] - 1]. At most n + m taps in all.
struct AxisTaps {
  std::vector<Tap> taps;
  std::vector<std::size_t> first;
};

AxisTaps axis_taps(std::uint64_t n, std::uint64_t m) {
  AxisTaps axis;
  axis.taps.reserve(n + m);
  axis.first.reserve(m + 1);
  for (std::uint64_t o = 0; o < m; ++o) {
    axis.first.push_back(axis.taps.size());
    const std::uint64_t begin = o * n;
    const std::uint64_t end = begin + n;
    for (std::uint64_t s = begin / m; s <= (end - 1) / m; ++s) {
      axis.taps.push_back({s, std::min((s + 1) * m, end) - std::max(s * m, begin)});
    }
  }
  axis.first.push_back(axis.taps.size());
  return axis;
}

Thumbnail margin_filled() {
  Thumbnail thumbnail;
  for (std::size_t i = 0; i < thumbnail.size(); i += 3) {
    thumbnail[i] = kThumbnailMargin.r;
    thumbnail[i + 1] = kThumbnailMargin.g;
    thumbnail[i + 2] = kThumbnailMargin.b;
  }
  return thumbnail;
}

}  // namespace

ThumbnailFit thumbnail_fit(std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0) return {};
  const std::uint64_t edge = kThumbnailEdge;
  const auto shorter = [edge](std::uint64_t side, std::uint64_t longer) {
    return static_cast<std::uint32_t>(std::clamp<std::uint64_t>((edge * side + longer / 2) / longer, 1, edge));
  };
  if (width >= height) return {kThumbnailEdge, shorter(height, width)};
  return {shorter(width, height), kThumbnailEdge};
}

Thumbnail sample_thumbnail(const dat::RgbaImage& image) {
  Thumbnail thumbnail = margin_filled();
  const std::uint64_t n_x = image.width;
  const std::uint64_t n_y = image.height;
  if (n_x == 0 || n_y == 0 || image.pixels.size() / 4 / n_x < n_y) return thumbnail;

  const ThumbnailFit fit = thumbnail_fit(image.width, image.height);
  const AxisTaps columns = axis_taps(n_x, fit.width);
  const AxisTaps rows = axis_taps(n_y, fit.height);
  const std::uint64_t left = (kThumbnailEdge - fit.width) / 2;
  const std::uint64_t top = (kThumbnailEdge - fit.height) / 2;
  const std::uint64_t total_weight = n_x * n_y;

  // Target row by target row: each covered source row summed across once (a row shared
  // with the previous target row is kept), then the rows weighted down. A target pixel's
  // sum is at most 255 * n_x * n_y, far inside 64 bits for any image that fits in memory.
  std::vector<std::uint64_t> across(std::size_t{fit.width} * 3);
  std::vector<std::uint64_t> sums(across.size());
  std::uint64_t across_row = n_y;  // the source row `across` holds; none yet
  for (std::uint64_t oy = 0; oy < fit.height; ++oy) {
    std::fill(sums.begin(), sums.end(), 0);
    for (std::size_t r = rows.first[oy]; r < rows.first[oy + 1]; ++r) {
      const Tap row_tap = rows.taps[r];
      if (row_tap.source != across_row) {
        across_row = row_tap.source;
        const std::uint8_t* row = image.pixels.data() + row_tap.source * n_x * 4;
        for (std::uint64_t ox = 0; ox < fit.width; ++ox) {
          std::uint64_t red = 0, green = 0, blue = 0;
          for (std::size_t c = columns.first[ox]; c < columns.first[ox + 1]; ++c) {
            const std::uint8_t* pixel = row + columns.taps[c].source * 4;
            red += columns.taps[c].weight * pixel[0];
            green += columns.taps[c].weight * pixel[1];
            blue += columns.taps[c].weight * pixel[2];
          }
          across[ox * 3] = red;
          across[ox * 3 + 1] = green;
          across[ox * 3 + 2] = blue;
        }
      }
      for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += row_tap.weight * across[i];
    }
    std::uint8_t* out = thumbnail.data() + ((top + oy) * kThumbnailEdge + left) * 3;
    for (std::size_t i = 0; i < sums.size(); ++i) {
      out[i] = static_cast<std::uint8_t>((sums[i] + total_weight / 2) / total_weight);
    }
  }
  return thumbnail;
}

}  // namespace quillfen::world
