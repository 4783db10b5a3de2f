// surface-classify-audit: audits the surfaces of one landblock of a pair of DAT files.
#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "surface-classify-audit/allocator_tuning.hpp"
#include "surface-classify-audit/cli.hpp"
#include "surface-classify-audit/run.hpp"

int main(int argc, char** argv) {
  using namespace quillfen::audit;
  keep_large_buffers_in_heap();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = parse_cli(args);
  if (const auto* exit = std::get_if<CliExit>(&parsed)) {
    std::fputs(exit->out_text.c_str(), stdout);
    std::fputs(exit->err_text.c_str(), stderr);
    return exit->status;
  }
  return run_tool(std::get<Cli>(parsed), stderr);
}
