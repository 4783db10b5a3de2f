// The sample world's hot paths. A filler landblock (laid out, packed and written; the full
// world writes 22,500 of them) against writing the very same bytes through the same sink,
// and a GfxObj built from a mesh (both BSP trees) against packing the finished record.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "sample-world/filler.hpp"
#include "sample-world/gfx_builder.hpp"
#include "sample-world/ids.hpp"
#include "sample-world/world.hpp"

namespace quillfen::bench {
namespace {

using sample::DatSink;

std::filesystem::path scratch(const char* name) { return std::filesystem::temp_directory_path() / name; }

constexpr std::uint16_t kLandblock = 0x3040;
// Each iteration appends a landblock's files; a fixed count keeps the scratch DAT small.
constexpr benchmark::IterationCount kLandblockIterations = 3000;

void BM_FillerLandblock(benchmark::State& state) {
  const sample::FillerDesign design = sample::scale_design(sample::WorldScale::Full).filler;
  const auto path = scratch("quillfen_bench_filler.dat");
  auto sink = DatSink::create(path, sample::kCellBlockSize);
  if (!sink) {
    state.SkipWithError(sink.error().c_str());
    return;
  }
  for (auto _ : state) {
    if (auto written = sample::write_filler_landblock(kLandblock, design, 1, *sink); !written) {
      state.SkipWithError(written.error().c_str());
    }
  }
  state.counters["files/s"] = benchmark::Counter(static_cast<double>(sink->file_count()), benchmark::Counter::kIsRate);
  std::filesystem::remove(path);
}

// The same landblock's files, packed once beforehand, written through the same sink.
void BM_FillerLandblockBaselineWriteOnly(benchmark::State& state) {
  const sample::FillerDesign design = sample::scale_design(sample::WorldScale::Full).filler;
  const auto once = scratch("quillfen_bench_once.dat");
  {
    auto sink = DatSink::create(once, sample::kCellBlockSize);
    if (!sink || !sample::write_filler_landblock(kLandblock, design, 1, *sink) || !sink->finish()) {
      state.SkipWithError("could not write the landblock once");
      return;
    }
  }
  const auto db = dat::DatDatabase::open(once);
  std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> files;
  for (const auto& entry : db->files()) files.emplace_back(entry.id, db->get_file(entry.id).value());
  std::filesystem::remove(once);
  const auto path = scratch("quillfen_bench_copy.dat");
  auto sink = DatSink::create(path, sample::kCellBlockSize);
  if (!sink) {
    state.SkipWithError(sink.error().c_str());
    return;
  }
  for (auto _ : state) {
    for (const auto& [id, bytes] : files) benchmark::DoNotOptimize(sink->add(id, bytes));
  }
  state.counters["files/s"] = benchmark::Counter(static_cast<double>(sink->file_count()), benchmark::Counter::kIsRate);
  std::filesystem::remove(path);
}

sample::Mesh house_mesh() {
  sample::Mesh mesh;
  sample::add_walls_with_door(mesh, sample::vec(-5, -4, 0), sample::vec(5, 4, 3.5), 1.3, 2.2, 0);
  sample::add_gable_roof(mesh, -5.4, 5.4, -4.4, 4.4, 3.5, 6.0, 1, 2);
  for (int i = 0; i < 6; ++i) sample::add_prism(mesh, -4 + i * 1.6, -4.6, 0.2, 0, 3, 8, 3, 3);
  sample::add_blob(mesh, sample::vec(0, 8, 4), 3, 3, 2.4, 8, 5, 4);
  return mesh;
}

void BM_GfxObjFromMesh(benchmark::State& state) {
  const sample::Mesh mesh = house_mesh();
  for (auto _ : state) {
    benchmark::DoNotOptimize(sample::make_gfx_obj(0x01000001, mesh, {1, 2, 3, 4, 5}));
  }
  state.counters["polygons"] = static_cast<double>(mesh.polygons().size());
}

// Packing the finished record: the bytes a GfxObj costs without building anything.
void BM_GfxObjFromMeshBaselinePack(benchmark::State& state) {
  const sample::Mesh mesh = house_mesh();
  const auto gfx = sample::make_gfx_obj(0x01000001, mesh, {1, 2, 3, 4, 5});
  if (!gfx) {
    state.SkipWithError(gfx.error().c_str());
    return;
  }
  for (auto _ : state) {
    dat::ByteWriter writer;
    const auto packed = gfx->pack(writer);
    benchmark::DoNotOptimize(packed);
    benchmark::DoNotOptimize(writer.bytes().data());
  }
  state.counters["polygons"] = static_cast<double>(mesh.polygons().size());
}

BENCHMARK(BM_FillerLandblock)->Iterations(kLandblockIterations)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillerLandblockBaselineWriteOnly)->Iterations(kLandblockIterations)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GfxObjFromMesh)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GfxObjFromMeshBaselinePack)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillfen::bench

BENCHMARK_MAIN();
