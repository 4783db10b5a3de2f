// The world's writing order: the portal DAT (surfaces, the hand-built models, the filler)
// and then the cell DAT, landblock by landblock in grid order. Only the hand-built town
// and neighbours are held in memory; the filler is streamed.
#include "sample-world/world.hpp"

#include <fmt/format.h>

#include <system_error>

#include "sample-world/dat_sink.hpp"
#include "sample-world/ids.hpp"
#include "sample-world/neighbours.hpp"
#include "sample-world/surfaces.hpp"
#include "sample-world/terrain.hpp"
#include "sample-world/town.hpp"

namespace quillfen::sample {
namespace {

Status write_portal(const WorldOptions& options, const ScaleDesign& design, const Town& town,
                    const Neighbours& neighbours, DatSink& portal) {
  for (const auto list : {town_surfaces(), neighbour_surfaces()}) {
    for (const SurfaceDesign& surface : list) QF_TRY_VOID(write_surface(surface, options.seed, portal));
  }
  QF_TRY_VOID(town.models.write(portal));
  QF_TRY_VOID(neighbours.models.write(portal));
  QF_TRY_VOID(write_filler_portal(design.filler, options.seed, portal));
  return portal.finish();
}

// The hand-built plan of landblock `key`, if it has one.
const LandblockPlan* special_plan(std::uint16_t key, const Town& town, const Neighbours& neighbours) {
  if (key == town.plan.key) return &town.plan;
  for (const LandblockPlan& plan : neighbours.plans) {
    if (plan.key == key) return &plan;
  }
  return nullptr;
}

std::expected<std::uint64_t, std::string> write_cells(const WorldOptions& options, const ScaleDesign& design,
                                                      const Town& town, const Neighbours& neighbours, DatSink& cell) {
  // The grid is centred on the town; a grid of 3 or more holds the neighbours too.
  const std::int32_t first = -static_cast<std::int32_t>(design.grid / 2);
  std::uint64_t landblocks = 0;
  const std::int32_t cx = ids::kTown >> 8;
  const std::int32_t cy = ids::kTown & 0xFF;
  for (std::int32_t dx = first; dx < first + static_cast<std::int32_t>(design.grid); ++dx) {
    for (std::int32_t dy = first; dy < first + static_cast<std::int32_t>(design.grid); ++dy) {
      const std::int32_t x = cx + dx;
      const std::int32_t y = cy + dy;
      if (x < 0 || x > 0xFF || y < 0 || y > 0xFF) continue;
      const std::uint16_t key = ids::landblock_key(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
      if (const LandblockPlan* plan = special_plan(key, town, neighbours)) {
        // The hand-built landblocks' records are the largest; they are stored compressed.
        QF_TRY_VOID(write_landblock(*plan, cell, true));
      } else {
        QF_TRY_VOID(write_filler_landblock(key, design.filler, options.seed, cell));
      }
      QF_TRY_VOID(cell.add(ids::terrain(key), terrain_record(key, options.seed, true)));
      ++landblocks;
    }
  }
  QF_TRY_VOID(cell.finish());
  return landblocks;
}

DatSummary summarise(const DatSink& sink) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(sink.path(), ec);
  return {sink.path(), sink.file_count(), sink.compressed_files(), sink.content_bytes(), ec ? 0 : size};
}

}  // namespace

std::expected<WorldScale, std::string> parse_scale(std::string_view text) {
  if (text == "small") return WorldScale::Small;
  if (text == "full") return WorldScale::Full;
  return std::unexpected(fmt::format("unknown scale '{}': expected small or full", text));
}

ScaleDesign scale_design(WorldScale scale) {
  switch (scale) {
    case WorldScale::Small:
      return {.grid = 11, .filler = {.surfaces = 160, .gfx_objs = 120, .setups = 60, .cells_per_landblock = 36}};
    case WorldScale::Full:
      return {.grid = 150, .filler = {.surfaces = 12000, .gfx_objs = 16000, .setups = 8000, .cells_per_landblock = 40}};
  }
  return {};
}

std::expected<WorldSummary, std::string> generate_world(const WorldOptions& options) {
  std::error_code ec;
  std::filesystem::create_directories(options.out_dir, ec);
  if (ec) return std::unexpected(fmt::format("create directory {}: {}", options.out_dir.string(), ec.message()));

  const ScaleDesign design = options.design.value_or(scale_design(options.scale));
  const Town town = build_town(options.seed);
  const Neighbours neighbours = build_neighbours(town, options.seed);

  QF_TRY_ASSIGN(DatSink portal, DatSink::create(options.out_dir / "client_portal.dat", kPortalBlockSize));
  QF_TRY_VOID(write_portal(options, design, town, neighbours, portal));
  QF_TRY_ASSIGN(DatSink cell, DatSink::create(options.out_dir / "client_cell_1.dat", kCellBlockSize));
  QF_TRY_ASSIGN(const std::uint64_t landblocks, write_cells(options, design, town, neighbours, cell));
  return WorldSummary{summarise(portal), summarise(cell), landblocks};
}

}  // namespace quillfen::sample
