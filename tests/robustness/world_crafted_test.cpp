// The whole-world audit on the crafted DAT pairs and in the hostile surroundings of the
// single tool's suite, each run capped at 20 s and 2 GB: it must end by itself with status
// 0 or 1, an "Error:" report on 1, and each of its outputs either complete or the one an
// earlier run left, with no temporary file behind.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "quillfen/dat/utils.hpp"
#include "quillfen/dat/work_budget.hpp"
#include "robustness/crafted_dat.hpp"
#include "robustness/crafted_worlds.hpp"
#include "robustness/tool_run.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kOutputs[] = {"world.json", "surfaces.json", "warnings.json", "material-map.png",
                                         "colour-map.png"};
constexpr std::string_view kPrevious = "previous";
constexpr int kJobs = 2;

ProcessResult run_world(const TempDir& dir, const ToolRunOptions& options = {}, int jobs = kJobs) {
  const std::vector<std::string> args = {"--portal-dat", (dir / "portal.dat").string(), "--cell-dat",
                                         (dir / "cell.dat").string(), "--out-dir", (dir / "out").string(),
                                         "--jobs", std::to_string(jobs)};
  return run_process(QUILLFEN_WORLD_AUDIT_TOOL, args, capped_process_options(options));
}

void place_previous_outputs(const TempDir& dir) {
  fs::create_directories(dir / "out");
  for (const std::string_view name : kOutputs) {
    write_file_bytes(dir / "out" / name, std::span(reinterpret_cast<const std::uint8_t*>(kPrevious.data()), kPrevious.size()));
  }
}

// A JSON document that parses, or a PNG file that ends with its IEND chunk.
bool complete_output(const fs::path& path) {
  const std::string text = read_text(path);
  if (path.extension() == ".json") return nlohmann::json::accept(text);
  constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n";
  constexpr std::string_view kEnd = std::string_view("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  return text.starts_with(kSignature) && text.ends_with(kEnd);
}

void expect_clean_end(const TempDir& dir, const ProcessResult& result) {
  ASSERT_FALSE(result.timed_out) << result.err.substr(0, 2000);
  ASSERT_TRUE(result.exit_status == 0 || result.exit_status == 1)
      << "status " << result.exit_status << "\n" << result.err.substr(0, 4000);
  if (result.exit_status == 1) {
    EXPECT_NE(result.err.find("Error: "), std::string::npos) << result.err;
  }
  for (const std::string_view name : kOutputs) {
    const fs::path path = dir / "out" / name;
    const bool complete = complete_output(path);
    EXPECT_TRUE(complete || read_text(path) == kPrevious) << name;
    if (result.exit_status == 0) {
      EXPECT_TRUE(complete) << name;
    }
  }
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir / "out")) names.push_back(entry.path().filename());
  std::ranges::sort(names);
  std::vector<std::string> expected(std::begin(kOutputs), std::end(kOutputs));
  std::ranges::sort(expected);
  EXPECT_EQ(names, expected);
}

nlohmann::json world_json(const TempDir& dir) { return nlohmann::json::parse(read_text(dir / "out" / "world.json")); }

struct CraftedCase {
  const char* name;
  std::function<void(const fs::path&)> write_dats;
  bool needs_address_space_cap = false;  // see crafted_files_test.cpp
  std::function<void(const TempDir&, const ProcessResult&)> check;
};

void PrintTo(const CraftedCase& c, std::ostream* os) { *os << c.name; }

class WorldOnCraftedDats : public ::testing::TestWithParam<CraftedCase> {};

TEST_P(WorldOnCraftedDats, RunEndsCleanlyWithinTheCaps) {
#ifdef QUILLFEN_SANITIZED
  if (GetParam().needs_address_space_cap) GTEST_SKIP() << "needs an address-space cap, which sanitizers cannot run under";
#endif
  TempDir dir;
  GetParam().write_dats(dir.path());
  place_previous_outputs(dir);
  const ProcessResult result = run_world(dir);
  expect_clean_end(dir, result);
  ASSERT_EQ(result.exit_status, 0) << result.err;
  if (GetParam().check) GetParam().check(dir, result);
}

