// PNG encoding through libspng: 8-bit RGB or RGBA pixels, rows top to bottom.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

namespace quillfen::world {

enum class PngChannels : std::uint8_t { Rgb = 3, Rgba = 4 };

// How hard the encoder works at making the file small.
enum class PngEffort : std::uint8_t {
  Default,  // libspng's own choice: zlib level 6, each row with the best of all filters
  Fast,     // zlib level 3 and the Paeth filter: about a third of the time, a tenth larger
};

// The PNG file's bytes, or libspng's description of why it could not encode. `pixels`
// must hold exactly width * height * channels bytes.
std::expected<std::vector<std::uint8_t>, std::string> encode_png(std::uint32_t width, std::uint32_t height,
                                                                 PngChannels channels,
                                                                 std::span<const std::uint8_t> pixels,
                                                                 PngEffort effort = PngEffort::Default);

}  // namespace quillfen::world
