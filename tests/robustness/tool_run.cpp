// The audit binary under limits: RLIMIT_AS for plain builds, the sanitizer's own RSS limit
// for sanitizer builds (whose shadow memory needs terabytes of address space), RLIMIT_CPU
// and a wall-clock timeout for all.
#include "robustness/tool_run.hpp"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <set>

#include <fmt/format.h>

namespace quillfen::testing {
namespace {

namespace fs = std::filesystem;

struct Snapshot {
  std::vector<std::uint8_t> bytes;
  timespec mtime{};
};

Snapshot snapshot(const fs::path& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return {read_file_bytes(path), st.st_mtim};
}

bool same(const Snapshot& a, const Snapshot& b) {
  return a.bytes == b.bytes && a.mtime.tv_sec == b.mtime.tv_sec && a.mtime.tv_nsec == b.mtime.tv_nsec;
}

ProcessOptions limits(std::optional<mode_t> umask) {
  ProcessOptions options;
  options.cpu_seconds = kRunCpuSeconds;
  options.timeout = kRunTimeout;
  options.umask = umask;
#ifdef QUILLFEN_SANITIZED
  // A distinct exit status for a sanitizer report, so it cannot pass for status 1.
  options.environment.emplace_back(
      "ASAN_OPTIONS", fmt::format("hard_rss_limit_mb={}:exitcode=99:detect_leaks=1", kRunMemoryBytes >> 20));
  options.environment.emplace_back("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1:exitcode=99");
#else
  options.address_space_bytes = kRunMemoryBytes;
#endif
  return options;
}

}  // namespace

ToolRun run_tool_on(const TempDir& dir, const DatImages& images, const ToolRunOptions& options) {
  const fs::path portal = dir / "portal.dat";
  const fs::path cell = dir / "cell.dat";
  write_file_bytes(portal, images.portal);
  write_file_bytes(cell, images.cell);
  fs::permissions(portal, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(cell, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const Snapshot portal_before = snapshot(portal);
  const Snapshot cell_before = snapshot(cell);

  std::vector<std::string> args = {"--portal-dat", portal.string(), "--cell-dat", cell.string(),
                                   "--landblock", fmt::format("0x{:04X}", kWorldLandblock),
                                   "--out", (dir / "out" / "audit.json").string()};
  if (options.contact_sheet) {
    args.insert(args.end(), {"--contact-sheet", (dir / "out" / "sheet.ppm").string()});
    args.insert(args.end(), options.sheet_args.begin(), options.sheet_args.end());
  }
  args.insert(args.end(), options.extra_args.begin(), options.extra_args.end());

  ToolRun run;
  run.result = run_process(QUILLFEN_AUDIT_TOOL, args, limits(options.umask));
  run.dats_unchanged = same(portal_before, snapshot(portal)) && same(cell_before, snapshot(cell));
  const std::set<fs::path> allowed = {portal, cell, dir / "out", dir / "out" / "audit.json", dir / "out" / "sheet.ppm"};
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    if (!allowed.contains(entry.path())) run.unexpected_files += entry.path().string() + "\n";
  }
  run.only_outputs_written = run.unexpected_files.empty();
  return run;
}

std::string read_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace quillfen::testing
