// quillfen-world-audit: audits every landblock of a pair of DAT files in one run.
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "surface-classify-audit/allocator_tuning.hpp"
#include "world-audit/world_cli.hpp"
#include "world-audit/world_run.hpp"

int main(int argc, char** argv) {
  using namespace quillfen::world;
  // A reader that goes away is a failed write, reported where it matters, not the end of
  // the run.
  std::signal(SIGPIPE, SIG_IGN);
  quillfen::audit::keep_large_buffers_in_heap();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const unsigned cores = std::thread::hardware_concurrency();
  const auto parsed = parse_world_cli(args, cores == 0 ? 1 : std::min<unsigned>(cores, kMaxJobs));
  if (const auto* exit = std::get_if<CliExit>(&parsed)) {
    // Help or version text that could not be written is not a success.
    const bool written = std::fputs(exit->out_text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
    std::fputs(exit->err_text.c_str(), stderr);
    return written || exit->status != 0 ? exit->status : 1;
  }
  return run_world_tool(std::get<WorldCli>(parsed), stdout, stderr);
}
