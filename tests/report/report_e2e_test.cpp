// quillfen-world-audit --html run as a separate process on the sample world: the report
// agrees with the documents of the same run, every thumbnail in the atlases is the one
// its surface samples to, and the bytes do not depend on the number of threads.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <spng.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/surface_decode.hpp"
#include "report/uses_decoder.hpp"
#include "support/process.hpp"
#include "support/temp_dir.hpp"
#include "world-audit/report/thumbnail.hpp"
#include "world-audit/report/thumbnail_atlas.hpp"

namespace quillfen::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path kWorld = QUILLFEN_SAMPLE_WORLD_DIR;

std::string text_of(const fs::path& path) {
  const auto bytes = read_file_bytes(path);
  return std::string(bytes.begin(), bytes.end());
}

ProcessResult audit_world(const fs::path& out_dir, std::vector<std::string> extra) {
  std::vector<std::string> args{"--portal-dat", (kWorld / "client_portal.dat").string(),
                                "--cell-dat", (kWorld / "client_cell_1.dat").string(),
                                "--out-dir", out_dir.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  return run_process(QUILLFEN_WORLD_AUDIT_TOOL, args);
}

// The JSON inside "window.NAME = ...;\n".
json script_json(const fs::path& path, std::string_view name) {
  const std::string text = text_of(path);
  const std::string prefix = fmt::format("window.{} = ", name);
  EXPECT_TRUE(text.starts_with(prefix) && text.ends_with(";\n")) << path;
  return json::parse(text.substr(prefix.size(), text.size() - prefix.size() - 2));
}

struct Atlas {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;
};

Atlas decode_png(const fs::path& path) {
  const auto bytes = read_file_bytes(path);
  const std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> context(spng_ctx_new(0), &spng_ctx_free);
  spng_set_png_buffer(context.get(), bytes.data(), bytes.size());
  spng_ihdr header{};
  EXPECT_EQ(spng_get_ihdr(context.get(), &header), 0) << path;
  std::size_t size = 0;
  EXPECT_EQ(spng_decoded_image_size(context.get(), SPNG_FMT_RGB8, &size), 0);
  Atlas atlas{header.width, header.height, std::vector<std::uint8_t>(size)};
  EXPECT_EQ(spng_decode_image(context.get(), atlas.rgb.data(), size, SPNG_FMT_RGB8, 0), 0) << path;
  return atlas;
}

class ReportRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    result_ = new ProcessResult(audit_world(dir_->path() / "out", {"--html", "--jobs", "2"}));
  }
  static void TearDownTestSuite() {
    delete result_;
    delete dir_;
  }
  static fs::path out() { return dir_->path() / "out"; }

  static TempDir* dir_;
  static ProcessResult* result_;
};

TempDir* ReportRun::dir_ = nullptr;
ProcessResult* ReportRun::result_ = nullptr;

TEST_F(ReportRun, SaysWhereTheReportIs) {
  ASSERT_EQ(result_->exit_status, 0) << result_->err;
  EXPECT_NE(result_->err.find(fmt::format("Wrote {}: world.json, surfaces.json, warnings.json, material-map.png, "
                                          "colour-map.png, report/index.html\n",
                                          out().string())),
            std::string::npos)
      << result_->err;
  EXPECT_TRUE(fs::is_regular_file(out() / "report/index.html"));
}

