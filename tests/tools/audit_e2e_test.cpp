// The surface-classify-audit binary run as a separate process: exit status, standard
// output and every standard error line.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "quillfen/dat/write/dat_writer.hpp"
#include "support/process.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::audit {
namespace {

using testing::run_process;
using testing::TempDir;

const std::string kTool = QUILLFEN_AUDIT_TOOL;

void write_dat(const std::filesystem::path& path, std::uint32_t first_id, std::uint32_t count) {
  auto writer = dat::write::DatWriter::create(path, {.block_size = 256});
  ASSERT_TRUE(writer);
  const std::vector<std::uint8_t> data = {1, 2, 3};
  for (std::uint32_t i = 0; i < count; ++i) ASSERT_TRUE(writer->add_file(first_id + i, data));
  ASSERT_TRUE(writer->finish());
}

class AuditE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write_dat(dir_ / "portal.dat", 0x01000000, 120);
    write_dat(dir_ / "cell.dat", 0x12340001, 7);
  }
  std::vector<std::string> args(std::vector<std::string> extra) const {
    std::vector<std::string> all = {"--portal-dat", (dir_ / "portal.dat").string(), "--cell-dat",
                                    (dir_ / "cell.dat").string(), "--out", (dir_ / "out.json").string()};
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
  }
  TempDir dir_;
};

TEST_F(AuditE2eTest, HelpPrintsToStandardOutput) {
  const auto r = run_process(kTool, {"--help"});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_NE(r.out.find("--portal-dat PORTAL_DAT"), std::string::npos);
  EXPECT_EQ(r.err, "");
}

TEST_F(AuditE2eTest, UsageErrorsExitTwoBeforeAnythingElse) {
  for (const auto& extra : std::vector<std::vector<std::string>>{{"--tile", "0x10"}, {"--bogus"}, {"stray"}}) {
    const auto r = run_process(kTool, args(extra));
    EXPECT_EQ(r.exit_status, 2) << extra[0];
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Usage: quillfen-tools"), std::string::npos);
    EXPECT_EQ(r.err.find("Loading"), std::string::npos);
  }
  const auto no_out = run_process(kTool, {});
  EXPECT_EQ(no_out.exit_status, 2);
}

TEST_F(AuditE2eTest, BadLandblockEndsTheRunBeforeAnyDatIsOpened) {
  const auto r = run_process(kTool, args({"--landblock", "-1"}));
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.err, "Error: parse hex landblock\n\nCaused by:\n    invalid digit found in string\n");
}

TEST_F(AuditE2eTest, PrintsTheLoadingLinesWithFileCounts) {
  const auto r = run_process(kTool, args({}));
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(r.err.starts_with("Loading portal dat: " + (dir_ / "portal.dat").string() + "\n  portal files: 120\n" +
                                "Loading cell dat: " + (dir_ / "cell.dat").string() + "\n  cell files: 7\n"))
      << r.err;
}

TEST_F(AuditE2eTest, MissingPortalDatStopsBeforeTheCellDat) {
  const auto missing = (dir_ / "absent.dat").string();
  const auto r = run_process(kTool, {"--portal-dat", missing, "--cell-dat", (dir_ / "cell.dat").string(), "--out",
                                     (dir_ / "o.json").string()});
  EXPECT_EQ(r.exit_status, 1);
  const std::string system_text = std::strerror(ENOENT);
  EXPECT_EQ(r.err, "Loading portal dat: " + missing + "\nError: Failed to open file at " + missing + ": " +
                       system_text + "\n\nCaused by:\n    " + system_text + "\n");
}

TEST_F(AuditE2eTest, TruncatedCellDatReportsTheHeaderField) {
  testing::write_file_bytes(dir_ / "short.dat", std::vector<std::uint8_t>(399, 0));
  const auto r = run_process(kTool, {"--portal-dat", (dir_ / "portal.dat").string(), "--cell-dat",
                                     (dir_ / "short.dat").string(), "--out", (dir_ / "o.json").string()});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_NE(r.err.find("Error: Binary read error: failed to fill whole buffer (While parsing field 'version_minor' in "
                       "DatHeader)\n\nCaused by:\n    0: "),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(r.err.ends_with("    1: failed to fill whole buffer\n"));
}

}  // namespace
}  // namespace quillfen::audit
