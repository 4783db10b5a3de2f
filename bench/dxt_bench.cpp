// DXT1, DXT3 and DXT5 decoding speed in megapixels per second, side by side with
// libsquish's decoder on the very same blocks (when libsquish is installed).
//
// Our decoders allocate and zero-fill their output on every call; libsquish is given a
// buffer allocated once, its most favourable setting. libsquish spreads DecompressImage
// over OpenMP threads, so main() pins it to one thread: one core against one core.
#include <benchmark/benchmark.h>


#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "support/bench_main.hpp"
#include "quillfen/dat/file_type/dxt.hpp"

#ifdef QUILLFEN_HAVE_SQUISH
#include <squish.h>
#endif

namespace {

using namespace quillfen::dat::file_type;

enum class Format { Dxt1, Dxt3, Dxt5 };

std::size_t block_bytes(Format format) { return format == Format::Dxt1 ? kDxt1BlockBytes : kDxt35BlockBytes; }

// Random but valid blocks (every bit pattern is a block): random endpoints with c0 > c1
// in half of the blocks and c0 <= c1 (DXT1's three-colour mode) in the other half,
// DXT5 alpha endpoints in both orders likewise, random indices throughout.
std::vector<std::uint8_t> make_blocks(Format format, std::uint32_t side) {
  std::mt19937 engine(0xB10C5u + static_cast<std::uint32_t>(format));
  const std::size_t blocks = static_cast<std::size_t>((side + 3) / 4) * ((side + 3) / 4);
  const std::size_t size = block_bytes(format);
  std::vector<std::uint8_t> data(blocks * size);
  for (auto& byte : data) byte = static_cast<std::uint8_t>(engine());
  for (std::size_t b = 0; b < blocks; ++b) {
    std::uint8_t* block = data.data() + b * size;
    std::uint8_t* colour = block + (size - 8);
    auto c0 = static_cast<std::uint16_t>(colour[0] | (colour[1] << 8));
    auto c1 = static_cast<std::uint16_t>(colour[2] | (colour[3] << 8));
    if ((b % 2 == 0) != (c0 > c1)) std::swap(c0, c1);
    colour[0] = static_cast<std::uint8_t>(c0);
    colour[1] = static_cast<std::uint8_t>(c0 >> 8);
    colour[2] = static_cast<std::uint8_t>(c1);
    colour[3] = static_cast<std::uint8_t>(c1 >> 8);
    if (format == Format::Dxt5 && (b % 4 < 2) != (block[0] > block[1])) std::swap(block[0], block[1]);
  }
  return data;
}

void set_rate(benchmark::State& state, std::uint32_t side) {
  state.counters["Mpix/s"] = benchmark::Counter(
      static_cast<double>(side) * side * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_Quillfen(benchmark::State& state, Format format) {
  const auto side = static_cast<std::uint32_t>(state.range(0));
  const auto blocks = make_blocks(format, side);
  const auto decompress = format == Format::Dxt1 ? decompress_dxt1
                          : format == Format::Dxt3 ? decompress_dxt3
                                                   : decompress_dxt5;
  for (auto _ : state) {
    auto image = decompress(blocks, side, side);
    benchmark::DoNotOptimize(image->data());
    benchmark::ClobberMemory();
  }
  set_rate(state, side);
}

#ifdef QUILLFEN_HAVE_SQUISH
void BM_Squish(benchmark::State& state, Format format) {
  const auto side = static_cast<std::uint32_t>(state.range(0));
  const auto blocks = make_blocks(format, side);
  const int flags = format == Format::Dxt1 ? squish::kDxt1 : format == Format::Dxt3 ? squish::kDxt3 : squish::kDxt5;
  std::vector<std::uint8_t> image(static_cast<std::size_t>(side) * side * 4);
  for (auto _ : state) {
    squish::DecompressImage(image.data(), static_cast<int>(side), static_cast<int>(side), blocks.data(), flags);
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  set_rate(state, side);
}
#define QF_SQUISH_PAIR(name, format) BENCHMARK_CAPTURE(BM_Squish, name, format)->Arg(256)->Arg(1024);
#else
#define QF_SQUISH_PAIR(name, format)
#endif

BENCHMARK_CAPTURE(BM_Quillfen, dxt1, Format::Dxt1)->Arg(256)->Arg(1024);
QF_SQUISH_PAIR(dxt1, Format::Dxt1)
BENCHMARK_CAPTURE(BM_Quillfen, dxt3, Format::Dxt3)->Arg(256)->Arg(1024);
QF_SQUISH_PAIR(dxt3, Format::Dxt3)
BENCHMARK_CAPTURE(BM_Quillfen, dxt5, Format::Dxt5)->Arg(256)->Arg(1024);
QF_SQUISH_PAIR(dxt5, Format::Dxt5)

}  // namespace

int main(int argc, char** argv) {
#ifdef QUILLFEN_HAVE_SQUISH
  quillfen::bench::restart_with_one_openmp_thread(argv);
#endif
  return quillfen::bench::run_benchmarks(argc, argv);
}
