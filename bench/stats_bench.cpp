// compute_stats in megapixels per second, against two baselines over the same image
// that only sum its bytes, as a measure of what one read of the image costs:
//
// - BM_SumBytesScalar: a plain loop adding every byte (alpha included) into one 64-bit
//   accumulator, compiled with tree vectorisation switched off for that function, so it
//   runs one add per byte in order, as the statistics must run theirs.
// - BM_SumBytesVectorised: the same loop as the compiler leaves it at -O3; GCC
//   vectorises it (widening byte adds into vector accumulators), which no bit-exact
//   statistic may do, since the order of its double additions is fixed.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "quillfen/dat/surface_classify.hpp"

namespace {

using namespace quillfen::dat::surface_classify;

std::vector<std::uint8_t> make_image(std::uint32_t side) {
  std::mt19937 engine(0x57A75u);
  std::vector<std::uint8_t> image(static_cast<std::size_t>(side) * side * 4);
  for (auto& byte : image) byte = static_cast<std::uint8_t>(engine());
  return image;
}

void set_rate(benchmark::State& state, std::uint32_t side) {
  state.counters["Mpix/s"] = benchmark::Counter(
      static_cast<double>(side) * side * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

__attribute__((noinline, optimize("no-tree-vectorize"))) std::uint64_t sum_bytes_scalar(
    std::span<const std::uint8_t> bytes) {
  std::uint64_t sum = 0;
  for (const std::uint8_t byte : bytes) sum += byte;
  return sum;
}

__attribute__((noinline)) std::uint64_t sum_bytes_vectorised(std::span<const std::uint8_t> bytes) {
  std::uint64_t sum = 0;
  for (const std::uint8_t byte : bytes) sum += byte;
  return sum;
}

void BM_ComputeStats(benchmark::State& state) {
  const auto side = static_cast<std::uint32_t>(state.range(0));
  const auto image = make_image(side);
  for (auto _ : state) benchmark::DoNotOptimize(compute_stats(image, side, side));
  set_rate(state, side);
}

void BM_SumBytesScalar(benchmark::State& state) {
  const auto side = static_cast<std::uint32_t>(state.range(0));
  const auto image = make_image(side);
  for (auto _ : state) benchmark::DoNotOptimize(sum_bytes_scalar(image));
  set_rate(state, side);
}

void BM_SumBytesVectorised(benchmark::State& state) {
  const auto side = static_cast<std::uint32_t>(state.range(0));
  const auto image = make_image(side);
  for (auto _ : state) benchmark::DoNotOptimize(sum_bytes_vectorised(image));
  set_rate(state, side);
}

BENCHMARK(BM_ComputeStats)->Arg(256)->Arg(1024);
BENCHMARK(BM_SumBytesScalar)->Arg(256)->Arg(1024);
BENCHMARK(BM_SumBytesVectorised)->Arg(256)->Arg(1024);

}  // namespace

BENCHMARK_MAIN();
