// quillfen-world-audit as a separate process on the small sample world, held against
// surface-classify-audit: every landblock's document must be byte for byte the single
// tool's, and every output must be the same bytes whatever the number of threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::world {
namespace {

using testing::ProcessResult;
using testing::read_file_bytes;
using testing::run_process;
using testing::TempDir;

const std::string kWorldAudit = QUILLFEN_WORLD_AUDIT_TOOL;
const std::string kAudit = QUILLFEN_AUDIT_TOOL;
const std::filesystem::path kWorld = QUILLFEN_SAMPLE_WORLD_DIR;
const std::string kPortal = (kWorld / "client_portal.dat").string();
const std::string kCell = (kWorld / "client_cell_1.dat").string();
constexpr const char* kOutputs[] = {"world.json", "surfaces.json", "warnings.json", "material-map.png",
                                    "colour-map.png"};

ProcessResult world_audit(std::vector<std::string> args) {
  std::vector<std::string> all{"--portal-dat", kPortal, "--cell-dat", kCell};
  all.insert(all.end(), args.begin(), args.end());
  return run_process(kWorldAudit, all);
}

nlohmann::json read_json(const std::filesystem::path& path) {
  const auto bytes = read_file_bytes(path);
  return nlohmann::json::parse(bytes.begin(), bytes.end());
}

std::string text_of(const std::filesystem::path& path) {
  const auto bytes = read_file_bytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// One whole-world run with every landblock's document, shared by the suite.
class WorldAuditE2eTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    run_ = world_audit({"--out-dir", out().string(), "--per-landblock", "--jobs", "2"});
  }
  static void TearDownTestSuite() { dir_.reset(); }
  static std::filesystem::path out() { return dir_->path() / "two-threads"; }

  static inline std::unique_ptr<TempDir> dir_;
  static inline ProcessResult run_;
};

TEST_F(WorldAuditE2eTest, EveryLandblockDocumentIsTheSingleToolsDocument) {
  ASSERT_EQ(run_.exit_status, 0) << run_.err;
  const nlohmann::json world = read_json(out() / "world.json");
  ASSERT_EQ(world["landblock_count"], 121);
  std::size_t compared = 0;
  for (const auto& row : world["landblocks"]) {
    const std::string key = row["landblock"];
    const auto single = dir_->path() / ("single-" + key + ".json");
    const ProcessResult audit =
        run_process(kAudit, {"--portal-dat", kPortal, "--cell-dat", kCell, "--landblock", key, "--out", single.string()});
    ASSERT_EQ(audit.exit_status, 0) << audit.err;
    EXPECT_EQ(read_file_bytes(out() / "landblocks" / (key.substr(2) + ".json")), read_file_bytes(single)) << key;
    ++compared;
  }
  EXPECT_EQ(compared, 121u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out() / "landblocks"), {}), 121);
}

TEST_F(WorldAuditE2eTest, OneThreadWritesTheSameBytes) {
  const auto one = dir_->path() / "one-thread";
  const ProcessResult single_thread = world_audit({"--out-dir", one.string(), "--per-landblock", "--jobs", "1"});
  ASSERT_EQ(single_thread.exit_status, 0) << single_thread.err;
  for (const char* name : kOutputs) EXPECT_EQ(read_file_bytes(one / name), read_file_bytes(out() / name)) << name;
  for (const auto& entry : std::filesystem::directory_iterator(out() / "landblocks")) {
    EXPECT_EQ(read_file_bytes(one / "landblocks" / entry.path().filename()), read_file_bytes(entry.path()));
  }
}

TEST_F(WorldAuditE2eTest, TheDocumentsAgreeWithEachOther) {
  const nlohmann::json world = read_json(out() / "world.json");
  const nlohmann::json surfaces = read_json(out() / "surfaces.json");
  const nlohmann::json warnings = read_json(out() / "warnings.json");
  EXPECT_EQ(world["format_version"], 1);
  EXPECT_EQ(world["tool"], "quillfen-world-audit");
  EXPECT_EQ(world["portal_dat"], kPortal);
  EXPECT_EQ(world["unique_surfaces"], 248);
  EXPECT_EQ(world["decoded"], 244);
  EXPECT_EQ(world["failed"], 4);
  EXPECT_EQ(surfaces["total_surfaces"], 244);
  EXPECT_EQ(surfaces["surfaces"].size(), 244u);
  EXPECT_EQ(warnings["total_failed"], 4);

  // The world's histogram counts unique surfaces; each row counts its own.
  std::uint64_t histogram = 0;
  for (const auto& [name, count] : world["category_counts"].items()) histogram += count.get<std::uint64_t>();
  EXPECT_EQ(histogram, 244u);
  std::map<std::string, std::uint64_t> uses;  // landblock -> surfaces naming it, decoded or not
  for (const auto* list : {&surfaces["surfaces"], &warnings["warnings"]}) {
    for (const auto& surface : *list) {
      std::string previous;
      for (const std::string key : surface["landblocks"]) {
        EXPECT_LT(previous, key);
        previous = key;
        ++uses[key];
      }
    }
  }
  for (const auto& row : world["landblocks"]) {
    EXPECT_EQ(row["surfaces"], row["decoded"].get<std::uint64_t>() + row["failed"].get<std::uint64_t>());
    EXPECT_EQ(uses[row["landblock"]], row["surfaces"]);
    std::uint64_t best = 0;
    for (const auto& [name, count] : row["category_counts"].items()) best = std::max(best, count.get<std::uint64_t>());
    if (row["decoded"] == 0) {
      EXPECT_TRUE(row["dominant_category"].is_null());
    } else {
      EXPECT_EQ(row["category_counts"][row["dominant_category"].get<std::string>()], best);
    }
  }
  // The four surfaces of the town broken on purpose, each with its reason.
  std::set<std::string> reasons;
  for (const auto& warning : warnings["warnings"]) {
    EXPECT_EQ(warning["landblocks"], nlohmann::json::array({"0xA9B4"}));
    reasons.insert(warning["reason"].get<std::string>());
  }
  EXPECT_EQ(reasons.count("SurfaceTexture 0x05000181: lists no textures"), 1u);
  for (const char* name : {"world.json", "surfaces.json", "warnings.json"}) {
    EXPECT_TRUE(text_of(out() / name).ends_with("}\n")) << name;
  }
}