TEST_F(ReportRun, TheDataAgreesWithTheDocuments) {
  ASSERT_EQ(result_->exit_status, 0) << result_->err;
  const json data = script_json(out() / "report/report-data.js", "quillfenReport");
  const json world = json::parse(text_of(out() / "world.json"));
  const json surfaces = json::parse(text_of(out() / "surfaces.json"))["surfaces"];
  const json warnings = json::parse(text_of(out() / "warnings.json"))["warnings"];
  for (const char* member : {"portal_dat", "cell_dat", "landblock_count", "unique_surfaces", "decoded", "failed",
                             "category_counts", "tool_version"}) {
    EXPECT_EQ(data[member], world[member]) << member;
  }

  const json& s = data["surfaces"];
  std::size_t decoded = 0;
  std::size_t failed = 0;
  for (std::size_t i = 0; i < s["id"].size(); ++i) {
    const std::string did = fmt::format("0x{:08X}", s["id"][i].get<std::uint32_t>());
    if (s["category"][i] == -1) {
      ASSERT_LT(failed, warnings.size());
      EXPECT_EQ(warnings[failed]["did"], did);
      EXPECT_EQ(s["thumbnail"][i], -1);
      ++failed;
      continue;
    }
    ASSERT_LT(decoded, surfaces.size());
    const json& surface = surfaces[decoded];
    EXPECT_EQ(surface["did"], did);
    EXPECT_EQ(data["categories"][s["category"][i].get<std::size_t>()]["name"], surface["category"]);
    EXPECT_EQ(s["thumbnail"][i], decoded);
    for (const char* member : {"luminance", "variance", "dominant_hue", "saturation", "width", "height", "solid",
                               "surface_type"}) {
      EXPECT_EQ(s[member][i], surface[member]) << did << " " << member;
    }
    for (std::size_t c = 0; c < 3; ++c) {
      EXPECT_EQ(s["mean_rgb"][i * 3 + c], surface["mean_rgb"][c]) << did;
      EXPECT_EQ(s["std_dev"][i * 3 + c], surface["std_dev"][c]) << did;
    }
    ++decoded;
  }
  EXPECT_EQ(decoded, surfaces.size());
  EXPECT_EQ(failed, warnings.size());
  ASSERT_EQ(data["failures"].size(), warnings.size());
  for (std::size_t i = 0; i < warnings.size(); ++i) EXPECT_EQ(data["failures"][i]["reason"], warnings[i]["reason"]);

  const json& l = data["landblocks"];
  ASSERT_EQ(l["key"].size(), world["landblocks"].size());
  for (std::size_t i = 0; i < l["key"].size(); ++i) {
    const json& row = world["landblocks"][i];
    EXPECT_EQ(fmt::format("0x{:04X}", l["key"][i].get<std::uint32_t>()), row["landblock"]);
    EXPECT_EQ(l["surfaces"][i], row["surfaces"]);
    EXPECT_EQ(l["decoded"][i], row["decoded"]);
    EXPECT_EQ(l["failed"][i], row["failed"]);
    const json dominant = l["dominant"][i] == -1 ? json(nullptr) : data["categories"][l["dominant"][i].get<std::size_t>()]["name"];
    EXPECT_EQ(dominant, row["dominant_category"]);
  }
}

TEST_F(ReportRun, TheUsesGiveEachSurfaceTheLandblocksTheDocumentsList) {
  ASSERT_EQ(result_->exit_status, 0) << result_->err;
  const json data = script_json(out() / "report/report-data.js", "quillfenReport");
  const std::string script = text_of(out() / "report/report-uses.js");
  const std::string prefix = "window.quillfenUses = \"";
  ASSERT_TRUE(script.starts_with(prefix));
  const auto counts = data["landblocks"]["surfaces"].get<std::vector<std::size_t>>();
  const auto lists = decode_uses(std::string_view(script).substr(prefix.size(), script.size() - prefix.size() - 3), counts);
  ASSERT_TRUE(lists);

  // Inverted: each surface id's users, as the documents list them.
  std::map<std::string, std::vector<std::string>> users;
  for (std::size_t row = 0; row < lists->size(); ++row) {
    for (const std::uint32_t surface : (*lists)[row]) {
      users[fmt::format("0x{:08X}", data["surfaces"]["id"][surface].get<std::uint32_t>())].push_back(
          fmt::format("0x{:04X}", data["landblocks"]["key"][row].get<std::uint32_t>()));
    }
  }
  std::map<std::string, std::vector<std::string>> documented;
  for (const char* doc : {"surfaces.json", "warnings.json"}) {
    const json parsed = json::parse(text_of(out() / doc));
    for (const json& entry : parsed[std::string(doc) == "surfaces.json" ? "surfaces" : "warnings"]) {
      documented[entry["did"]] = entry["landblocks"].get<std::vector<std::string>>();
    }
  }
  EXPECT_EQ(users, documented);
}

