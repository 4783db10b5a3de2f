// Median cut over the image's distinct colours, weighted by how many pixels use each:
// the box with the most pixels times the widest channel range is split at its weighted
// median until the palette is full, and each box becomes the mean of its pixels, so the
// image's mean colour - which the classifier reads - is kept.
#include "quillfen/dat/write/palette_quantize.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>
#include <queue>
#include <tuple>

namespace quillfen::dat::write {
namespace {

// Bit positions of red, green, blue and alpha in 0xAARRGGBB; the widest-channel choice
// breaks ties in this order.
constexpr std::array<std::uint32_t, 4> kChannelShifts = {16, 8, 0, 24};

std::uint32_t channel(std::uint32_t colour, std::uint32_t shift) { return (colour >> shift) & 0xFFu; }

struct Entry {
  std::uint32_t colour;
  std::uint32_t slot;  // position among the sorted distinct colours
  std::uint64_t count;
};

struct Box {
  std::size_t begin, end;  // range of entries
  std::uint64_t population = 0;
  std::uint32_t shift = 16;  // the widest channel
  std::uint32_t range = 0;   // its spread, max - min
};

Box describe(const std::vector<Entry>& entries, std::size_t begin, std::size_t end) {
  Box box{begin, end};
  std::array<std::uint32_t, 4> lo{255, 255, 255, 255};
  std::array<std::uint32_t, 4> hi{};
  for (std::size_t i = begin; i < end; ++i) {
    box.population += entries[i].count;
    for (std::size_t c = 0; c < 4; ++c) {
      const std::uint32_t value = channel(entries[i].colour, kChannelShifts[c]);
      lo[c] = std::min(lo[c], value);
      hi[c] = std::max(hi[c], value);
    }
  }
  for (std::size_t c = 0; c < 4; ++c) {
    if (hi[c] - lo[c] > box.range) {
      box.range = hi[c] - lo[c];
      box.shift = kChannelShifts[c];
    }
  }
  return box;
}

// The pixel-weighted mean of a box, rounded per channel.
std::uint32_t mean_colour(const std::vector<Entry>& entries, const Box& box) {
  std::array<std::uint64_t, 4> sums{};
  for (std::size_t i = box.begin; i < box.end; ++i) {
    for (std::size_t c = 0; c < 4; ++c) sums[c] += channel(entries[i].colour, kChannelShifts[c]) * entries[i].count;
  }
  std::uint32_t colour = 0;
  for (std::size_t c = 0; c < 4; ++c) {
    const auto value = static_cast<std::uint32_t>((sums[c] + box.population / 2) / box.population);
    colour |= value << kChannelShifts[c];
  }
  return colour;
}

// Splits the distinct colours into at most `limit` boxes; returns the palette and, for
// every distinct colour (by slot), its palette index.
void median_cut(std::vector<Entry> entries, std::size_t limit, std::vector<std::uint32_t>& palette,
                std::vector<std::uint32_t>& slot_index) {
  std::vector<Box> boxes{describe(entries, 0, entries.size())};
  // Largest score first; among equal scores the older box, so the result never depends
  // on the queue's internals.
  using Key = std::tuple<std::uint64_t, std::size_t>;  // score, reversed box number
  constexpr std::size_t kNoBox = std::numeric_limits<std::size_t>::max();
  std::priority_queue<Key> queue;
  const auto push = [&](std::size_t id) {
    const Box& b = boxes[id];
    if (b.end - b.begin > 1) queue.emplace(b.population * b.range, kNoBox - id);
  };
  push(0);
  while (boxes.size() < limit && !queue.empty()) {
    const std::size_t id = kNoBox - std::get<1>(queue.top());
    queue.pop();
    const Box box = boxes[id];
    const auto first = entries.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = entries.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::sort(first, last, [shift = box.shift](const Entry& a, const Entry& b) {
      const std::uint32_t ca = channel(a.colour, shift), cb = channel(b.colour, shift);
      return ca != cb ? ca < cb : a.colour < b.colour;
    });
    // The weighted median, keeping at least one colour on each side.
    std::size_t split = box.begin + 1;
    std::uint64_t below = entries[box.begin].count;
    while (split < box.end - 1 && below * 2 < box.population) below += entries[split++].count;
    boxes[id] = describe(entries, box.begin, split);
    boxes.push_back(describe(entries, split, box.end));
    push(id);
    push(boxes.size() - 1);
  }
  palette.resize(boxes.size());
  for (std::size_t id = 0; id < boxes.size(); ++id) {
    palette[id] = mean_colour(entries, boxes[id]);
    for (std::size_t i = boxes[id].begin; i < boxes[id].end; ++i) {
      slot_index[entries[i].slot] = static_cast<std::uint32_t>(id);
    }
  }
}

}  // namespace

QuantizedColours quantize_colours(std::span<const std::uint32_t> colours, std::size_t max_colours) {
  QuantizedColours out;
  if (colours.empty()) return out;
  const std::size_t limit = std::max<std::size_t>(max_colours, 1);

  std::vector<std::uint32_t> distinct(colours.begin(), colours.end());
  std::sort(distinct.begin(), distinct.end());
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < distinct.size();) {
    std::size_t j = i + 1;
    while (j < distinct.size() && distinct[j] == distinct[i]) ++j;
    entries.push_back({distinct[i], static_cast<std::uint32_t>(entries.size()), j - i});
    i = j;
  }
  distinct.resize(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) distinct[i] = entries[i].colour;

  std::vector<std::uint32_t> slot_index(entries.size());
  if (entries.size() <= limit) {
    // Few enough colours: the palette is exactly the image's colours.
    out.palette = distinct;
    std::iota(slot_index.begin(), slot_index.end(), 0u);
  } else {
    median_cut(std::move(entries), limit, out.palette, slot_index);
  }

  out.indices.reserve(colours.size());
  for (const std::uint32_t c : colours) {
    const auto slot = std::lower_bound(distinct.begin(), distinct.end(), c) - distinct.begin();
    out.indices.push_back(slot_index[static_cast<std::size_t>(slot)]);
  }
  return out;
}

}  // namespace quillfen::dat::write
