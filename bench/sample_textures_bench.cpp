// Speed of the sample world's textures: drawing a 512x512 material, and encoding it to
// DXT1, DXT5, P8 and Index16. DXT1 encoding runs beside libsquish's compressor on the same
// image (when libsquish is installed) as the baseline, at its fast range fit and its
// default cluster fit; each DXT run also reports the mean error per channel of its result
// after our own decoder ("mae"), so speed and quality can be read together.
//
// libsquish spreads CompressImage over OpenMP threads, so main() pins it to one thread:
// one core against one core.
#include <benchmark/benchmark.h>


#include <cstdint>
#include <vector>

#include "support/bench_main.hpp"
#include "quillfen/dat/file_type/dxt.hpp"
#include "quillfen/dat/write/texture_encode.hpp"
#include "sample-world/materials.hpp"

#ifdef QUILLFEN_HAVE_SQUISH
#include <squish.h>
#endif

namespace {

using namespace quillfen::sample;
using quillfen::dat::write::encode_texture;
using quillfen::dat::file_type::TextureFormat;

constexpr std::uint32_t kSide = 512;

const RgbaImage& material_image(Material material) {
  static std::vector<RgbaImage> cache = [] {
    std::vector<RgbaImage> images;
    for (const Material m : kAllMaterials) images.push_back(make_material(m, kSide, 1).value());
    return images;
  }();
  return cache[static_cast<std::size_t>(material)];
}

// Mean absolute RGB error of DXT1 blocks against the source, decoded by our decoder.
double dxt1_error(const RgbaImage& image, const std::vector<std::uint8_t>& blocks) {
  const auto decoded = quillfen::dat::file_type::decompress_dxt1(blocks, image.width, image.height).value();
  double sum = 0;
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    if (i % 4 != 3) sum += std::abs(static_cast<int>(decoded[i]) - static_cast<int>(image.pixels[i]));
  }
  return sum / (static_cast<double>(decoded.size()) * 0.75);
}

void set_pixels(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kSide) * kSide);
}

void BM_MakeMaterial(benchmark::State& state) {
  const auto material = static_cast<Material>(state.range(0));
  for (auto _ : state) {
    auto image = make_material(material, kSide, 1);
    benchmark::DoNotOptimize(image->pixels.data());
  }
  set_pixels(state);
  state.SetLabel(std::string(material_name(material)));
}
BENCHMARK(BM_MakeMaterial)->DenseRange(0, static_cast<int>(kAllMaterials.size()) - 1)->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State& state) {
  const auto format = static_cast<TextureFormat>(state.range(0));
  const auto material = static_cast<Material>(state.range(1));
  const RgbaImage& image = material_image(material);
  std::vector<std::uint8_t> data;
  for (auto _ : state) {
    auto encoded = encode_texture(image, format);
    benchmark::DoNotOptimize(encoded->data.data());
    data = std::move(encoded->data);
  }
  set_pixels(state);
  if (format == TextureFormat::Dxt1) state.counters["mae"] = dxt1_error(image, data);
  state.SetLabel(std::string(material_name(material)));
}

void encode_args(benchmark::internal::Benchmark* b) {
  for (const TextureFormat format :
       {TextureFormat::Dxt1, TextureFormat::Dxt5, TextureFormat::P8, TextureFormat::Index16}) {
    for (const Material material : {Material::Stone, Material::Foliage, Material::Sand}) {
      b->Args({static_cast<std::int64_t>(format), static_cast<std::int64_t>(material)});
    }
  }
}
BENCHMARK(BM_Encode)->Apply(encode_args)->Unit(benchmark::kMillisecond);

#ifdef QUILLFEN_HAVE_SQUISH
// Baseline: libsquish's DXT1 compressor on the same image.
void BM_SquishDxt1(benchmark::State& state) {
  const int fit = state.range(0) == 0 ? squish::kColourRangeFit : squish::kColourClusterFit;
  const auto material = static_cast<Material>(state.range(1));
  const RgbaImage& image = material_image(material);
  const int side = static_cast<int>(kSide);
  std::vector<std::uint8_t> blocks(static_cast<std::size_t>(squish::GetStorageRequirements(side, side, squish::kDxt1)));
  for (auto _ : state) {
    squish::CompressImage(image.pixels.data(), side, side, blocks.data(), squish::kDxt1 | fit);
    benchmark::DoNotOptimize(blocks.data());
  }
  set_pixels(state);
  state.counters["mae"] = dxt1_error(image, blocks);
  state.SetLabel(std::string(material_name(material)) + (state.range(0) == 0 ? " range fit" : " cluster fit"));
}
BENCHMARK(BM_SquishDxt1)
    ->ArgsProduct({{0, 1},
                   {static_cast<std::int64_t>(Material::Stone), static_cast<std::int64_t>(Material::Foliage),
                    static_cast<std::int64_t>(Material::Sand)}})
    ->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef QUILLFEN_HAVE_SQUISH
  quillfen::bench::restart_with_one_openmp_thread(argv);
#endif
  return quillfen::bench::run_benchmarks(argc, argv);
}
