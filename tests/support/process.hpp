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

// Where a standard output stream of the child goes.
enum class StreamTarget {
  Capture,     // a pipe read into ProcessResult
  Closed,      // no descriptor at all, as after 2>&-
  DevFull,     // /dev/full: every write fails with ENOSPC
  BrokenPipe,  // a pipe whose reader has gone: writes raise SIGPIPE or fail with EPIPE
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
  // RLIMIT_FSIZE in bytes: a write past it raises SIGXFSZ or fails with EFBIG, as a full
  // disk would fail it.
  std::optional<std::uint64_t> file_size_bytes;
  StreamTarget out = StreamTarget::Capture;
  StreamTarget err = StreamTarget::Capture;
  // Added to (or replacing in) the child's environment, NAME=VALUE.
  std::vector<std::pair<std::string, std::string>> environment;
};

// Runs `program` with `args` (argv[0] is the program path), no standard input. The child
// starts with the default action for SIGPIPE, SIGXFSZ, SIGINT and SIGTERM, whatever the
// test process does with them.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args);
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const ProcessOptions& options);

}  // namespace quillfen::testing
