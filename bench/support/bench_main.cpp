// Benchmark program entry helpers.
#include "support/bench_main.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include <benchmark/benchmark.h>

namespace quillfen::bench {

int run_benchmarks(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

void restart_with_one_openmp_thread(char** argv) {
  const char* threads = std::getenv("OMP_NUM_THREADS");
  if (threads != nullptr && std::string_view(threads) == "1") return;
  ::setenv("OMP_NUM_THREADS", "1", 1);
  ::execv("/proc/self/exe", argv);  // returns only on failure; then run as we are
}

}  // namespace quillfen::bench
