// Runs a program as a separate process and captures its exit status and both output
// streams, for end-to-end tests of the real binaries.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillfen::testing {

struct ProcessResult {
  int exit_status = -1;  // the exit code, or 128 + signal number when killed by a signal
  std::string out;
  std::string err;
  bool timed_out = false;  // killed for outliving ProcessOptions::timeout
};

// Limits and surroundings of the child, each left as the parent's when absent.
struct ProcessOptions {
  // RLIMIT_AS in bytes. Sanitizer builds reserve terabytes of shadow address space at
  // start, so give them a limit through their own options (malloc_limit_mb) instead.
  std::optional<std::uint64_t> address_space_bytes;
  std::optional<std::uint64_t> cpu_seconds;  // RLIMIT_CPU: SIGXCPU, then SIGKILL
  // Wall-clock limit: the child is killed with SIGKILL once it has run this long.
  std::optional<std::chrono::milliseconds> timeout;
  std::optional<mode_t> umask;
  // Added to (or replacing in) the child's environment, NAME=VALUE.
  std::vector<std::pair<std::string, std::string>> environment;
};

// Runs `program` with `args` (argv[0] is the program path), no standard input.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args);
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const ProcessOptions& options);

}  // namespace quillfen::testing
