// quillfen-world-audit: audits every landblock of a pair of DAT files in one run.
#include <cstdio>
#include <new>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "surface-classify-audit/allocator_tuning.hpp"
#include "surface-classify-audit/console.hpp"
#include "world-audit/world_cli.hpp"
#include "world-audit/world_run.hpp"

namespace {

using namespace quillfen::world;

int run_main(int argc, char** argv, const quillfen::audit::StandardStreams& streams) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const unsigned cores = std::thread::hardware_concurrency();
  const auto parsed = parse_world_cli(args, cores == 0 ? 1 : std::min<unsigned>(cores, kMaxJobs));
  if (const auto* exit = std::get_if<CliExit>(&parsed)) {
    // Help or version text that could not be written is not a success.
    const bool written = exit->out_text.empty() ||
                         (!streams.output_was_closed && quillfen::audit::write_and_flush(stdout, exit->out_text));
    quillfen::audit::console_write(stderr, exit->err_text);
    return written || exit->status != 0 ? exit->status : 1;
  }
  // The console is stderr itself (the progress line asks whether it is a terminal); its
  // lines go through stdio, which reports a failed write rather than throwing it.
  return run_world_tool(std::get<WorldCli>(parsed), stdout, stderr);
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away is a failed write, reported where it matters, not the end of
  // the run; a closed standard stream is never taken over by a file the run opens.
  const quillfen::audit::StandardStreams streams = quillfen::audit::prepare_console();
  quillfen::audit::keep_large_buffers_in_heap();
  // As in the single tool: an allocation that fails outside the DAT library ends the run as
  // an error, after the unwinding has removed unfinished outputs.
  try {
    return run_main(argc, argv, streams);
  } catch (const std::bad_alloc&) {
    quillfen::audit::console_write(stderr, "Error: out of memory\n");
    return 1;
  }
}
