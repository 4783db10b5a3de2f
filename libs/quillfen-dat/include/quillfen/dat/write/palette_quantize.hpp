// Colour quantisation for the paletted texture formats: an image's colours reduced to at
// most a given number of palette entries by median cut. An image with few enough colours
// keeps every one of them exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillfen::dat::write {

struct QuantizedColours {
  std::vector<std::uint32_t> palette;  // 0xAARRGGBB, at most the requested count
  std::vector<std::uint32_t> indices;  // one palette index per input colour, in input order
};

// Maps every colour (packed 0xAARRGGBB, alpha included) to a palette of at most
// `max_colours` entries (a limit of 0 counts as 1). Deterministic: the same colours in
// the same order always give the same palette and indices.
QuantizedColours quantize_colours(std::span<const std::uint32_t> colours, std::size_t max_colours);

}  // namespace quillfen::dat::write
