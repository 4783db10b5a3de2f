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

// What shows that a DAT was not written: its status-change time moves with any write or
// mode change, and small files are compared byte for byte as well.
struct Snapshot {
  std::vector<std::uint8_t> bytes;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};
};

constexpr off_t kComparedBytes = 64 << 20;

Snapshot snapshot(const fs::path& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  Snapshot s{{}, st.st_size, st.st_mtim, st.st_ctim};
  if (st.st_size <= kComparedBytes) s.bytes = read_file_bytes(path);
  return s;
}

bool same_time(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool same(const Snapshot& a, const Snapshot& b) {
  return a.bytes == b.bytes && a.size == b.size && same_time(a.mtime, b.mtime) && same_time(a.ctime, b.ctime);
}

}  // namespace

ProcessOptions capped_process_options(const ToolRunOptions& run) {
  ProcessOptions options;
  options.cpu_seconds = kRunCpuSeconds;
  options.timeout = kRunTimeout;
  options.umask = run.umask;
  options.file_size_bytes = run.file_size_bytes;
  options.out = run.stdout_target;
  options.err = run.stderr_target;
#ifdef QUILLFEN_SANITIZED
  // A distinct exit status for a sanitizer report, so it cannot pass for status 1.
  options.environment.emplace_back(
      "ASAN_OPTIONS", fmt::format("hard_rss_limit_mb={}:exitcode=99:detect_leaks=1", run.memory_bytes >> 20));
  options.environment.emplace_back("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1:exitcode=99");
#else
  options.address_space_bytes = run.memory_bytes;
#endif
  return options;
}

namespace {

void make_read_only(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

}  // namespace

ToolRun run_tool_on(const TempDir& dir, const DatImages& images, const ToolRunOptions& options) {
  write_file_bytes(dir / "portal.dat", images.portal);
  write_file_bytes(dir / "cell.dat", images.cell);
  return run_tool_in(dir, options);
}

ToolRun run_tool_in(const TempDir& dir, const ToolRunOptions& options) {
  const fs::path portal = dir / "portal.dat";
  const fs::path cell = dir / "cell.dat";
  make_read_only(portal);
  make_read_only(cell);
  const Snapshot portal_before = snapshot(portal);
  const Snapshot cell_before = snapshot(cell);

  const fs::path out = options.out.value_or(dir / "out" / "audit.json");
  const fs::path sheet = options.sheet.value_or(dir / "out" / "sheet.ppm");
  std::vector<std::string> args = {"--portal-dat", portal.string(), "--cell-dat", cell.string(),
                                   "--landblock", fmt::format("0x{:04X}", kWorldLandblock),
                                   "--out", out.string()};
  if (options.contact_sheet) {
    args.insert(args.end(), {"--contact-sheet", sheet.string()});
    args.insert(args.end(), options.sheet_args.begin(), options.sheet_args.end());
  }
  args.insert(args.end(), options.extra_args.begin(), options.extra_args.end());

  ToolRun run;
  run.result = run_process(QUILLFEN_AUDIT_TOOL, args, capped_process_options(options));
  run.dats_unchanged = same(portal_before, snapshot(portal)) && same(cell_before, snapshot(cell));
  const std::set<fs::path> allowed = {portal, cell, dir / "out", dir / "out" / "audit.json", dir / "out" / "sheet.ppm",
                                      out, sheet};
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
