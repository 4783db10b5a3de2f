// The sample world end to end: quillfen-sample-world writes the small world into a temp
// directory, then surface-classify-audit runs on it as a separate process. The audit must
// find exactly the town's surfaces, give each the category its material was designed
// for, warn once for each surface broken on purpose, and draw the contact sheet; the
// generator must give the same bytes for the same seed.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "quillfen/dat/surface_classify.hpp"
#include "quillfen/version.hpp"
#include "sample-world/surfaces.hpp"
#include "sample-world/town.hpp"
#include "support/process.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::sample {
namespace {

using quillfen::testing::ProcessResult;
using quillfen::testing::read_file_bytes;
using quillfen::testing::run_process;
using quillfen::testing::TempDir;

const std::string kGenerator = QUILLFEN_SAMPLE_WORLD_TOOL;
const std::string kAudit = QUILLFEN_AUDIT_TOOL;
constexpr std::uint64_t kSeed = 1;

ProcessResult generate(const std::filesystem::path& dir, std::uint64_t seed) {
  return run_process(kGenerator, {"--out-dir", dir.string(), "--seed", std::to_string(seed)});
}

std::vector<std::string> lines_starting_with(const std::string& text, std::string_view prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(prefix)) lines.push_back(line);
  }
  return lines;
}

std::uint32_t parse_did(const std::string& did) { return static_cast<std::uint32_t>(std::stoul(did, nullptr, 16)); }

// One world and one audit of it for the whole suite: generating takes most of the time.
class SampleWorldE2eTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    generated_ = generate(world(), kSeed);
    audited_ = run_process(kAudit, {"--portal-dat", portal().string(), "--cell-dat", cell().string(), "--out",
                                    (dir_->path() / "audit.json").string(), "--contact-sheet", sheet().string()});
    if (audited_.exit_status == 0) {
      std::ifstream in(dir_->path() / "audit.json");
      doc_ = nlohmann::json::parse(in, nullptr, false);
    }
  }
  static void TearDownTestSuite() { dir_.reset(); }

  static std::filesystem::path world() { return dir_->path() / "world"; }
  static std::filesystem::path portal() { return world() / "client_portal.dat"; }
  static std::filesystem::path cell() { return world() / "client_cell_1.dat"; }
  static std::filesystem::path sheet() { return dir_->path() / "sheet.ppm"; }

  static inline std::unique_ptr<TempDir> dir_;
  static inline ProcessResult generated_;
  static inline ProcessResult audited_;
  static inline nlohmann::json doc_;
};

// Under CTest every test runs in its own process and generates its own world, so the
// checks that share one world are grouped into few tests.
TEST_F(SampleWorldE2eTest, GeneratesBothDatsAndTheAuditRunsThrough) {
  ASSERT_EQ(generated_.exit_status, 0) << generated_.err;
  EXPECT_EQ(generated_.err, "");
  EXPECT_NE(generated_.out.find("Wrote " + portal().string() + ": "), std::string::npos) << generated_.out;
  EXPECT_NE(generated_.out.find("Wrote " + cell().string() + ": "), std::string::npos) << generated_.out;

  ASSERT_EQ(audited_.exit_status, 0) << audited_.err;
  ASSERT_TRUE(doc_.is_object());
  EXPECT_EQ(doc_["total_surfaces"].get<std::size_t>(), doc_["surfaces"].size());
  // The contact sheet: ten 64-pixel tiles a row, one tile per decoded surface.
  const std::vector<std::uint8_t> bytes = read_file_bytes(sheet());
  const std::size_t tiles = doc_["surfaces"].size();
  const std::size_t width = 10 * 64;
  const std::size_t height = (tiles + 9) / 10 * 64;
  const std::string header = fmt::format("P6\n{} {}\n255\n", width, height);
  ASSERT_GE(bytes.size(), header.size());
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(header.size())), header);
  EXPECT_EQ(bytes.size(), header.size() + width * height * 3);
}

TEST_F(SampleWorldE2eTest, AuditFindsTheTownsSurfacesEachInItsDesignedCategory) {
  ASSERT_TRUE(doc_.is_object()) << audited_.err;
  const std::vector<std::uint32_t> expected = town_surface_ids(build_town(kSeed));
  EXPECT_NE(audited_.err.find(fmt::format("  found {} unique surface DIDs\n", expected.size())), std::string::npos)
      << audited_.err;

  std::set<std::uint32_t> seen;
  std::set<std::string> categories;
  for (const auto& surface : doc_["surfaces"]) {
    const std::string did = surface["did"].get<std::string>();
    seen.insert(parse_did(did));
    const SurfaceDesign* design = find_surface(static_cast<std::uint16_t>(parse_did(did) & 0xFFFF));
    ASSERT_NE(design, nullptr) << did;
    const auto category = expected_surface_category(*design);
    ASSERT_TRUE(category.has_value()) << did << " was meant to fail";
    EXPECT_EQ(surface["category"].get<std::string>(), dat::surface_classify::display_name(*category)) << design->name;
    EXPECT_EQ(surface["surface_type"].get<std::uint32_t>(), surface_type(*design)) << design->name;
    // The audit decodes the last texture listed, which has the surface's full size.
    const std::uint32_t size = design->kind == SurfaceKind::Solid ? 1 : design->size;
    EXPECT_EQ(surface["width"].get<std::uint32_t>(), size) << design->name;
    EXPECT_EQ(surface["height"].get<std::uint32_t>(), size) << design->name;
    EXPECT_EQ(surface["solid"].get<bool>(), design->kind == SurfaceKind::Solid) << design->name;
    categories.insert(surface["category"].get<std::string>());
  }
  for (const std::string& line : lines_starting_with(audited_.err, "  warn: surface ")) {
    seen.insert(parse_did(line.substr(std::string_view("  warn: surface ").size(), 10)));
  }
  // Decoded or warned about, every surface of the town and nothing else.
  EXPECT_EQ(std::vector<std::uint32_t>(seen.begin(), seen.end()), expected);
  EXPECT_GE(categories.size(), 9u);
  // Every category the classifier can give turns up in the town.
  EXPECT_EQ(categories, (std::set<std::string>{"Dirt", "Foliage", "Generic", "Lava", "Metal", "Sand", "Snow", "Stone",
                                               "Water", "Wood"}));
}

