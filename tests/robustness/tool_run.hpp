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
inline constexpr std::uint64_t kRunCpuSeconds = 30;
inline constexpr std::chrono::seconds kRunTimeout{30};

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
};

// Writes the DATs into `dir` as read-only files (0444) and runs the tool on them with
// --out dir/out/audit.json and, unless told otherwise, --contact-sheet dir/out/sheet.ppm.
ToolRun run_tool_on(const TempDir& dir, const DatImages& images, const ToolRunOptions& options = {});

std::string read_text(const std::filesystem::path& path);

}  // namespace quillfen::testing
