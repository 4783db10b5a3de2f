// Crafted files and hostile surroundings, each run of the real binary capped at 20 s and
// 2 GB: DATs built to cost as much as possible for their size, consoles that cannot be
// written, outputs that cannot be finished. Every run must end by itself with status 0
// or 1, an "Error:" report on 1, complete outputs on 0, and no earlier output destroyed.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/utils.hpp"
#include "robustness/crafted_dat.hpp"
#include "robustness/crafted_worlds.hpp"
#include "robustness/damaged_world.hpp"
#include "robustness/tool_run.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

// A P6 file whose pixel bytes are all there: header, then exactly width x height x 3.
bool complete_ppm(const fs::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char start[64] = {};
  const std::size_t got = std::fread(start, 1, sizeof start - 1, file);
  std::fclose(file);
  unsigned width = 0;
  unsigned height = 0;
  if (std::sscanf(std::string(start, got).c_str(), "P6\n%u %u\n255\n", &width, &height) != 2) return false;
  const std::string header = fmt::format("P6\n{} {}\n255\n", width, height);
  return std::string_view(start, got).starts_with(header) &&
         fs::file_size(path) == header.size() + std::uint64_t{width} * height * 3;
}

constexpr std::string_view kPreviousJson = "{\"previous\": true}";
constexpr std::string_view kPreviousSheet = "P6\n1 1\n255\nabc";

// Outputs of an earlier run, which a failed run must leave as they are.
void place_previous_outputs(const TempDir& dir) {
  fs::create_directories(dir / "out");
  write_file_bytes(dir / "out" / "audit.json", std::span(reinterpret_cast<const std::uint8_t*>(kPreviousJson.data()),
                                                         kPreviousJson.size()));
  write_file_bytes(dir / "out" / "sheet.ppm", std::span(reinterpret_cast<const std::uint8_t*>(kPreviousSheet.data()),
                                                        kPreviousSheet.size()));
}

// What every run must satisfy, whatever it was given.
void expect_clean_end(const TempDir& dir, const ToolRun& run) {
  ASSERT_FALSE(run.result.timed_out) << run.result.err.substr(0, 2000);
  ASSERT_TRUE(run.result.exit_status == 0 || run.result.exit_status == 1)
      << "status " << run.result.exit_status << "\n" << run.result.err.substr(0, 4000);
  EXPECT_TRUE(run.dats_unchanged);
  EXPECT_TRUE(run.only_outputs_written) << run.unexpected_files;
  const fs::path json = dir / "out" / "audit.json";
  const fs::path sheet = dir / "out" / "sheet.ppm";
  if (run.result.exit_status == 0) {
    EXPECT_TRUE(nlohmann::json::accept(read_text(json)));
    EXPECT_TRUE(complete_ppm(sheet));
  } else {
    EXPECT_NE(run.result.err.find("Error: "), std::string::npos) << run.result.err;
    // Each output is the earlier one or a complete new one, never something in between.
    const std::string json_text = read_text(json);
    EXPECT_TRUE(json_text == kPreviousJson || nlohmann::json::accept(json_text)) << json_text.substr(0, 200);
    EXPECT_TRUE(complete_ppm(sheet) || read_text(sheet) == kPreviousSheet);
  }
}

nlohmann::json audit_json(const TempDir& dir) { return nlohmann::json::parse(read_text(dir / "out" / "audit.json")); }

// ---- DATs that cost the most for their size ----

struct CraftedCase {
  const char* name;
  std::function<void(const std::filesystem::path&)> write_dats;
  // Shown only where an allocation can fail: sanitizer builds cap resident memory, not
  // address space, and their allocator ends the process instead of failing.
  bool needs_address_space_cap = false;
  std::function<void(const TempDir&, const ToolRun&)> check;
};

void PrintTo(const CraftedCase& c, std::ostream* os) { *os << c.name; }

class CraftedDats : public ::testing::TestWithParam<CraftedCase> {};

TEST_P(CraftedDats, RunEndsCleanlyWithinTheCaps) {
#ifdef QUILLFEN_SANITIZED
  if (GetParam().needs_address_space_cap) GTEST_SKIP() << "needs an address-space cap, which sanitizers cannot run under";
#endif
  TempDir dir;
  GetParam().write_dats(dir.path());
  place_previous_outputs(dir);
  const ToolRun run = run_tool_in(dir);
  expect_clean_end(dir, run);
  if (GetParam().check) GetParam().check(dir, run);
}

