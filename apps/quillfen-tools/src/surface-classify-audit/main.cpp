// surface-classify-audit: audits the surfaces of one landblock of a pair of DAT files.
#include <cerrno>
#include <new>
#include <string>
#include <variant>
#include <vector>

#include "surface-classify-audit/allocator_tuning.hpp"
#include "surface-classify-audit/cli.hpp"
#include "surface-classify-audit/console.hpp"
#include "surface-classify-audit/error_report.hpp"
#include "surface-classify-audit/run.hpp"

namespace {

using namespace quillfen::audit;

int run_main(int argc, char** argv, const StandardStreams& streams, std::FILE* console) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = parse_cli(args);
  if (const auto* exit = std::get_if<CliExit>(&parsed)) {
    // The help text is the one output on standard output: text that did not arrive there
    // is a failure of its own, not a successful --help.
    if (!exit->out_text.empty()) {
      using quillfen::common::IoError;
      auto written = streams.output_was_closed
                         ? std::expected<void, IoError>(std::unexpected(IoError::from_errno(EBADF)))
                         : write_and_flush(stdout, exit->out_text);
      if (!written) {
        console_write(console, format_error_report(RunError{"write standard output", {written.error().message()}}));
        return kExitRunError;
      }
    }
    console_write(console, exit->err_text);
    return exit->status;
  }
  return run_tool(std::get<Cli>(parsed), console);
}

}  // namespace

int main(int argc, char** argv) {
  const StandardStreams streams = prepare_console();
  keep_large_buffers_in_heap();
  std::FILE* const console = lossy_standard_error();
  // The DAT library turns allocation failures on data it reads into errors of the record;
  // any other one (the process's memory being capped far below what a run needs) ends the
  // run as an error like any other, after the unwinding has removed unfinished outputs.
  try {
    return run_main(argc, argv, streams, console);
  } catch (const std::bad_alloc&) {
    console_write(console, "Error: out of memory\n");
    return kExitRunError;
  }
}
