// quillfen-world-audit: audits every landblock of a pair of DAT files in one run.
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
  quillfen::audit::keep_large_buffers_in_heap();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const unsigned cores = std::thread::hardware_concurrency();
  const auto parsed = parse_world_cli(args, cores == 0 ? 1 : std::min<unsigned>(cores, kMaxJobs));
  if (const auto* exit = std::get_if<CliExit>(&parsed)) {
    std::fputs(exit->out_text.c_str(), stdout);
    std::fputs(exit->err_text.c_str(), stderr);
    return exit->status;
  }
  return run_world_tool(std::get<WorldCli>(parsed), stdout, stderr);
}