TEST_F(WorldAuditE2eTest, TheConsoleShowsTheLoadingLinesPhasesAndSummary) {
  std::istringstream lines(run_.err);
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) got.push_back(line);
  ASSERT_GE(got.size(), 12u);
  EXPECT_EQ(got[0], "Loading portal dat: " + kPortal);
  EXPECT_EQ(got[1], "  portal files: 1075");
  EXPECT_EQ(got[2], "Loading cell dat: " + kCell);
  EXPECT_EQ(got[3], "  cell files: 4434");
  EXPECT_EQ(got[4], "Discovering surfaces of 121 landblocks on 2 threads...");
  EXPECT_EQ(got[5], "  found 248 unique surface DIDs");
  EXPECT_EQ(got[6], "Decoding 248 surfaces...");
  EXPECT_EQ(got[7], "  decoded 244, failed 4");
  EXPECT_EQ(got[8], "  warn: 4 surfaces failed to decode (reasons in warnings.json)");
  EXPECT_EQ(got[9], "Writing outputs to " + out().string() + "...");
  EXPECT_NE(run_.err.find("\nSummary:\n  landblocks:      121\n  unique surfaces: 248\n  decoded:         244\n"
                          "  failed:          4\nCategory histogram:\n"),
            std::string::npos);
  EXPECT_TRUE(got.back().starts_with("Wrote " + out().string() + ": world.json, surfaces.json")) << got.back();
  EXPECT_TRUE(run_.out.empty());
}

TEST(WorldAuditCliTest, QuietPrintsNothingAndListPrintsThePresentLandblocks) {
  TempDir dir;
  const ProcessResult quiet = world_audit({"--out-dir", (dir / "q").string(), "--quiet", "--landblocks", "A9B4"});
  EXPECT_EQ(quiet.exit_status, 0);
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(read_json(dir / "q" / "world.json")["landblock_count"], 1);

  const ProcessResult list = world_audit({"--list"});
  ASSERT_EQ(list.exit_status, 0) << list.err;
  std::istringstream lines(list.out);
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) got.push_back(line);
  EXPECT_EQ(got.size(), 121u);
  EXPECT_NE(std::find_if(got.begin(), got.end(), [](const std::string& l) { return l.starts_with("0xA9B4 cells="); }),
            got.end());
  EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
  EXPECT_FALSE(std::filesystem::exists(dir / "world.json"));
}

TEST(WorldAuditCliTest, AKeyThatIsNotPresentIsAuditedWithNoSurfaces) {
  TempDir dir;
  const ProcessResult run = world_audit({"--out-dir", dir.path().string(), "--landblocks", "0x0000", "--per-landblock"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const nlohmann::json world = read_json(dir / "world.json");
  EXPECT_EQ(world["landblocks"][0]["surfaces"], 0);
  EXPECT_TRUE(world["landblocks"][0]["dominant_category"].is_null());
  EXPECT_EQ(read_json(dir / "landblocks" / "0000.json")["total_surfaces"], 0);
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::string err;
};

class WorldAuditUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(WorldAuditUsageTest, ExitStatusAndMessage) {
  const ProcessResult run = run_process(kWorldAudit, GetParam().args);
  EXPECT_EQ(run.exit_status, GetParam().status);
  EXPECT_EQ(run.err, GetParam().err);
}

const std::string kUsageTail = "Usage: quillfen-world-audit [OPTIONS] --out-dir DIR\nRun with --help for more information.\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, WorldAuditUsageTest,
    ::testing::Values(
        UsageCase{"NoOutDir", {}, 2, "error: --out-dir is required\n" + kUsageTail},
        UsageCase{"BadList",
                  {"--out-dir", "x", "--landblocks", "A9B4,Z"},
                  2,
                  "error: --landblocks: invalid item 'Z': expected a key of 1 to 4 hexadecimal digits (A9B4) or an "
                  "inclusive range (A000-A0FF)\n" +
                      kUsageTail},
        UsageCase{"NoJobs",
                  {"--out-dir", "x", "--jobs", "0"},
                  2,
                  "error: --jobs: invalid value '0': expected a whole number from 1 to 1024\n" + kUsageTail},
        UsageCase{"MissingPortal",
                  {"--out-dir", "x", "--portal-dat", "/nonexistent/portal.dat", "--cell-dat", "/nonexistent/cell.dat"},
                  1,
                  "Loading portal dat: /nonexistent/portal.dat\nError: Failed to open file at /nonexistent/portal.dat: "
                  "No such file or directory\n\nCaused by:\n    No such file or directory\n"}),
    [](const ::testing::TestParamInfo<UsageCase>& c) { return std::string(c.param.name); });

TEST(WorldAuditCliTest, VersionAndHelpGoToStandardOutput) {
  const ProcessResult version = run_process(kWorldAudit, {"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.out, std::string("quillfen-world-audit ") + QUILLFEN_PROJECT_VERSION + "\n");
  const ProcessResult help = run_process(kWorldAudit, {"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.out.find("--per-landblock"), std::string::npos);
  EXPECT_EQ(help.err, "");
}

}  // namespace
}  // namespace quillfen::world
