// RgbaImage: the one image type of the library, as the texture converter produces it and
// the statistics and every writer of pictures read it.
#pragma once

#include <cstdint>
#include <vector>

namespace quillfen::dat {

// 4 bytes a pixel (R, G, B, A), rows top to bottom, each row left to right, no padding:
// pixel (x, y) starts at byte (y * width + x) * 4. Producers in this library always give
// exactly width * height * 4 bytes; readers must not rely on that for images made elsewhere.
struct RgbaImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> pixels;

  bool operator==(const RgbaImage&) const = default;
};

}  // namespace quillfen::dat
