// The filler that surrounds the town: shared surfaces and models in the portal DAT, and
// landblocks of objects, buildings and interior cells in the cell DAT, streamed straight
// into the writers so a world of a million files needs little memory. Filler textures
// are a small pool of encoded images that many Texture records reuse.
#pragma once

#include <cstdint>

#include "sample-world/dat_sink.hpp"

namespace quillfen::sample {

struct FillerDesign {
  std::uint32_t surfaces = 0;  // filler surfaces (each with its SurfaceTexture)
  std::uint32_t gfx_objs = 0;
  std::uint32_t setups = 0;
  std::uint32_t cells_per_landblock = 0;
};

// Writes the filler surfaces, textures, palettes, GfxObjs and SetupModels. Their ids lie
// in the filler's own blocks, apart from the town's and the neighbours'.
Status write_filler_portal(const FillerDesign& design, std::uint64_t seed, DatSink& portal);

// Writes the LandblockInfo and interior cells of one filler landblock, using only the
// filler's models and surfaces.
Status write_filler_landblock(std::uint16_t landblock, const FillerDesign& design, std::uint64_t seed, DatSink& cell);

}  // namespace quillfen::sample
