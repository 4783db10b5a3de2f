// The audit's phases on a landblock of 300 unique textured surfaces (DXT and paletted, up
// to 512 x 512) inside DATs of realistic size, and how a whole run grows with the number
// of placed objects and of surfaces.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "support/bench_main.hpp"
#include "quillfen/dat/database.hpp"
#include "quillfen/dat/discovery.hpp"
#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "support/audit_world.hpp"
#include "support/bench_dats.hpp"
#include "surface-classify-audit/allocator_tuning.hpp"
#include "surface-classify-audit/decode_pass.hpp"
#include "surface-classify-audit/file_output.hpp"
#include "surface-classify-audit/report.hpp"
#include "surface-classify-audit/run.hpp"
#include "surface-classify-audit/tile_collector.hpp"

namespace quillfen::bench {
namespace {

namespace ft = dat::file_type;

class NullLog {
 public:
  NullLog() : file_(std::fopen("/dev/null", "w")) {}
  ~NullLog() { std::fclose(file_); }
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

const AuditWorld& standard_world() {
  static const AuditWorld world = audit_world({});
  return world;
}

struct OpenWorld {
  dat::DatDatabase portal;
  dat::DatDatabase cell;
  std::vector<std::uint32_t> surfaces;
};

OpenWorld open_world(const AuditWorld& world) {
  auto portal = open_for_repeated_reads(world.portal);
  auto cell = open_for_repeated_reads(world.cell);
  auto surfaces = dat::discover_surfaces(world.landblock, *portal, *cell);
  return {std::move(*portal), std::move(*cell), std::move(surfaces)};
}

void BM_PhaseOpen(benchmark::State& state) {
  const auto& world = standard_world();
  for (auto _ : state) {
    auto portal = dat::DatDatabase::open(world.portal);
    auto cell = dat::DatDatabase::open(world.cell);
    benchmark::DoNotOptimize(portal->files().size() + cell->files().size());
  }
}
BENCHMARK(BM_PhaseOpen)->Unit(benchmark::kMillisecond);

void BM_PhaseDiscovery(benchmark::State& state) {
  const OpenWorld world = open_world(standard_world());
  for (auto _ : state) benchmark::DoNotOptimize(dat::discover_surfaces(standard_world().landblock, world.portal, world.cell));
  state.counters["surfaces"] = static_cast<double>(world.surfaces.size());
}
BENCHMARK(BM_PhaseDiscovery)->Unit(benchmark::kMillisecond);

// Reading and converting every texture, without the statistics: the decode pass minus
// this is the cost of measuring and classifying.
void BM_PhaseDecodeOnly(benchmark::State& state) {
  const OpenWorld world = open_world(standard_world());
  const ft::PaletteLookup lookup = [&world](std::uint32_t id) -> std::expected<ft::Palette, std::string> {
    auto bytes = world.portal.get_file(id);
    if (!bytes) return std::unexpected(bytes.error().message());
    auto palette = ft::Palette::unpack(*bytes);
    if (!palette) return std::unexpected(palette.error().message());
    return std::move(*palette);
  };
  std::int64_t pixels = 0;
  for (auto _ : state) {
    for (const std::uint32_t id : world.surfaces) {
      const auto surface = ft::Surface::unpack(*world.portal.get_file(id));
      const auto st = ft::SurfaceTexture::unpack(*world.portal.get_file(surface->texture_refs->orig_texture_id));
      const auto texture = ft::Texture::unpack(*world.portal.get_file(st->textures.back()));
      auto rgba = ft::to_rgba8(*texture, lookup);
      pixels += static_cast<std::int64_t>(rgba->size() / 4);
      benchmark::DoNotOptimize(rgba->data());
    }
  }
  state.counters["Mpixels/s"] = benchmark::Counter(static_cast<double>(pixels) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PhaseDecodeOnly)->Unit(benchmark::kMillisecond);

void BM_PhaseDecodePass(benchmark::State& state) {
  const OpenWorld world = open_world(standard_world());
  const NullLog log;
  for (auto _ : state) {
    audit::TileCollector tiles(64, 10);
    auto pass = audit::run_decode_pass(world.surfaces, world.portal, log.get(),
                                       [&tiles](const audit::RgbaImage& image) { tiles.add(image); });
    benchmark::DoNotOptimize(pass.surfaces.data());
  }
}
BENCHMARK(BM_PhaseDecodePass)->Unit(benchmark::kMillisecond);

void BM_PhaseReportAndSheet(benchmark::State& state) {
  const OpenWorld world = open_world(standard_world());
  const NullLog log;
  audit::TileCollector tiles(64, 10);
  auto pass = audit::run_decode_pass(world.surfaces, world.portal, log.get(),
                                     [&tiles](const audit::RgbaImage& image) { tiles.add(image); });
  const auto out = bench_data_dir() / "audit-bench-out";
  for (auto _ : state) {
    const auto doc = audit::build_audit_doc(standard_world().landblock, standard_world().portal, standard_world().cell,
                                            pass.surfaces, pass.category_counts);
    if (!audit::write_whole_file(out.string() + ".json", audit::serialize_audit_doc(doc))) state.SkipWithError("write");
    if (!tiles.write_ppm(out.string() + ".ppm")) state.SkipWithError("sheet");
  }
}
BENCHMARK(BM_PhaseReportAndSheet)->Unit(benchmark::kMillisecond);

// The whole run in-process, as the tool does it (opening included), at three sizes of
// landblock.
void BM_WholeRun(benchmark::State& state) {
  const AuditWorld world = audit_world({.surfaces = static_cast<std::uint32_t>(state.range(0)),
                                        .placements = static_cast<std::uint32_t>(state.range(1))});
  const NullLog log;
  audit::Cli cli;
  cli.portal_dat = world.portal;
  cli.cell_dat = world.cell;
  cli.landblock = "1234";
  cli.out = bench_data_dir() / "whole-run.json";
  cli.contact_sheet = bench_data_dir() / "whole-run.ppm";
  for (auto _ : state) {
    if (!audit::run_audit(cli, log.get())) state.SkipWithError("run failed");
  }
}
// One size varied at a time: placed objects at 100 surfaces, then surfaces at 1000
// placements.
BENCHMARK(BM_WholeRun)
    ->Args({100, 100})
    ->Args({100, 1000})
    ->Args({100, 10000})
    ->Args({30, 1000})
    ->Args({300, 1000})
    ->ArgNames({"surfaces", "placements"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillfen::bench

int main(int argc, char** argv) {
  // The tool's own heap settings, so the phases cost what they cost in a run.
  quillfen::audit::keep_large_buffers_in_heap();
  return quillfen::bench::run_benchmarks(argc, argv);
}
