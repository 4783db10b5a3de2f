// Running the real audit binary on a DAT pair under resource limits, and checking what
// the run left behind: the DATs untouched, and no file but the two outputs.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "robustness/damaged_world.hpp"
#include "support/process.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::testing {

// Limits of every run: far above what the small world needs, far below what an
// unbounded allocation or loop would reach.
inline constexpr std::uint64_t kRunMemoryBytes = 2ull << 30;
inline constexpr std::uint64_t kRunCpuSeconds = 20;
inline constexpr std::chrono::seconds kRunTimeout{20};

struct ToolRun {
  ProcessResult result;
  bool dats_unchanged = false;        // same bytes, same modification times
  bool only_outputs_written = false;  // nothing in the directory but the DATs and outputs
  std::string unexpected_files;
};

struct ToolRunOptions {
  std::vector<std::string> sheet_args = {"--tile", "16"};  // with --contact-sheet
  std::vector<std::string> extra_args;                      // after the standard ones
  std::optional<mode_t> umask;
  bool contact_sheet = true;
  // The output paths; by default dir/out/audit.json and dir/out/sheet.ppm.
  std::optional<std::filesystem::path> out;
  std::optional<std::filesystem::path> sheet;
  StreamTarget stdout_target = StreamTarget::Capture;
  StreamTarget stderr_target = StreamTarget::Capture;
  std::optional<std::uint64_t> file_size_bytes;  // RLIMIT_FSIZE
  std::uint64_t memory_bytes = kRunMemoryBytes;  // address space (sanitizer builds: resident set)
};

// Writes the DATs into `dir` as read-only files (0444) and runs the tool on them with
// --out dir/out/audit.json and, unless told otherwise, --contact-sheet dir/out/sheet.ppm.
ToolRun run_tool_on(const TempDir& dir, const DatImages& images, const ToolRunOptions& options = {});

// The same for DATs already written to dir/portal.dat and dir/cell.dat (large sparse
// files, say), which are made read-only first.
ToolRun run_tool_in(const TempDir& dir, const ToolRunOptions& options = {});

// The limits and streams of a run as `options` sets them, for running other programs
// under the same caps.
ProcessOptions capped_process_options(const ToolRunOptions& options);

std::string read_text(const std::filesystem::path& path);

}  // namespace quillfen::testing