TEST_F(ReportRun, EachAtlasCellHoldsItsSurfaceSampled) {
  ASSERT_EQ(result_->exit_status, 0) << result_->err;
  const json data = script_json(out() / "report/report-data.js", "quillfenReport");
  auto portal = dat::DatDatabase::open(kWorld / "client_portal.dat");
  ASSERT_TRUE(portal);
  const auto atlases = data["thumbnails"]["atlases"].get<std::vector<std::string>>();
  ASSERT_EQ(atlases.size(), world::atlas_count(data["decoded"].get<std::size_t>()));
  std::vector<Atlas> images;
  for (const std::string& name : atlases) images.push_back(decode_png(out() / "report" / name));

  const json& s = data["surfaces"];
  std::size_t checked = 0;
  for (std::size_t i = 0; i < s["id"].size(); ++i) {
    if (s["thumbnail"][i] == -1) continue;
    dat::PixelBudget budget;
    const auto surface = dat::decode_surface(s["id"][i].get<std::uint32_t>(), *portal, budget);
    ASSERT_TRUE(surface);
    const world::Thumbnail expected = world::sample_thumbnail(surface->image);
    const world::AtlasPlace at = world::atlas_place(s["thumbnail"][i].get<std::size_t>());
    const Atlas& atlas = images[at.atlas];
    ASSERT_EQ(atlas.width, world::kAtlasColumns * world::kAtlasCell);
    for (std::uint32_t y = 0; y < world::kThumbnailEdge; ++y) {
      const std::size_t row = std::size_t{at.row} * world::kAtlasCell + world::kAtlasGutter + y;
      const std::size_t column = std::size_t{at.column} * world::kAtlasCell + world::kAtlasGutter;
      ASSERT_LT(row, atlas.height);
      const auto* got = atlas.rgb.data() + (row * atlas.width + column) * 3;
      const auto* want = expected.data() + std::size_t{y} * world::kThumbnailEdge * 3;
      ASSERT_TRUE(std::equal(want, want + world::kThumbnailEdge * 3, got)) << "surface " << i << " row " << y;
    }
    ++checked;
  }
  EXPECT_EQ(checked, data["decoded"].get<std::size_t>());
}

TEST_F(ReportRun, TheBytesDoNotDependOnTheThreadsOrOnAnEarlierRun) {
  ASSERT_EQ(result_->exit_status, 0) << result_->err;
  TempDir other;
  const ProcessResult one_thread = audit_world(other.path(), {"--html", "--jobs", "1"});
  ASSERT_EQ(one_thread.exit_status, 0) << one_thread.err;
  const ProcessResult again = audit_world(other.path(), {"--html", "--jobs", "2"});  // over the first
  ASSERT_EQ(again.exit_status, 0) << again.err;
  std::size_t compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(out() / "report")) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), out());
    ASSERT_TRUE(fs::is_regular_file(other.path() / relative)) << relative;
    // The data names the DATs as given, which are the same paths in both runs.
    EXPECT_EQ(read_file_bytes(entry.path()), read_file_bytes(other.path() / relative)) << relative;
    ++compared;
  }
  EXPECT_GT(compared, 10u);
}

TEST(ReportOption, WithoutHtmlThereIsNoReport) {
  TempDir dir;
  const ProcessResult result = audit_world(dir.path(), {"--quiet"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_FALSE(fs::exists(dir / "report"));
  const ProcessResult plain = audit_world(dir.path(), {});
  EXPECT_EQ(plain.err.find("report"), std::string::npos) << plain.err;
}

}  // namespace
}  // namespace quillfen::testing
