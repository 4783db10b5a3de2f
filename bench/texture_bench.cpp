// to_rgba8 in megapixels per second for two paletted formats (P8, Index16) and two
// direct ones (R8G8B8, A8R8G8B8). The palette lookup hands over a prepared palette, as
// the decode pass does after reading it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "quillfen/dat/file_type/texture.hpp"

namespace {

using namespace quillfen::dat::file_type;

Texture make_texture(TextureFormat format, std::uint32_t side) {
  std::mt19937 engine(0x7E87u);
  const std::size_t n = static_cast<std::size_t>(side) * side;
  const std::size_t bytes_per_pixel = format == TextureFormat::A8R8G8B8  ? 4
                                      : format == TextureFormat::R8G8B8  ? 3
                                      : format == TextureFormat::Index16 ? 2
                                                                         : 1;
  Texture texture;
  texture.width = static_cast<std::int32_t>(side);
  texture.height = static_cast<std::int32_t>(side);
  texture.format_raw = static_cast<std::uint32_t>(format);
  texture.source_data.resize(n * bytes_per_pixel);
  for (auto& byte : texture.source_data) byte = static_cast<std::uint8_t>(engine());
  if (format == TextureFormat::Index16) {
    // Indices below 4096, the size of the palette served.
    for (std::size_t i = 1; i < texture.source_data.size(); i += 2) texture.source_data[i] &= 0x0F;
  }
  if (is_paletted(texture.format_raw)) texture.default_palette_id = 0x04000001;
  return texture;
}

void BM_ToRgba8(benchmark::State& state, TextureFormat format) {
  const auto side = static_cast<std::uint32_t>(state.range(0));
  const Texture texture = make_texture(format, side);
  Palette palette{0x04000001, std::vector<std::uint32_t>(format == TextureFormat::Index16 ? 4096 : 256)};
  std::mt19937 engine(0xC0105u);
  for (auto& color : palette.colors) color = static_cast<std::uint32_t>(engine());
  const PaletteLookup lookup = [&palette](std::uint32_t) -> std::expected<Palette, std::string> { return palette; };
  for (auto _ : state) {
    auto rgba = to_rgba8(texture, lookup);
    benchmark::DoNotOptimize(rgba->data());
    benchmark::ClobberMemory();
  }
  state.counters["Mpix/s"] = benchmark::Counter(
      static_cast<double>(side) * side * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(BM_ToRgba8, p8, TextureFormat::P8)->Arg(256)->Arg(1024);
BENCHMARK_CAPTURE(BM_ToRgba8, index16, TextureFormat::Index16)->Arg(256)->Arg(1024);
BENCHMARK_CAPTURE(BM_ToRgba8, r8g8b8, TextureFormat::R8G8B8)->Arg(256)->Arg(1024);
BENCHMARK_CAPTURE(BM_ToRgba8, a8r8g8b8, TextureFormat::A8R8G8B8)->Arg(256)->Arg(1024);

}  // namespace

BENCHMARK_MAIN();
