// Writing the report's folder: the page's files exactly as in the source tree, the
// atlases, the data last, what an earlier run left, and the DATs never written.
#include "world-audit/report/report_writer.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "support/temp_dir.hpp"
#include "world-audit/report/report_assets.hpp"
#include "world-audit/report/report_data.hpp"
#include "world-audit/report/thumbnail_atlas.hpp"
#include "world-audit/world_summary.hpp"

namespace quillfen::world {
namespace {

namespace fs = std::filesystem;
using testing::read_file_bytes;
using testing::TempDir;

std::string text_of(const fs::path& path) {
  const auto bytes = read_file_bytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// `count` decoded surfaces used by one landblock, each with its thumbnail sampled.
struct Fixture {
  WorldAudit world;
  WorldSummary summary;
  AuditedPaths paths{"portal.dat", "cell.dat"};
  ThumbnailStore thumbnails;

  explicit Fixture(std::size_t count) : thumbnails(count) {
    AuditedLandblock landblock{0xA9B4, {}};
    for (std::uint32_t i = 0; i < count; ++i) {
      audit::SurfaceAudit audit;
      audit.did = fmt::format("0x{:08X}", 0x08000000 + i);
      audit.category = "Stone";
      audit.width = audit.height = 4;
      world.surfaces.push_back({0x08000000 + i, audit, std::nullopt, "", {0xA9B4}});
      landblock.surfaces.push_back(i);
      dat::SurfaceImage image;
      image.image = {4, 4, std::vector<std::uint8_t>(64, static_cast<std::uint8_t>(i))};
      thumbnails.sample(i, image);
    }
    world.landblocks.push_back(landblock);
    summary = summarize(world);
  }

  ReportInputs inputs() { return {world, summary, paths, thumbnails, "0.0.1"}; }
};

TEST(ReportWriter, WritesEveryPageFileAsItIsInTheSourceTree) {
  TempDir dir;
  Fixture fixture(3);
  ASSERT_TRUE(write_report(dir.path(), fixture.inputs()));
  const fs::path source = QUILLFEN_REPORT_SOURCE_DIR;
  std::set<std::string> in_source;
  for (const auto& entry : fs::recursive_directory_iterator(source)) {
    if (entry.is_regular_file()) in_source.insert(fs::relative(entry.path(), source).generic_string());
  }
  std::set<std::string> embedded;
  for (const EmbeddedFile& asset : report_assets()) {
    embedded.insert(std::string(asset.path));
    EXPECT_EQ(read_file_bytes(dir / "report" / asset.path), read_file_bytes(source / asset.path)) << asset.path;
  }
  EXPECT_EQ(embedded, in_source) << "every file of the report's source folder is built into the program";
}

TEST(ReportWriter, ThePageLoadsEveryScriptItIsGivenAndTheData) {
  TempDir dir;
  Fixture fixture(1);
  ASSERT_TRUE(write_report(dir.path(), fixture.inputs()));
  const std::string page = text_of(dir / "report" / "index.html");
  EXPECT_NE(page.find("<script src=\"report-data.js\"></script>"), std::string::npos);
  for (const EmbeddedFile& asset : report_assets()) {
    if (asset.path.ends_with(".js")) {
      EXPECT_NE(page.find(fmt::format("<script src=\"{}\"></script>", asset.path)), std::string::npos) << asset.path;
    }
  }
  for (const char* name : {"report-data.js", "report-uses.js", "material-map.png", "colour-map.png", "thumbs/atlas-000.png"}) {
    EXPECT_TRUE(fs::is_regular_file(dir / "report" / name)) << name;
  }
}

TEST(ReportWriter, WritesOneAtlasPer1024ThumbnailsAndReleasesThem) {
  TempDir dir;
  Fixture fixture(kThumbnailsPerAtlas + 1);
  ASSERT_EQ(fixture.thumbnails.size(), kThumbnailsPerAtlas + 1);
  ASSERT_TRUE(write_report(dir.path(), fixture.inputs()));
  EXPECT_TRUE(fs::is_regular_file(dir / "report/thumbs/atlas-000.png"));
  EXPECT_TRUE(fs::is_regular_file(dir / "report/thumbs/atlas-001.png"));
  EXPECT_FALSE(fs::exists(dir / "report/thumbs/atlas-002.png"));
  EXPECT_EQ(fixture.thumbnails.size(), 0u);
  const auto png = read_file_bytes(dir / "report/thumbs/atlas-001.png");
  ASSERT_GE(png.size(), 24u);
  // The header's width and height, big-endian at bytes 16 and 20: one row of cells.
  const auto be32 = [&](std::size_t at) {
    return std::uint32_t{png[at]} << 24 | std::uint32_t{png[at + 1]} << 16 | std::uint32_t{png[at + 2]} << 8 | png[at + 3];
  };
  EXPECT_EQ(be32(16), kAtlasColumns * kAtlasCell);
  EXPECT_EQ(be32(20), kAtlasCell);
}

TEST(ReportWriter, AWorldWithNothingDecodedHasNoAtlas) {
  TempDir dir;
  Fixture fixture(0);
  ASSERT_TRUE(write_report(dir.path(), fixture.inputs()));
  EXPECT_TRUE(fs::is_regular_file(dir / "report/report-data.js"));
  EXPECT_TRUE(fs::is_empty(dir / "report/thumbs"));
  EXPECT_NE(text_of(dir / "report/report-data.js").find("\"atlases\": []"), std::string::npos);
}

TEST(ReportWriter, RemovesOnlyTheAtlasesAnEarlierLargerRunLeft) {
  TempDir dir;
  fs::create_directories(dir / "report/thumbs");
  for (const char* name : {"atlas-000.png", "atlas-001.png", "atlas-017.png", "atlas-1234.png", "atlas-x.png",
                           "atlas-002.png.bak", "notes.txt"}) {
    testing::write_file_bytes(dir / "report/thumbs" / name, std::vector<std::uint8_t>{1});
  }
  Fixture fixture(2);
  ASSERT_TRUE(write_report(dir.path(), fixture.inputs()));
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir / "report/thumbs")) left.insert(entry.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{"atlas-000.png", "atlas-x.png", "atlas-002.png.bak", "notes.txt"}));
}

TEST(ReportWriter, NeverWritesOverADat) {
  TempDir dir;
  fs::create_directories(dir / "report");
  const std::vector<std::uint8_t> dat_bytes{'D', 'A', 'T'};
  testing::write_file_bytes(dir / "report/report-data.js", dat_bytes);
  Fixture fixture(1);
  fixture.paths.cell_dat = dir / "report/report-data.js";
  const auto written = write_report(dir.path(), fixture.inputs());
  ASSERT_FALSE(written);
  EXPECT_NE(written.error().message.find("refusing to write"), std::string::npos) << written.error().message;
  EXPECT_EQ(read_file_bytes(dir / "report/report-data.js"), dat_bytes);
  EXPECT_FALSE(fs::exists(dir / "report/index.html")) << "refused before anything is written";
}

TEST(ReportWriter, AFolderThatCannotBeMadeIsAnError) {
  TempDir dir;
  testing::write_file_bytes(dir / "report", std::vector<std::uint8_t>{1});
  Fixture fixture(1);
  const auto written = write_report(dir.path(), fixture.inputs());
  ASSERT_FALSE(written);
  EXPECT_NE(written.error().message.find("create directory"), std::string::npos) << written.error().message;
}

}  // namespace
}  // namespace quillfen::world
