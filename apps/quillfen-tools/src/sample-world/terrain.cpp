// Terrain: gentle value-noise hills, flattened under the town, with its road painted in.
#include "sample-world/terrain.hpp"

#include <algorithm>

#include "quillfen/dat/reader.hpp"
#include "sample-world/ids.hpp"
#include "sample-world/procedural_noise.hpp"
#include "sample-world/rng.hpp"

namespace quillfen::sample {
namespace {

constexpr std::uint64_t kTerrainStream = 0x7E44A1;
constexpr std::uint16_t kRoad = 0x0003;
// Terrain types (bits 2-6 of a corner's word).
constexpr std::uint16_t kGrass = 1;
constexpr std::uint16_t kSnow = 4;

}  // namespace

std::vector<std::uint8_t> terrain_record(std::uint16_t landblock, std::uint64_t seed, bool has_info) {
  dat::ByteWriter writer;
  writer.write_u32_le(ids::terrain(landblock));
  writer.write_u32_le(has_info ? 1 : 0);
  const std::uint64_t stream = derive_seed(seed, kTerrainStream);
  const std::uint32_t gx = landblock >> 8;
  const std::uint32_t gy = landblock & 0xFF;
  const bool town = landblock == ids::kTown;
  // Snow lies on the northern landblocks.
  const std::uint16_t type = gy > (ids::kTown & 0xFF) ? kSnow : kGrass;
  std::vector<std::uint8_t> heights;
  for (std::uint32_t cx = 0; cx < 9; ++cx) {
    for (std::uint32_t cy = 0; cy < 9; ++cy) {
      // The road runs west to east through the middle row of the town and its neighbours.
      const bool road = cy == 4 && (gy == (ids::kTown & 0xFF));
      writer.write_u16_le(static_cast<std::uint16_t>((road ? kRoad : 0) | (type << 2)));
      // Heights continue across landblock edges: sample the noise at world coordinates.
      const double u = (gx * 8.0 + cx) / 2048.0;
      const double v = (gy * 8.0 + cy) / 2048.0;
      const double hill = fractal_noise(stream, u, v, 64, 3);
      heights.push_back(town ? std::uint8_t{40}
                             : static_cast<std::uint8_t>(std::clamp(20.0 + hill * 60.0, 0.0, 255.0)));
    }
  }
  writer.write_bytes(heights);
  writer.write_zeros((4 - writer.size() % 4) % 4);
  return writer.take();
}

}  // namespace quillfen::sample
