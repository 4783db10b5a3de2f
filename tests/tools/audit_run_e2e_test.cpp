// The whole audit run by the real binary on DAT pairs built from records: discovery
// paths, decode failures, every classifier outcome, the JSON bytes, the histogram, the
// contact sheet, and the failures of the output steps.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/landblock.hpp"
#include "support/dat_pair.hpp"
#include "support/process.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::audit {
namespace {

namespace ft = dat::file_type;
using Bytes = std::vector<std::uint8_t>;
using testing::DatPair;
using testing::ProcessResult;
using testing::TempDir;

const std::string kTool = QUILLFEN_AUDIT_TOOL;

ft::Surface solid(std::uint32_t argb, std::uint32_t surface_type = 0) {
  ft::Surface s;
  s.surface_type = surface_type;
  s.color_value = argb;
  return s;
}

ft::Surface textured(std::uint32_t surface_texture_id, std::uint32_t surface_type = 0x02) {
  ft::Surface s;
  s.surface_type = surface_type;
  s.texture_refs = ft::TextureRefs{surface_texture_id, 0};
  return s;
}

ft::SurfaceTexture surface_texture(std::vector<std::uint32_t> textures) {
  ft::SurfaceTexture st;
  st.textures = std::move(textures);
  return st;
}

// A texture in 24-bit B, G, R order from R, G, B pixels.
ft::Texture rgb_texture(std::int32_t width, std::int32_t height, const std::vector<std::array<std::uint8_t, 3>>& pixels) {
  ft::Texture t;
  t.width = width;
  t.height = height;
  t.format_raw = static_cast<std::uint32_t>(ft::TextureFormat::R8G8B8);
  for (const auto& p : pixels) t.source_data.insert(t.source_data.end(), {p[2], p[1], p[0]});
  return t;
}

ft::Texture p8_texture(std::int32_t width, std::int32_t height, Bytes indices, std::uint32_t palette_id) {
  ft::Texture t;
  t.width = width;
  t.height = height;
  t.format_raw = static_cast<std::uint32_t>(ft::TextureFormat::P8);
  t.source_data = std::move(indices);
  t.default_palette_id = palette_id;
  return t;
}

ft::GfxObj gfx_obj(std::vector<std::uint32_t> surfaces) {
  ft::GfxObj g;
  g.surfaces = std::move(surfaces);
  return g;
}

ft::SetupModel setup(std::vector<std::uint32_t> parts) {
  ft::SetupModel s;
  s.parts = std::move(parts);
  return s;
}

ft::env_cell::EnvCell env_cell(std::vector<std::uint16_t> surfaces, std::vector<std::uint32_t> objects = {}) {
  ft::env_cell::EnvCell cell;
  cell.surfaces = std::move(surfaces);
  if (!objects.empty()) cell.flags = ft::env_cell::kHasObjects;
  for (const std::uint32_t id : objects) cell.objects.push_back({.stab_id = id, .position = {}});
  return cell;
}

dat::landblock::LandblockInfo landblock_info(std::vector<std::uint32_t> objects, std::vector<std::uint32_t> buildings) {
  dat::landblock::LandblockInfo info;
  for (const std::uint32_t id : objects) info.objects.push_back({.id = id, .frame = {}});
  for (const std::uint32_t id : buildings) info.buildings.push_back({.model_id = id, .frame = {}, .num_leaves = 0, .portals = {}});
  return info;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    out.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return out;
}

std::string read_text(const std::filesystem::path& path) {
  const Bytes bytes = testing::read_file_bytes(path);
  return {bytes.begin(), bytes.end()};
}

class AuditRunTest : public ::testing::Test {
 protected:
  std::filesystem::path portal_path() const { return dir_ / "portal.dat"; }
  std::filesystem::path cell_path() const { return dir_ / "cell.dat"; }
  std::filesystem::path out_path() const { return dir_ / "audit.json"; }

