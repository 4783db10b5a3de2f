// DAT pairs for the audit benchmarks: one landblock with a chosen number of unique
// textured surfaces and placed objects, inside directories of realistic size.
#pragma once

#include <cstdint>
#include <filesystem>

namespace quillfen::bench {

struct AuditWorldShape {
  std::uint32_t surfaces = 300;        // unique textured surfaces of the landblock
  std::uint32_t placements = 1000;     // objects placed on it (each a GfxObj listing surfaces)
  std::uint32_t portal_filler = 30000; // other portal files (a few KB each)
  std::uint32_t cell_filler = 300000;  // other cell files (small EnvCells of other landblocks)
};

struct AuditWorld {
  std::filesystem::path portal;
  std::filesystem::path cell;
  std::uint16_t landblock = 0x1234;
};

// Writes the pair into the bench data directory on first use; later calls reuse it.
AuditWorld audit_world(const AuditWorldShape& shape);

}  // namespace quillfen::bench
