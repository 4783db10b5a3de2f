// Speed of the audit tool's outputs: float text against the bare shortest-digit
// conversion it builds on, the whole JSON document, and contact sheet tiles.
#include <array>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "surface-classify-audit/contact_sheet.hpp"
#include "surface-classify-audit/float_format.hpp"
#include "surface-classify-audit/report.hpp"

namespace {

using namespace quillfen::audit;

std::vector<float> sample_floats() {
  std::mt19937 random(3u);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<float> values(4096);
  for (float& v : values) v = unit(random) * 255.0f;
  return values;
}

// Baseline: the shortest-digit conversion alone, with no rearranging.
void BM_ToCharsShortest(benchmark::State& state) {
  const std::vector<float> values = sample_floats();
  std::array<char, 32> buffer{};
  for (auto _ : state) {
    for (const float v : values) {
      const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v, std::chars_format::scientific);
      benchmark::DoNotOptimize(result.ptr);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_ToCharsShortest);

void BM_AppendF32(benchmark::State& state) {
  const std::vector<float> values = sample_floats();
  std::string out;
  out.reserve(values.size() * 16);
  for (auto _ : state) {
    out.clear();
    for (const float v : values) append_f32(out, v);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_AppendF32);

AuditDoc sample_doc(std::size_t surfaces) {
  std::vector<Decoded> decoded(surfaces);
  const std::vector<float> values = sample_floats();
  for (std::size_t i = 0; i < surfaces; ++i) {
    SurfaceAudit& a = decoded[i].audit;
    a.did = fmt::format("0x{:08X}", 0x08000000u + i);
    a.category = i % 2 ? "Stone" : "Generic";
    a.surface_type = static_cast<std::uint32_t>(i);
    for (std::size_t c = 0; c < 3; ++c) {
      a.mean_rgb[c] = values[(i * 10 + c) % values.size()] / 255.0f;
      a.std_dev[c] = values[(i * 10 + 3 + c) % values.size()] / 1024.0f;
    }
    a.luminance = values[(i * 10 + 6) % values.size()] / 255.0f;
    a.variance = values[(i * 10 + 7) % values.size()] / 65025.0f;
    a.dominant_hue = values[(i * 10 + 8) % values.size()] * 1.4f;
    a.saturation = values[(i * 10 + 9) % values.size()] / 255.0f;
    a.width = a.height = 256;
  }
  return build_audit_doc(0xA9B4, "/data/client_portal.dat", "/data/client_cell_1.dat", decoded,
                         {{"Generic", surfaces / 2}, {"Stone", surfaces - surfaces / 2}});
}

void BM_SerializeAuditDoc(benchmark::State& state) {
  const AuditDoc doc = sample_doc(static_cast<std::size_t>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = serialize_audit_doc(doc);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_SerializeAuditDoc)->Arg(1000);

void BM_SampleTile(benchmark::State& state) {
  const auto edge = static_cast<std::uint32_t>(state.range(0));
  RgbaImage image{edge, edge, std::vector<std::uint8_t>(std::size_t{edge} * edge * 4, 0x5A)};
  for (auto _ : state) {
    const std::vector<std::uint8_t> tile = sample_tile(image, 64);
    benchmark::DoNotOptimize(tile.data());
  }
  state.SetItemsProcessed(state.iterations() * 64 * 64);
}
BENCHMARK(BM_SampleTile)->Arg(256)->Arg(16);

// Baseline for the tile: copying the same number of bytes the sampled tile holds.
void BM_CopyTileBytes(benchmark::State& state) {
  const std::vector<std::uint8_t> source(64 * 64 * 3, 0x5A);
  for (auto _ : state) {
    std::vector<std::uint8_t> tile(source);
    benchmark::DoNotOptimize(tile.data());
  }
  state.SetItemsProcessed(state.iterations() * 64 * 64);
}
BENCHMARK(BM_CopyTileBytes);

}  // namespace

BENCHMARK_MAIN();