// Each unique surface is decoded once, but all of them share the chain: the portal's work
// budget pays for as many as the single tool decodes. Once it is spent the run is redone
// on one thread, so exactly those decode, whatever the number of workers.
void check_shared_chain(const TempDir& dir, const ProcessResult& result) {
  const std::uint64_t gfx_bytes = gfx_obj_listing(shared_surface_ids()).size();
  const Bytes stream = zeros_stream(kSharedOutput);
  const std::uint64_t per_surface = stream.size() + dat::utils::lrs_output_limit(stream);
  const std::uint64_t affordable = (dat::default_work_budget(fs::file_size(dir / "portal.dat")) - gfx_bytes) / per_surface;
  const auto doc = world_json(dir);
  EXPECT_EQ(doc["decoded"].get<std::uint64_t>(), affordable);
  EXPECT_EQ(doc["decoded"].get<std::uint64_t>() + doc["failed"].get<std::uint64_t>(), kSharedSurfaces);
  EXPECT_NE(result.err.find("auditing again on one thread"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("warn: the portal DAT's files cost more to read and expand than its work budget"),
            std::string::npos)
      << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Files, WorldOnCraftedDats,
    ::testing::Values(CraftedCase{"LandblockInfoOfTwoGiB", write_landblock_info_of_two_gib, true, {}},
                      CraftedCase{"CompressedSurfaceDeclaringFourGiB", write_surface_declaring_four_gib, true,
                                  [](const TempDir& dir, const ProcessResult&) {
                                    EXPECT_GE(world_json(dir)["decoded"], 1);
                                  }},
                      CraftedCase{"SurfacesSharingOneExpandingChain", write_surfaces_sharing_one_chain, false,
                                  check_shared_chain},
                      CraftedCase{"LoopingChainsOfFourByteBlocks", write_looping_four_byte_blocks, false,
                                  [](const TempDir& dir, const ProcessResult&) {
                                    const auto doc = world_json(dir);
                                    EXPECT_EQ(doc["decoded"], 1);
                                    EXPECT_EQ(doc["failed"], 3);
                                  }}),
    [](const auto& test) { return std::string(test.param.name); });

void write_small_world(const TempDir& dir) {
  write_file_bytes(dir / "portal.dat", small_world().portal);
  write_file_bytes(dir / "cell.dat", small_world().cell);
}

// The outputs of the small world's audit with a working console, to compare against.
std::vector<std::string> outputs_of(const TempDir& dir) {
  std::vector<std::string> texts;
  for (const std::string_view name : kOutputs) {
    std::string text = read_text(dir / "out" / name);
    for (std::size_t at = 0; (at = text.find(dir.path().string(), at)) != std::string::npos;) {
      text.replace(at, dir.path().string().size(), "DIR");
    }
    texts.push_back(std::move(text));
  }
  return texts;
}

// Which lookups a spent budget refuses depends on how the threads meet; the outputs must not.
TEST(WorldOnSpentBudget, OutputsAreTheSameWhateverTheJobs) {
  TempDir one;
  write_surfaces_sharing_one_chain(one.path());
  ASSERT_EQ(run_world(one, {}, 1).exit_status, 0);
  TempDir three;
  write_surfaces_sharing_one_chain(three.path());
  const ProcessResult result = run_world(three, {}, 3);
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(outputs_of(three), outputs_of(one));
}

struct StreamCase {
  const char* name;
  StreamTarget target;
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

class WorldWithUnwritableStandardError : public ::testing::TestWithParam<StreamCase> {};

TEST_P(WorldWithUnwritableStandardError, CompletesWithTheSameOutputs) {
  TempDir reference;
  write_small_world(reference);
  ASSERT_EQ(run_world(reference).exit_status, 0);

  TempDir dir;
  write_small_world(dir);
  place_previous_outputs(dir);
  ToolRunOptions options;
  options.stderr_target = GetParam().target;
  const ProcessResult result = run_world(dir, options);
  expect_clean_end(dir, result);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(outputs_of(dir), outputs_of(reference));
}

INSTANTIATE_TEST_SUITE_P(Streams, WorldWithUnwritableStandardError,
                         ::testing::Values(StreamCase{"Closed", StreamTarget::Closed},
                                           StreamCase{"Full", StreamTarget::DevFull},
                                           StreamCase{"ReaderGone", StreamTarget::BrokenPipe}),
                         [](const auto& test) { return std::string(test.param.name); });

// A file size limit stands in for a full disk: whichever outputs pass it are replaced
// whole, the others keep what an earlier run left.
TEST(WorldOutputs, DiskFullLeavesEachOutputWholeOrAsItWas) {
  TempDir dir;
  write_small_world(dir);
  place_previous_outputs(dir);
  ToolRunOptions options;
  options.file_size_bytes = 512;
  const ProcessResult result = run_world(dir, options);
  expect_clean_end(dir, result);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find("File too large"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace quillfen::testing
