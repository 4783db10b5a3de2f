// One successfully decoded surface, as the decode pass hands it to the report and the
// contact sheet.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "quillfen/dat/image.hpp"

namespace quillfen::audit {

// A surface's entry in the JSON report: the decoded surface without its image.
struct SurfaceAudit {
  std::string did;       // "0x" and 8 upper-case hex digits
  std::string category;  // display name of the surface's category
  std::uint32_t surface_type = 0;
  std::array<float, 3> mean_rgb{};
  std::array<float, 3> std_dev{};
  float luminance = 0.0f;
  float variance = 0.0f;
  float dominant_hue = 0.0f;
  float saturation = 0.0f;
  std::uint32_t width = 0;   // 1 for a solid colour
  std::uint32_t height = 0;  // 1 for a solid colour
  bool solid = false;

  bool operator==(const SurfaceAudit&) const = default;
};

using dat::RgbaImage;

struct Decoded {
  SurfaceAudit audit;
  RgbaImage image;  // kept only for the contact sheet
};

}  // namespace quillfen::audit
