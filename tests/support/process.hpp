// Runs a program as a separate process and captures its exit status and both output
// streams, for end-to-end tests of the real binaries.
#pragma once

#include <string>
#include <vector>

namespace quillfen::testing {

struct ProcessResult {
  int exit_status = -1;  // the exit code, or 128 + signal number when killed by a signal
  std::string out;
  std::string err;
};

// Runs `program` with `args` (argv[0] is the program path), no standard input.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args);

}  // namespace quillfen::testing
