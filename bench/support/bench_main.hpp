// The main() of the benchmark programs that need a setup step before Google Benchmark runs.
#pragma once

namespace quillfen::bench {

// Parses the benchmark flags and runs the registered benchmarks; the process's exit status.
int run_benchmarks(int argc, char** argv);

// libsquish decodes with OpenMP threads unless told otherwise; for a one-core comparison
// this sets OMP_NUM_THREADS=1 and restarts the program, since OpenMP reads it at load time.
void restart_with_one_openmp_thread(char** argv);

}  // namespace quillfen::bench