TEST_F(SampleWorldE2eTest, WarnsOnceForEachBrokenSurfaceInIdOrder) {
  ASSERT_EQ(audited_.exit_status, 0) << audited_.err;
  std::vector<std::string> expected;
  for (const std::uint32_t id : town_surface_ids(build_town(kSeed))) {
    const SurfaceDesign* design = find_surface(static_cast<std::uint16_t>(id & 0xFFFF));
    ASSERT_NE(design, nullptr);
    if (!expected_surface_category(*design))
      expected.push_back(fmt::format("  warn: surface 0x{:08X} failed to decode", id));
  }
  EXPECT_EQ(expected.size(), 4u);  // one of each kind of breakage
  EXPECT_EQ(lines_starting_with(audited_.err, "  warn:"), expected);
}

TEST(SampleWorldDeterminismTest, SameSeedGivesTheSameBytesAnotherSeedOthers) {
  const TempDir first;
  const TempDir again;
  const TempDir other;
  ASSERT_EQ(generate(first.path(), kSeed).exit_status, 0);
  ASSERT_EQ(generate(again.path(), kSeed).exit_status, 0);
  ASSERT_EQ(generate(other.path(), kSeed + 1).exit_status, 0);
  for (const char* name : {"client_portal.dat", "client_cell_1.dat"}) {
    const auto bytes = read_file_bytes(first.path() / name);
    EXPECT_TRUE(read_file_bytes(again.path() / name) == bytes) << name;
    // New textures in the portal DAT, new placements in the cell DAT.
    EXPECT_FALSE(read_file_bytes(other.path() / name) == bytes) << name;
  }
}

struct CommandLineCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  const char* err_prefix;
};

class SampleWorldCommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(SampleWorldCommandLineTest, ExitStatusAndMessage) {
  const TempDir dir;
  // A plain file where a directory is wanted makes the run itself fail.
  const std::vector<std::uint8_t> blocker = {'x'};
  quillfen::testing::write_file_bytes(dir / "file", blocker);
  std::vector<std::string> args;
  for (const std::string& arg : GetParam().args) {
    args.push_back(arg == "FILE/sub" ? (dir / "file" / "sub").string() : arg == "DIR" ? (dir / "w").string() : arg);
  }
  const ProcessResult r = run_process(kGenerator, args);
  EXPECT_EQ(r.exit_status, GetParam().status) << r.err;
  EXPECT_TRUE(r.err.starts_with(GetParam().err_prefix)) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "w" / "client_portal.dat"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SampleWorldCommandLineTest,
    ::testing::Values(CommandLineCase{"NoOutDir", {}, 2, "error: "},
                      CommandLineCase{"UnknownOption", {"--out-dir", "DIR", "--colour"}, 2, "error: "},
                      CommandLineCase{"SeedNotANumber", {"--out-dir", "DIR", "--seed", "12ab"}, 2, "error: --seed"},
                      CommandLineCase{
                          "SeedTooLarge", {"--out-dir", "DIR", "--seed", "18446744073709551616"}, 2, "error: --seed"},
                      CommandLineCase{"UnknownScale", {"--out-dir", "DIR", "--scale", "huge"}, 2, "error: --scale"},
                      CommandLineCase{"OutDirUnderAFile", {"--out-dir", "FILE/sub"}, 1, "Error: create directory "}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SampleWorldHelpTest, HelpGoesToStandardOutput) {
  const ProcessResult r = run_process(kGenerator, {"--help"});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_NE(r.out.find("--out-dir DIR"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("--scale SCALE"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("--version"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

// The version of the project, as the generated header and the library both give it; no
// world is written and no other option is needed.
TEST(SampleWorldHelpTest, VersionGoesToStandardOutput) {
  ASSERT_EQ(std::string_view(QUILLFEN_VERSION_STRING), quillfen::version());
  const ProcessResult r = run_process(kGenerator, {"--version"});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, "quillfen-sample-world " QUILLFEN_VERSION_STRING "\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace quillfen::sample