  ProcessResult audit(const std::string& landblock, std::vector<std::string> extra = {}) {
    world_.write(portal_path(), cell_path());
    std::vector<std::string> args = {"--portal-dat", portal_path().string(), "--cell-dat", cell_path().string(),
                                     "--landblock", landblock, "--out", out_path().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return testing::run_process(kTool, args);
  }

  std::vector<std::string> preamble(const std::string& key, std::size_t portal_files, std::size_t cell_files,
                                    std::size_t found) const {
    return {"Loading portal dat: " + portal_path().string(), "  portal files: " + std::to_string(portal_files),
            "Loading cell dat: " + cell_path().string(), "  cell files: " + std::to_string(cell_files),
            "Discovering surfaces for landblock " + key + "...", "  found " + std::to_string(found) + " unique surface DIDs"};
  }

  nlohmann::json json() const { return nlohmann::json::parse(read_text(out_path())); }

  std::vector<std::string> dids() const {
    std::vector<std::string> out;
    const nlohmann::json doc = json();
    for (const auto& s : doc["surfaces"]) out.push_back(s["did"]);
    return out;
  }

  TempDir dir_;
  DatPair world_;
};

TEST_F(AuditRunTest, FollowsEveryDiscoveryPathAndNothingElse) {
  for (std::uint32_t n = 1; n <= 10; ++n) world_.portal(0x08000000 | n, solid(0xFF101010 * n));
  world_.portal(0x01000001, gfx_obj({0x08000001, 0, 0x08000001}));
  world_.portal(0x01000002, gfx_obj({0x08000002}));
  world_.portal(0x02000001, setup({0x01000002, 0x02000002, 0x01000099}));
  // A setup among the parts is read as a GfxObj, not followed: these bytes happen to
  // decode as one that lists 0x09000000, which then fails as a surface.
  world_.portal(0x02000002, setup({0x01000009}));
  world_.portal(0x01000009, gfx_obj({0x08000009}));
  world_.portal(0x03000001, gfx_obj({0x08000003}));  // not a model id
  world_.portal(0x01000004, gfx_obj({0x08000004}));
  world_.portal(0x01000006, gfx_obj({0x08000006}));
  world_.portal_raw(0x01000007, {1, 0, 0, 1, 0, 0, 0, 0, 5});  // a GfxObj cut short
  world_.cell(0x1234FFFE, landblock_info({0x01000001, 0x02000001, 0x03000001, 0x01000007}, {0x01000004}));
  world_.cell(0x12340100, env_cell({0x0005, 0x0001}, {0x01000006}));
  world_.cell_raw(0x12340101, {1, 2, 3});  // an EnvCell that does not decode
  world_.cell(0x1234FFFF, env_cell({0x0007}));
  world_.cell(0x12340000, env_cell({0x0008}));
  world_.cell(0x12350001, env_cell({0x000A}));

  const auto r = audit("0x1234");
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(dids(), (std::vector<std::string>{"0x08000001", "0x08000002", "0x08000004", "0x08000005", "0x08000006"}));
  auto expected = preamble("0x1234", 19, 6, 6);
  expected.push_back("  warn: surface 0x09000000 failed to decode");
  const auto err = lines(r.err);
  EXPECT_EQ(std::vector<std::string>(err.begin(), err.begin() + 7), expected);
}

TEST_F(AuditRunTest, CellsWithoutALandblockInfoStillCount) {
  world_.portal(0x0800000A, solid(0xFF00FF00));
  world_.cell(0x43210001, env_cell({0x000A}));
  const auto r = audit("4321");
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(dids(), std::vector<std::string>{"0x0800000A"});
}

TEST_F(AuditRunTest, EveryDecodeFailureWarnsOnceInIdOrder) {
  world_.portal_raw(0x08000102, {1, 2, 3});
  world_.portal(0x08000103, textured(0x05000003));
  world_.portal(0x08000104, textured(0x05000004));
  world_.portal(0x05000004, surface_texture({}));
  world_.portal(0x08000105, textured(0x05000005));
  world_.portal(0x05000005, surface_texture({0x06000099}));
  world_.portal(0x08000106, textured(0x05000006));
  world_.portal(0x05000006, surface_texture({0x06000006}));
  world_.portal_raw(0x06000006, {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
  ft::Texture unsupported = rgb_texture(1, 1, {{1, 2, 3}});
  unsupported.format_raw = 23;
  world_.portal(0x08000107, textured(0x05000007));
  world_.portal(0x05000007, surface_texture({0x06000007}));
  world_.portal(0x06000007, unsupported);
  world_.portal(0x08000108, textured(0x05000008));
  world_.portal(0x05000008, surface_texture({0x06000008}));
  world_.portal(0x06000008, p8_texture(1, 1, {0}, 0x04000099));
  world_.portal(0x08000109, textured(0x05000009));
  world_.portal(0x05000009, surface_texture({0x06000009}));
  world_.portal(0x06000009, p8_texture(1, 1, {1}, 0x04000001));
  world_.portal(0x04000001, ft::Palette{.id = 0x04000001, .colors = {0xFF112233}});
  world_.portal(0x0800010A, textured(0x0500000A));
  world_.portal(0x0500000A, surface_texture({0x0600000A}));
  world_.portal(0x0600000A, p8_texture(2, 1, {0, 0}, 0x04000001));
  world_.portal(0x0800010B, textured(0x0500000B));
  world_.portal(0x0500000B, surface_texture({0x06000099, 0x0600000A}));  // the last one counts
  world_.portal(0x0800010C, textured(0x0500000C));
  world_.portal(0x0500000C, surface_texture({0x0600000A, 0x06000099}));
  world_.cell(0x0001FFFE, landblock_info({}, {}));
  world_.cell(0x00010100, env_cell({0x101, 0x102, 0x103, 0x104, 0x105, 0x106, 0x107, 0x108, 0x109, 0x10A, 0x10B, 0x10C}));

  const auto r = audit("0x0001");
  ASSERT_EQ(r.exit_status, 0) << r.err;
  auto expected = preamble("0x0001", 26, 2, 12);
  for (const char* id : {"101", "102", "103", "104", "105", "106", "107", "108", "109", "10C"}) {
    expected.push_back(std::string("  warn: surface 0x08000") + id + " failed to decode");
  }
  expected.insert(expected.end(), {"Wrote audit: " + out_path().string(), "Category histogram:", "         2 Generic"});
  EXPECT_EQ(lines(r.err), expected);
  EXPECT_EQ(dids(), (std::vector<std::string>{"0x0800010A", "0x0800010B"}));
  EXPECT_EQ(json()["surfaces"][1]["width"], 2);
  EXPECT_EQ(json()["total_surfaces"], 2);
}

TEST_F(AuditRunTest, EveryClassifierOutcome) {
  struct Case {
    std::uint32_t id;
    ft::Texture texture;  // used when width > 0, else `colour`
    std::uint32_t colour;
    std::uint32_t flags;
    const char* category;
  };
  const std::vector<Case> cases = {
      {0x0800C001, {}, 0xFFFF0000, 0x40, "Lava"},
      {0x0800C002, {}, 0xFF0000FF, 0x10, "Water"},
      {0x0800C003, rgb_texture(1, 1, {{100, 140, 100}}), 0, 0x04, "Foliage"},
      {0x0800C004, {}, 0xFF00FF00, 0, "Foliage"},
      {0x0800C005, rgb_texture(2, 1, {{204, 204, 204}, {255, 255, 255}}), 0, 0x02, "Snow"},
      {0x0800C006, {}, 0xFFCCB380, 0, "Sand"},
      {0x0800C007, {}, 0xFF643C28, 0, "Wood"},
      {0x0800C008, {}, 0xFFBF734D, 0, "Dirt"},
      {0x0800C009, rgb_texture(2, 1, {{128, 128, 128}, {179, 179, 179}}), 0, 0x02, "Metal"},
      {0x0800C00A, {}, 0xFF666666, 0, "Stone"},
      {0x0800C00B, rgb_texture(2, 1, {{0, 0, 0}, {153, 153, 153}}), 0, 0x02, "Stone"},
      {0x0800C00C, {}, 0xFF000000, 0, "Generic"},
  };
  std::vector<std::uint16_t> cell_surfaces;
  for (const auto& c : cases) {
    cell_surfaces.push_back(static_cast<std::uint16_t>(c.id));
    if (c.texture.width == 0) {
      world_.portal(c.id, solid(c.colour, c.flags));
    } else {
      world_.portal(c.id, textured(c.id - 0x08000000 + 0x05000000, c.flags));
      world_.portal(c.id - 0x08000000 + 0x05000000, surface_texture({c.id - 0x08000000 + 0x06000000}));
      world_.portal(c.id - 0x08000000 + 0x06000000, c.texture);
    }
  }
  world_.cell(0x00020100, env_cell(cell_surfaces));
  const auto r = audit("2");
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const auto doc = json();
  ASSERT_EQ(doc["surfaces"].size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(doc["surfaces"][i]["category"], cases[i].category) << i;
  EXPECT_EQ(doc["category_counts"],
            nlohmann::json::parse(R"({"Dirt":1,"Foliage":2,"Generic":1,"Lava":1,"Metal":1,"Sand":1,"Snow":1,"Stone":2,"Water":1,"Wood":1})"));
  const auto err = lines(r.err);
  EXPECT_EQ(std::vector<std::string>(err.end() - 11, err.end()),
            (std::vector<std::string>{"Category histogram:", "         1 Dirt", "         2 Foliage", "         1 Generic",
                                      "         1 Lava", "         1 Metal", "         1 Sand", "         1 Snow",
                                      "         2 Stone", "         1 Water", "         1 Wood"}));
}

class AuditOutputTest : public AuditRunTest {
 protected:
  void SetUp() override {
    world_.portal(0x08000001, solid(0xFFFF0000, 0x40));
    world_.portal(0x08000002, solid(0xFF0000FF, 0x10));
    world_.portal(0x08000003, solid(0x8000FF00));
    world_.portal(0x08000004, solid(0x00000000));
    world_.cell(0x0003FFFE, landblock_info({0x01000001}, {}));
    world_.portal(0x01000001, gfx_obj({0x08000004, 0x08000003, 0x08000002, 0x08000001}));
  }
};

TEST_F(AuditOutputTest, WritesTheExactDocumentAndHistogram) {
  const auto r = audit("0x3");
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const auto surface = [](const char* did, const char* category, int type, const char* mean, const char* lum,
                          const char* hue) {
    return std::string("    {\n      \"did\": \"") + did + "\",\n      \"category\": \"" + category +
           "\",\n      \"surface_type\": " + std::to_string(type) + ",\n      \"mean_rgb\": [\n        " + mean +
           "\n      ],\n      \"std_dev\": [\n        0.0,\n        0.0,\n        0.0\n      ],\n"
           "      \"luminance\": " + lum + ",\n      \"variance\": 0.0,\n      \"dominant_hue\": " + hue +
           ",\n      \"saturation\": " + (std::string(lum) == "0.0" ? "0.0" : "1.0") +
           ",\n      \"width\": 1,\n      \"height\": 1,\n      \"solid\": true\n    }";
  };
  const std::string expected =
      "{\n  \"landblock\": \"0x0003\",\n  \"portal_dat\": \"" + portal_path().string() + "\",\n  \"cell_dat\": \"" +
      cell_path().string() +
      "\",\n  \"total_surfaces\": 4,\n  \"category_counts\": {\n    \"Foliage\": 1,\n    \"Generic\": 1,\n"
      "    \"Lava\": 1,\n    \"Water\": 1\n  },\n  \"surfaces\": [\n" +
      surface("0x08000001", "Lava", 64, "1.0,\n        0.0,\n        0.0", "0.299", "0.0") + ",\n" +
      surface("0x08000002", "Water", 16, "0.0,\n        0.0,\n        1.0", "0.114", "240.0") + ",\n" +
      surface("0x08000003", "Foliage", 0, "0.0,\n        1.0,\n        0.0", "0.587", "120.0") + ",\n" +
      surface("0x08000004", "Generic", 0, "0.0,\n        0.0,\n        0.0", "0.0", "0.0") + "\n  ]\n}";
  EXPECT_EQ(read_text(out_path()), expected);
  auto err = preamble("0x0003", 5, 1, 4);
  err.insert(err.end(), {"Wrote audit: " + out_path().string(), "Category histogram:", "         1 Foliage",
                         "         1 Generic", "         1 Lava", "         1 Water"});
  EXPECT_EQ(lines(r.err), err);
  EXPECT_EQ(r.out, "");
}

TEST_F(AuditOutputTest, ContactSheetTilesFollowTheDocumentOrder) {
  const auto sheet = dir_ / "sheets" / "deep" / "sheet.ppm";
  const auto r = audit("0x3", {"--contact-sheet", sheet.string(), "--tile", "2", "--cols", "3"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_TRUE(r.err.ends_with("Wrote contact sheet: " + sheet.string() + "\n"));
  // 3 x 2 cells of 2 x 2 pixels: red, blue, green, then black, then two grey cells.
  std::string expected = "P6\n6 4\n255\n";
  const std::array<std::array<std::uint8_t, 3>, 6> cells = {{{255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {0, 0, 0}, {32, 32, 32}, {32, 32, 32}}};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      for (const std::uint8_t b : cells[static_cast<std::size_t>((y / 2) * 3 + x / 2)]) expected.push_back(static_cast<char>(b));
    }
  }
  EXPECT_EQ(read_text(sheet), expected);
}

TEST_F(AuditOutputTest, ZeroTileAndZeroColumns) {
  const auto r = audit("0x3", {"--contact-sheet", (dir_ / "a.ppm").string(), "--tile", "0"});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(read_text(dir_ / "a.ppm"), "P6\n0 0\n255\n");
  const auto r2 = audit("0x3", {"--contact-sheet", (dir_ / "b.ppm").string(), "--tile", "1", "--cols", "0"});
  ASSERT_EQ(r2.exit_status, 0) << r2.err;
  EXPECT_EQ(read_text(dir_ / "b.ppm"), std::string("P6\n1 4\n255\n\xFF\0\0\0\0\xFF\0\xFF\0\0\0\0", 23));
}

TEST_F(AuditOutputTest, OutInMissingDirectoriesIsCreated) {
  world_.write(portal_path(), cell_path());
  const auto out = dir_ / "a" / "b" / "c" / "audit.json";
  const auto r = testing::run_process(kTool, {"--portal-dat", portal_path().string(), "--cell-dat", cell_path().string(),
                                              "--landblock", "3", "--out", out.string()});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(read_text(out))["total_surfaces"], 4);
}

TEST_F(AuditOutputTest, OutThatIsADirectoryFailsBeforeTheHistogram) {
  std::filesystem::create_directories(out_path());
  const auto r = audit("3");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_TRUE(r.err.ends_with("  found 4 unique surface DIDs\nError: write " + out_path().string() +
                              "\n\nCaused by:\n    " + std::strerror(EISDIR) + "\n"))
      << r.err;
}

TEST_F(AuditOutputTest, SheetThatCannotBeCreatedLeavesTheJsonAndTheHistogram) {
  testing::write_file_bytes(dir_ / "file", Bytes{1});
  const auto sheet = dir_ / "file" / "sheet.ppm";  // a regular file cannot hold one
  const auto r = audit("3", {"--contact-sheet", sheet.string()});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_TRUE(r.err.ends_with("         1 Water\nError: create " + sheet.string() + "\n\nCaused by:\n    " +
                              std::strerror(ENOTDIR) + "\n"))
      << r.err;
  EXPECT_EQ(json()["total_surfaces"], 4);
}

TEST_F(AuditRunTest, LandblockWithoutRecordsCompletesWithNothing) {
  world_.cell(0x0005FFFE, landblock_info({}, {}));
  const auto r = audit("0x77", {"--contact-sheet", (dir_ / "s.ppm").string()});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(read_text(out_path()), "{\n  \"landblock\": \"0x0077\",\n  \"portal_dat\": \"" + portal_path().string() +
                                       "\",\n  \"cell_dat\": \"" + cell_path().string() +
                                       "\",\n  \"total_surfaces\": 0,\n  \"category_counts\": {},\n  \"surfaces\": []\n}");
  EXPECT_TRUE(r.err.ends_with("  found 0 unique surface DIDs\nWrote audit: " + out_path().string() +
                              "\nCategory histogram:\nWrote contact sheet: " + (dir_ / "s.ppm").string() + "\n"));
  EXPECT_EQ(read_text(dir_ / "s.ppm"), "P6\n640 0\n255\n");
}

struct PathCase {
  const char* name;
  std::string file_name;
  std::string json_text;  // how the path's file name appears inside the JSON string
};

class AuditPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(AuditPathTest, DatPathsAreWrittenExactlyAndStayValidJson) {
  TempDir dir;
  DatPair world;
  world.cell(0x0006FFFE, landblock_info({}, {}));
  const auto portal = dir / GetParam().file_name;
  world.write(portal, dir / "cell.dat");
  const auto r = testing::run_process(kTool, {"--portal-dat", portal.string(), "--cell-dat", (dir / "cell.dat").string(),
                                              "--landblock", "6", "--out", (dir / "o.json").string()});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const std::string text = read_text(dir / "o.json");
  EXPECT_NE(text.find("\"portal_dat\": \"" + dir.path().string() + "/" + GetParam().json_text + "\""), std::string::npos)
      << text;
  EXPECT_TRUE(nlohmann::json::accept(text));
}

INSTANTIATE_TEST_SUITE_P(Names, AuditPathTest,
                         ::testing::Values(PathCase{"NonAscii", "p\xC3\xB6rtal \xE2\x9C\x93.dat", "p\xC3\xB6rtal \xE2\x9C\x93.dat"},
                                           PathCase{"NotUtf8", "p\xFF\xFEx.dat", "p\xEF\xBF\xBD\xEF\xBF\xBDx.dat"},
                                           PathCase{"QuoteAndBackslash", "a\"b\\c.dat", "a\\\"b\\\\c.dat"}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace quillfen::audit
