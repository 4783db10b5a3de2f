// What a run writes: the DATs are only read (read-only files, bytes and times unchanged),
// the outputs get mode 0666 less the umask, and a run that fails leaves exactly the files
// its failure point allows: the JSON before a failed sheet, nothing after a failed JSON.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "robustness/damaged_world.hpp"
#include "robustness/tool_run.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::testing {
namespace {

namespace fs = std::filesystem;

const DatImages& world() {
  static const DatImages images = build_world();
  return images;
}

mode_t mode_of(const fs::path& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(Outputs, ReadOnlyDatsAreOpenedAndLeftAsTheyWere) {
  TempDir dir;
  const ToolRun run = run_tool_on(dir, world());
  ASSERT_EQ(run.result.exit_status, 0) << run.result.err;
  EXPECT_TRUE(run.dats_unchanged);
  EXPECT_TRUE(run.only_outputs_written) << run.unexpected_files;
  EXPECT_EQ(mode_of(dir / "portal.dat"), 0444u);
}

struct UmaskCase {
  mode_t umask;
  mode_t expected;
};

class OutputMode : public ::testing::TestWithParam<UmaskCase> {};

TEST_P(OutputMode, IsReadWriteForAllLessTheUmask) {
  TempDir dir;
  ToolRunOptions options;
  options.umask = GetParam().umask;
  const ToolRun run = run_tool_on(dir, world(), options);
  ASSERT_EQ(run.result.exit_status, 0) << run.result.err;
  EXPECT_EQ(mode_of(dir / "out" / "audit.json"), GetParam().expected);
  EXPECT_EQ(mode_of(dir / "out" / "sheet.ppm"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Umasks, OutputMode,
                         ::testing::Values(UmaskCase{0, 0666}, UmaskCase{022, 0644}, UmaskCase{027, 0640},
                                           UmaskCase{077, 0600}));

// A failure at each step, and the files it must leave.
struct FailureCase {
  const char* name;
  std::function<void(const TempDir&, DatImages&, ToolRunOptions&)> arrange;
  bool json_written;   // out/audit.json holds the complete document
  bool sheet_path_is_file;
};

class FailedRun : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailedRun, LeavesOnlyWhatItsStepAllows) {
  TempDir dir;
  DatImages images = world();
  ToolRunOptions options;
  GetParam().arrange(dir, images, options);
  const ToolRun run = run_tool_on(dir, images, options);
  EXPECT_EQ(run.result.exit_status, 1) << run.result.err;
  EXPECT_TRUE(run.dats_unchanged);
  EXPECT_TRUE(run.only_outputs_written) << run.unexpected_files;
  const fs::path json = dir / "out" / "audit.json";
  if (GetParam().json_written) {
    EXPECT_TRUE(nlohmann::json::accept(read_text(json)));
  } else {
    EXPECT_FALSE(fs::is_regular_file(json));
  }
  EXPECT_EQ(fs::is_regular_file(dir / "out" / "sheet.ppm"), GetParam().sheet_path_is_file);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FailedRun,
    ::testing::Values(
        FailureCase{"CellDatUnreadable", [](const TempDir&, DatImages& images, ToolRunOptions&) { images.cell.clear(); },
                    false, false},
        FailureCase{"JsonPathIsADirectory",
                    [](const TempDir& dir, DatImages&, ToolRunOptions&) {
                      fs::create_directories(dir / "out" / "audit.json");
                    },
                    false, false},
        FailureCase{"SheetPathIsADirectory",
                    [](const TempDir& dir, DatImages&, ToolRunOptions&) {
                      fs::create_directories(dir / "out" / "sheet.ppm");
                    },
                    true, false},
        FailureCase{"SheetTooLarge",
                    [](const TempDir&, DatImages&, ToolRunOptions& options) {
                      options.sheet_args = {"--tile", "65536", "--cols", "65536"};
                    },
                    true, false}),
    [](const auto& step) { return std::string(step.param.name); });

// An output path that is one of the DATs under another name is refused, not truncated:
// the DATs are never written, even when the user mixes up the paths.
struct DatAsOutputCase {
  const char* name;
  const char* output;  // the output made a link to the DAT
  const char* dat;
  bool json_written;
};

class DatAsOutput : public ::testing::TestWithParam<DatAsOutputCase> {};

TEST_P(DatAsOutput, IsRefusedAndTheDatKept) {
  TempDir dir;
  fs::create_directories(dir / "out");
  fs::create_symlink(dir / GetParam().dat, dir / "out" / GetParam().output);
  const ToolRun run = run_tool_on(dir, world());
  EXPECT_EQ(run.result.exit_status, 1) << run.result.err;
  EXPECT_NE(run.result.err.find("Error: refusing to write"), std::string::npos) << run.result.err;
  EXPECT_TRUE(run.dats_unchanged);
  if (GetParam().json_written) {
    EXPECT_TRUE(nlohmann::json::accept(read_text(dir / "out" / "audit.json")));
  }
}

INSTANTIATE_TEST_SUITE_P(Links, DatAsOutput,
                         ::testing::Values(DatAsOutputCase{"JsonIsTheCellDat", "audit.json", "cell.dat", false},
                                           DatAsOutputCase{"SheetIsThePortalDat", "sheet.ppm", "portal.dat", true}),
                         [](const auto& link) { return std::string(link.param.name); });

}  // namespace
}  // namespace quillfen::testing
