// The world audit's phases on the full-scale sample world, the whole run on one thread
// and on two, and how the run grows with the number of landblocks and with the number of
// unique surfaces (sample worlds of three sizes each, generated once into the bench data
// directory).
#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <tbb/task_arena.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "quillfen/dat/database.hpp"
#include "sample-world/world.hpp"
#include "support/bench_dats.hpp"
#include "support/bench_main.hpp"
#include "world-audit/landblock_presence.hpp"
#include "world-audit/world_decode.hpp"
#include "world-audit/world_discovery.hpp"
#include "world-audit/world_documents.hpp"
#include "world-audit/world_maps.hpp"
#include "world-audit/world_summary.hpp"

namespace quillfen::bench {
namespace {

using namespace quillfen::world;

struct OpenWorld {
  dat::DatDatabase portal;
  dat::DatDatabase cell;
  std::vector<std::uint16_t> keys;
};

// A sample world of the given design, generated on first use and opened once.
const OpenWorld& sample_world(const std::string& name, const std::optional<sample::ScaleDesign>& design) {
  static std::map<std::string, OpenWorld> worlds;
  if (const auto found = worlds.find(name); found != worlds.end()) return found->second;
  const std::filesystem::path dir = bench_data_dir() / name;
  if (!std::filesystem::exists(dir / "client_cell_1.dat")) {
    sample::WorldOptions options{.out_dir = dir, .seed = 1, .scale = sample::WorldScale::Full, .design = design};
    if (const auto generated = sample::generate_world(options); !generated) {
      std::fprintf(stderr, "cannot generate %s: %s\n", dir.c_str(), generated.error().c_str());
      std::exit(1);
    }
  }
  auto portal = open_for_repeated_reads(dir / "client_portal.dat");
  auto cell = open_for_repeated_reads(dir / "client_cell_1.dat");
  if (!portal || !cell) {
    std::fprintf(stderr, "cannot open the world in %s\n", dir.c_str());
    std::exit(1);
  }
  std::vector<std::uint16_t> keys;
  for (const LandblockPresence& landblock : present_landblocks(cell->files())) keys.push_back(landblock.key);
  return worlds.emplace(name, OpenWorld{std::move(*portal), std::move(*cell), std::move(keys)}).first->second;
}

const OpenWorld& full_world() { return sample_world("full-world", std::nullopt); }

// The full-scale design with `grid` landblocks a side and `surfaces` filler surfaces.
const OpenWorld& shaped_world(std::uint32_t grid, std::uint32_t surfaces) {
  sample::ScaleDesign design = sample::scale_design(sample::WorldScale::Full);
  design.grid = grid;
  design.filler.surfaces = surfaces;
  return sample_world(fmt::format("world-grid{}-surfaces{}", grid, surfaces), design);
}

WorldAudit run_world(const OpenWorld& world, int threads) {
  tbb::task_arena arena(threads);
  WorldAudit audit;
  arena.execute([&] {
    AuditCounters counters;
    WorldAuditSettings settings;
    settings.pixel_budget = world_pixel_budget(world.portal.file_length());
    audit = std::move(*audit_world(world.keys, world.portal, world.cell, settings, counters));
  });
  return audit;
}

// The whole audit and its summary, on one thread or two.
void BM_WorldAudit(benchmark::State& state) {
  const OpenWorld& world = full_world();
  const auto threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const WorldAudit audit = run_world(world, threads);
    benchmark::DoNotOptimize(summarize(audit).decoded);
  }
  state.counters["landblocks"] = static_cast<double>(world.keys.size());
}
BENCHMARK(BM_WorldAudit)->Arg(1)->Arg(2)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime();

// Where the time of a two-thread run goes.
void BM_PhaseDiscover(benchmark::State& state) {
  const OpenWorld& world = full_world();
  tbb::task_arena arena(2);
  for (auto _ : state) {
    arena.execute([&] {
      AuditCounters counters;
      benchmark::DoNotOptimize(discover_world(world.keys, world.portal, world.cell, counters)->surface_ids.size());
    });
  }
}
BENCHMARK(BM_PhaseDiscover)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PhaseIndex(benchmark::State& state) {
  const OpenWorld& world = full_world();
  tbb::task_arena arena(2);
  DiscoveredWorld found;
  arena.execute([&] {
    AuditCounters counters;
    found = std::move(*discover_world(world.keys, world.portal, world.cell, counters));
  });
  for (auto _ : state) {
    state.PauseTiming();
    DiscoveredWorld copy = found;
    state.ResumeTiming();
    benchmark::DoNotOptimize(index_world(std::move(copy)).surfaces.size());
  }
}
BENCHMARK(BM_PhaseIndex)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PhaseDecode(benchmark::State& state) {
  const OpenWorld& world = full_world();
  tbb::task_arena arena(2);
  WorldAudit indexed;
  arena.execute([&] {
    AuditCounters counters;
    indexed = index_world(std::move(*discover_world(world.keys, world.portal, world.cell, counters)));
  });
  WorldAuditSettings settings;
  settings.pixel_budget = world_pixel_budget(world.portal.file_length());
  for (auto _ : state) {
    arena.execute([&] {
      AuditCounters counters;
      decode_world(indexed, world.portal, settings, counters);
    });
  }
  state.counters["surfaces"] = static_cast<double>(indexed.surfaces.size());
}
BENCHMARK(BM_PhaseDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

// The outputs, each built in memory (writing them is the file system's part).
void BM_PhaseOutputs(benchmark::State& state) {
  const WorldAudit audit = run_world(full_world(), 2);
  const std::string which[] = {"summary", "world.json", "surfaces.json", "maps"};
  const auto output = static_cast<std::size_t>(state.range(0));
  const WorldSummary summary = summarize(audit);
  const AuditedPaths paths{"portal.dat", "cell.dat"};
  for (auto _ : state) {
    switch (output) {
      case 0: benchmark::DoNotOptimize(summarize(audit).decoded); break;
      case 1: benchmark::DoNotOptimize(serialize_world_doc(summary, paths, "0").size()); break;
      case 2: benchmark::DoNotOptimize(serialize_surfaces_doc(audit).size()); break;
      default:
        benchmark::DoNotOptimize(material_map(summary).rgb.size() + colour_map(summary).rgb.size());
        break;
    }
  }
  state.SetLabel(which[output]);
}
BENCHMARK(BM_PhaseOutputs)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Growth with landblocks: grids of 40, 80 and 150 landblocks a side (1,600 to 22,500
// landblocks), the filler's surfaces as at full scale.
void BM_GrowthLandblocks(benchmark::State& state) {
  const OpenWorld& world = shaped_world(static_cast<std::uint32_t>(state.range(0)), 12000);
  std::size_t surfaces = 0;
  for (auto _ : state) surfaces = run_world(world, 2).surfaces.size();
  state.counters["landblocks"] = static_cast<double>(world.keys.size());
  state.counters["surfaces"] = static_cast<double>(surfaces);
}
BENCHMARK(BM_GrowthLandblocks)->Arg(40)->Arg(80)->Arg(150)->ArgName("grid")->Unit(benchmark::kMillisecond)->UseRealTime();

// Growth with unique surfaces: 3,000, 6,000 and 12,000 filler surfaces on a grid of 80.
void BM_GrowthSurfaces(benchmark::State& state) {
  const OpenWorld& world = shaped_world(80, static_cast<std::uint32_t>(state.range(0)));
  std::size_t surfaces = 0;
  for (auto _ : state) surfaces = run_world(world, 2).surfaces.size();
  state.counters["landblocks"] = static_cast<double>(world.keys.size());
  state.counters["surfaces"] = static_cast<double>(surfaces);
}
BENCHMARK(BM_GrowthSurfaces)->Arg(3000)->Arg(6000)->Arg(12000)->ArgName("filler")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quillfen::bench

int main(int argc, char** argv) { return quillfen::bench::run_benchmarks(argc, argv); }