// Exactly as many surfaces decode as the default budget pays for: the GfxObj is read
// once, then each surface costs its stored stream and its declared output.
void check_shared_chain(const TempDir& dir, const ToolRun& run) {
  ASSERT_EQ(run.result.exit_status, 0) << run.result.err;
  const std::uint64_t gfx_bytes = gfx_obj_listing(shared_surface_ids()).size();
  const Bytes stream = zeros_stream(kSharedOutput);
  const std::uint64_t per_surface = stream.size() + dat::utils::lrs_output_limit(stream);
  const std::uint64_t budget = dat::default_work_budget(fs::file_size(dir / "portal.dat"));
  ASSERT_EQ(budget, dat::kMinWorkBudget);
  const std::uint64_t affordable = (budget - gfx_bytes) / per_surface;
  const auto doc = audit_json(dir);
  EXPECT_EQ(doc["total_surfaces"], affordable);
  // The discovery of the EnvCell's own surface ids adds none: they are among the 1000.
  std::size_t warnings = 0;
  for (std::size_t at = 0; (at = run.result.err.find("  warn: surface", at)) != std::string::npos; ++at) ++warnings;
  EXPECT_EQ(warnings, kSharedSurfaces - affordable);
}

void check_only_the_solid_surface(const TempDir& dir, const ToolRun& run) {
  ASSERT_EQ(run.result.exit_status, 0) << run.result.err;
  EXPECT_EQ(audit_json(dir)["total_surfaces"], 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CraftedDats,
    ::testing::Values(CraftedCase{"LandblockInfoOfTwoGiB", write_landblock_info_of_two_gib, true,
                                  [](const TempDir& dir, const ToolRun& run) {
                                    ASSERT_EQ(run.result.exit_status, 0) << run.result.err;
                                    EXPECT_GE(audit_json(dir)["total_surfaces"], 1);  // the EnvCell's
                                  }},
                      CraftedCase{"CompressedSurfaceDeclaringFourGiB", write_surface_declaring_four_gib, true,
                                  [](const TempDir& dir, const ToolRun& run) {
                                    // The huge one may decode (as zeros) or warn; the run goes on either way.
                                    ASSERT_EQ(run.result.exit_status, 0) << run.result.err;
                                    EXPECT_EQ(audit_json(dir)["surfaces"][0]["did"], "0x08000001");
                                  }},
                      CraftedCase{"SurfacesSharingOneExpandingChain", write_surfaces_sharing_one_chain, false,
                                  check_shared_chain},
                      CraftedCase{"LoopingChainsOfFourByteBlocks", write_looping_four_byte_blocks, false,
                                  check_only_the_solid_surface}),
    [](const auto& test) { return std::string(test.param.name); });

// ---- consoles that cannot be written ----

// The outputs of the small world's audit with a working console, to compare against;
// the run's directory, which the document names, is written DIR.
struct Reference {
  std::string json;
  std::string sheet;
};

Reference outputs_of(const TempDir& dir) {
  std::string json = read_text(dir / "out" / "audit.json");
  for (std::size_t at = 0; (at = json.find(dir.path().string(), at)) != std::string::npos;) {
    json.replace(at, dir.path().string().size(), "DIR");
  }
  return Reference{json, read_text(dir / "out" / "sheet.ppm")};
}

const Reference& reference_outputs() {
  static const Reference reference = [] {
    TempDir dir;
    const ToolRun run = run_tool_on(dir, small_world());
    EXPECT_EQ(run.result.exit_status, 0) << run.result.err;
    return outputs_of(dir);
  }();
  return reference;
}

struct StreamCase {
  const char* name;
  StreamTarget target;
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

const auto kUnwritableStreams =
    ::testing::Values(StreamCase{"Closed", StreamTarget::Closed}, StreamCase{"Full", StreamTarget::DevFull},
                      StreamCase{"ReaderGone", StreamTarget::BrokenPipe});

class UnwritableStandardError : public ::testing::TestWithParam<StreamCase> {};

// The log is lost, the audit is not: the same outputs, byte for byte, and status 0.
TEST_P(UnwritableStandardError, TheRunCompletesWithTheSameOutputs) {
  TempDir dir;
  place_previous_outputs(dir);
  ToolRunOptions options;
  options.stderr_target = GetParam().target;
  const ToolRun run = run_tool_on(dir, small_world(), options);
  expect_clean_end(dir, run);
  EXPECT_EQ(run.result.exit_status, 0);
  const Reference outputs = outputs_of(dir);
  EXPECT_EQ(outputs.json, reference_outputs().json);
  EXPECT_EQ(outputs.sheet, reference_outputs().sheet);
}

INSTANTIATE_TEST_SUITE_P(Streams, UnwritableStandardError, kUnwritableStreams,
                         [](const auto& test) { return std::string(test.param.name); });

class UnwritableStandardOutput : public ::testing::TestWithParam<StreamCase> {};

// --help has one job: a help text that did not arrive is not a success.
TEST_P(UnwritableStandardOutput, HelpFails) {
  ProcessOptions options;
  options.timeout = kRunTimeout;
  options.out = GetParam().target;
  const ProcessResult result = run_process(QUILLFEN_AUDIT_TOOL, {"--help"}, options);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_TRUE(result.err.starts_with("Error: write standard output\n\nCaused by:\n    ")) << result.err;
}

// An output file on standard output is an output like any other: its failure is an error
// that names it.
TEST_P(UnwritableStandardOutput, AuditToStandardOutputIsAnError) {
  TempDir dir;
  ToolRunOptions options;
  options.stdout_target = GetParam().target;
  options.out = "/dev/stdout";
  options.contact_sheet = false;
  const ToolRun run = run_tool_on(dir, small_world(), options);
  ASSERT_FALSE(run.result.timed_out);
  EXPECT_EQ(run.result.exit_status, 1);
  EXPECT_NE(run.result.err.find("Error: write /dev/stdout\n"), std::string::npos) << run.result.err;
}

INSTANTIATE_TEST_SUITE_P(Streams, UnwritableStandardOutput, kUnwritableStreams,
                         [](const auto& test) { return std::string(test.param.name); });

// ---- outputs that cannot be finished ----

// A file size limit stands in for a full disk: the write that passes it fails.
TEST(HostileOutputs, DiskFullForTheJsonKeepsBothEarlierOutputs) {
  TempDir dir;
  place_previous_outputs(dir);
  ToolRunOptions options;
  options.file_size_bytes = reference_outputs().json.size() / 2;
  const ToolRun run = run_tool_on(dir, small_world(), options);
  expect_clean_end(dir, run);
  EXPECT_EQ(run.result.exit_status, 1);
  EXPECT_NE(run.result.err.find(fmt::format("Error: write {}\n\nCaused by:\n    File too large\n",
                                            (dir / "out" / "audit.json").string())),
            std::string::npos)
      << run.result.err;
  EXPECT_EQ(read_text(dir / "out" / "audit.json"), kPreviousJson);
  EXPECT_EQ(read_text(dir / "out" / "sheet.ppm"), kPreviousSheet);
}

TEST(HostileOutputs, DiskFullForTheSheetKeepsTheEarlierSheet) {
  TempDir dir;
  place_previous_outputs(dir);
  ToolRunOptions options;
  ASSERT_LT(reference_outputs().json.size(), reference_outputs().sheet.size());
  options.file_size_bytes = (reference_outputs().json.size() + reference_outputs().sheet.size()) / 2;
  const ToolRun run = run_tool_on(dir, small_world(), options);
  expect_clean_end(dir, run);
  EXPECT_EQ(run.result.exit_status, 1);
  EXPECT_NE(run.result.err.find(fmt::format("Error: write {}\n", (dir / "out" / "sheet.ppm").string())),
            std::string::npos)
      << run.result.err;
  EXPECT_EQ(outputs_of(dir).json, reference_outputs().json);
  EXPECT_EQ(read_text(dir / "out" / "sheet.ppm"), kPreviousSheet);
}

// As the DATs are opened without waiting for a writer, the outputs are opened without
// waiting for a reader.
TEST(HostileOutputs, FifoWithoutAReaderFailsAtOnce) {
  TempDir dir;
  fs::create_directories(dir / "out");
  const fs::path fifo = dir / "out" / "audit.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ToolRunOptions options;
  options.out = fifo;
  options.contact_sheet = false;
  const ToolRun run = run_tool_on(dir, small_world(), options);
  ASSERT_FALSE(run.result.timed_out);
  EXPECT_EQ(run.result.exit_status, 1);
  EXPECT_NE(run.result.err.find(fmt::format("Error: write {}\n\nCaused by:\n    No such device or address\n",
                                            fifo.string())),
            std::string::npos)
      << run.result.err;
  EXPECT_TRUE(run.only_outputs_written) << run.unexpected_files;
}

TEST(HostileOutputs, FifoWithAReaderGetsTheWholeDocument) {
  TempDir dir;
  fs::create_directories(dir / "out");
  const fs::path fifo = dir / "out" / "audit.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Open for reading and writing, so that neither this open nor the tool's waits; the
  // document is far smaller than the pipe's buffer.
  const int reader = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ToolRunOptions options;
  options.out = fifo;
  options.contact_sheet = false;
  const ToolRun run = run_tool_on(dir, small_world(), options);
  std::string received;
  char buffer[4096];
  for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;) received.append(buffer, static_cast<std::size_t>(n));
  ::close(reader);
  EXPECT_EQ(run.result.exit_status, 0) << run.result.err;
  EXPECT_TRUE(nlohmann::json::accept(received)) << received;
  EXPECT_EQ(nlohmann::json::parse(received)["total_surfaces"], 4);
}

// ---- a sheet larger than the memory it may use ----

// 4 tiles of 5000 pixels make a sheet of 300 MB under a cap of 256 MiB: it can only be
// written by streaming it, from the surfaces' images (which are far smaller than a tile).
TEST(LargeSheet, StreamsUnderAMemoryCapSmallerThanItself) {
  TempDir dir;
  place_previous_outputs(dir);
  ToolRunOptions options;
  options.sheet_args = {"--tile", "5000", "--cols", "1"};
  options.memory_bytes = 256 * kMiB;
  const ToolRun run = run_tool_on(dir, small_world(), options);
  expect_clean_end(dir, run);
  ASSERT_EQ(run.result.exit_status, 0) << run.result.err;
  EXPECT_EQ(fs::file_size(dir / "out" / "sheet.ppm"), std::string_view("P6\n5000 20000\n255\n").size() + 300000000u);
}

// ---- memory capped far below what a run needs ----

// Somewhere in this range allocations start to fail at every step of a run, from parsing
// the command line to writing the sheet; each run still ends with 0 or an error, its
// outputs whole or as they were.
TEST(TinyMemory, EveryCapEndsTheRunCleanly) {
#ifdef QUILLFEN_SANITIZED
  GTEST_SKIP() << "needs an address-space cap, which sanitizers cannot run under";
#endif
  int failed = 0;
  for (std::uint64_t cap = 6 * kMiB; cap <= 24 * kMiB; cap += kMiB) {
    SCOPED_TRACE(fmt::format("{} MiB", cap / kMiB));
    TempDir dir;
    place_previous_outputs(dir);
    ToolRunOptions options;
    options.memory_bytes = cap;
    const ToolRun run = run_tool_on(dir, small_world(), options);
    // Under the smallest caps the program cannot even be loaded.
    if (run.result.exit_status == 127 && run.result.err.find("error while loading shared libraries") != std::string::npos) {
      continue;
    }
    expect_clean_end(dir, run);
    failed += run.result.exit_status == 1 ? 1 : 0;
  }
  EXPECT_GT(failed, 0) << "no cap was small enough to matter";
}

// ---- both outputs at one path ----

struct SharedPathCase {
  const char* name;
  const char* sheet;  // relative to the run's directory; --out is out/audit.json
};

void PrintTo(const SharedPathCase& c, std::ostream* os) { *os << c.name; }

class SharedOutputPath : public ::testing::TestWithParam<SharedPathCase> {};

// The sheet would replace the document it follows: refused before any work, the earlier
// document kept.
TEST_P(SharedOutputPath, IsRefusedBeforeAnyWork) {
  TempDir dir;
  place_previous_outputs(dir);
  ToolRunOptions options;
  options.sheet = dir / GetParam().sheet;
  const ToolRun run = run_tool_on(dir, small_world(), options);
  EXPECT_EQ(run.result.exit_status, 1);
  EXPECT_EQ(run.result.err, fmt::format("Error: refusing to write the contact sheet to {}: it is the --out path {}\n",
                                        options.sheet->string(), (dir / "out" / "audit.json").string()));
  EXPECT_EQ(read_text(dir / "out" / "audit.json"), kPreviousJson);
  EXPECT_TRUE(run.only_outputs_written) << run.unexpected_files;
}

INSTANTIATE_TEST_SUITE_P(Spellings, SharedOutputPath,
                         ::testing::Values(SharedPathCase{"SamePath", "out/audit.json"},
                                           SharedPathCase{"ThroughParent", "out/../out/audit.json"},
                                           SharedPathCase{"ThroughDot", "./out/./audit.json"}),
                         [](const auto& test) { return std::string(test.param.name); });

// A device is no file that one output could destroy for the other.
TEST(SharedOutputPath, BothToDevNullIsFine) {
  TempDir dir;
  ToolRunOptions options;
  options.out = "/dev/null";
  options.sheet = "/dev/null";
  const ToolRun run = run_tool_on(dir, small_world(), options);
  EXPECT_EQ(run.result.exit_status, 0) << run.result.err;
}

}  // namespace
}  // namespace quillfen::testing
