// The report's data scripts: the uses encoding (read back with the tests' own decoder)
// and the members of report-data.js for a small world made by hand.
#include "world-audit/report/report_data.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <limits>

#include "quillfen/dat/file_type/texture.hpp"
#include "report/uses_decoder.hpp"
#include "world-audit/world_maps.hpp"

namespace quillfen::world {
namespace {

struct NumberCase {
  std::uint32_t value;
  const char* text;
};

class UsesNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(UsesNumber, IsWrittenInGroupsOfFiveBitsLowestFirst) {
  std::string text;
  append_uses_number(text, GetParam().value);
  EXPECT_EQ(text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, UsesNumber,
                         ::testing::Values(NumberCase{0, "A"}, NumberCase{1, "B"}, NumberCase{31, "f"},
                                           NumberCase{32, "gB"},    // group 0 with more to come, then 1
                                           NumberCase{1023, "/f"},  // 31 + 32, then 31
                                           NumberCase{1024, "ggB"},
                                           NumberCase{0xFFFFFFFF, "//////D"}));

audit::SurfaceAudit decoded(std::uint32_t id, std::string category, float luminance, bool solid) {
  audit::SurfaceAudit surface;
  surface.did = fmt::format("0x{:08X}", id);
  surface.category = std::move(category);
  surface.surface_type = solid ? 1 : 2;
  surface.mean_rgb = {0.25f, 0.5f, 0.1f};
  surface.std_dev = {0.01f, 0.02f, 0.03f};
  surface.luminance = luminance;
  surface.variance = 0.005528369f;
  surface.dominant_hue = 56.80771f;
  surface.saturation = 0.3f;
  surface.width = solid ? 1 : 128;
  surface.height = solid ? 1 : 64;
  surface.solid = solid;
  return surface;
}

// Four surfaces (a DXT1 texture, a solid colour, a failure, a P8 texture) used by three
// landblocks, one of which found nothing.
WorldAudit small_world() {
  WorldAudit world;
  world.surfaces.resize(4);
  world.surfaces[0] = {0x08000100, decoded(0x08000100, "Stone", 0.3870608f, false),
                       static_cast<std::uint32_t>(dat::file_type::TextureFormat::Dxt1), "", {0x0102, 0xA9B4}};
  world.surfaces[1] = {0x08000170, decoded(0x08000170, "Generic", 0.1f, true), std::nullopt, "", {0xA9B4}};
  world.surfaces[2] = {0x08000180, std::nullopt, std::nullopt, "Texture 0x06000600: unsupported", {0xA9B4}};
  world.surfaces[3] = {0x08000200, decoded(0x08000200, "Water", std::numeric_limits<float>::quiet_NaN(), false),
                       static_cast<std::uint32_t>(dat::file_type::TextureFormat::P8), "", {0xA9B4}};
  world.landblocks = {{0x0102, {0}}, {0x7777, {}}, {0xA9B4, {0, 1, 2, 3}}};
  return world;
}

nlohmann::json parse_data(const std::string& text) {
  const std::string prefix = "window.quillfenReport = ";
  EXPECT_TRUE(text.starts_with(prefix));
  EXPECT_TRUE(text.ends_with("};\n"));
  return nlohmann::json::parse(text.substr(prefix.size(), text.size() - prefix.size() - 2));
}

TEST(ReportData, StatesWhatWasAuditedAndTheCountsOfTheSummary) {
  const WorldAudit world = small_world();
  const WorldSummary summary = summarize(world);
  const auto data = parse_data(report_data_script(world, summary, {"p/portal.dat", "c/cell.dat"}, "9.8.7"));
  EXPECT_EQ(data["format_version"], 1);
  EXPECT_EQ(data["tool_version"], "9.8.7");
  EXPECT_EQ(data["portal_dat"], "p/portal.dat");
  EXPECT_EQ(data["cell_dat"], "c/cell.dat");
  EXPECT_EQ(data["landblock_count"], 3);
  EXPECT_EQ(data["unique_surfaces"], 4);
  EXPECT_EQ(data["decoded"], 3);
  EXPECT_EQ(data["failed"], 1);
  EXPECT_EQ(data["category_counts"], (nlohmann::json{{"Generic", 1}, {"Stone", 1}, {"Water", 1}}));
  EXPECT_EQ(data["uses"], "report-uses.js");
  EXPECT_EQ(data["map"]["material"], "material-map.png");
  EXPECT_EQ(data["thumbnails"]["atlases"], (nlohmann::json{"thumbs/atlas-000.png"}));
  EXPECT_EQ(data["thumbnails"]["edge"], 48);
  EXPECT_EQ(data["thumbnails"]["cell"], 50);
}

TEST(ReportData, ListsEveryCategoryInNameOrderWithItsMapColour) {
  const WorldAudit world = small_world();
  const auto data = parse_data(report_data_script(world, summarize(world), {}, "1"));
  const auto& categories = data["categories"];
  ASSERT_EQ(categories.size(), 13u);
  std::string previous;
  for (const auto& category : categories) {
    const std::string name = category["name"];
    EXPECT_LT(previous, name);
    previous = name;
    const Rgb colour = category_colour(*category_from_name(name));
    EXPECT_EQ(category["colour"], fmt::format("#{:02x}{:02x}{:02x}", colour.r, colour.g, colour.b)) << name;
  }
}

TEST(ReportData, WritesTheSurfacesAsColumnsWithFailuresAsNull) {
  const WorldAudit world = small_world();
  const auto data = parse_data(report_data_script(world, summarize(world), {}, "1"));
  const auto& s = data["surfaces"];
  const auto category = [&](const char* name) {
    const auto& all = data["categories"];
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i]["name"] == name) return static_cast<int>(i);
    }
    return -2;
  };
  EXPECT_EQ(s["id"], (nlohmann::json{0x08000100, 0x08000170, 0x08000180, 0x08000200}));
  EXPECT_EQ(s["category"], (nlohmann::json{category("Stone"), category("Generic"), -1, category("Water")}));
  EXPECT_EQ(data["formats"], (nlohmann::json{"Dxt1", "P8"}));
  EXPECT_EQ(s["format"], (nlohmann::json{0, nullptr, nullptr, 1}));
  EXPECT_EQ(s["solid"], (nlohmann::json{false, true, nullptr, false}));
  EXPECT_EQ(s["width"], (nlohmann::json{128, 1, nullptr, 128}));
  EXPECT_EQ(s["thumbnail"], (nlohmann::json{0, 1, -1, 2}));
  // Three values a surface, in the documents' number form; not a number is null.
  EXPECT_EQ(s["mean_rgb"].size(), 12u);
  EXPECT_EQ(s["std_dev"].size(), 12u);
  EXPECT_EQ(s["mean_rgb"][3], 0.25);
  EXPECT_TRUE(s["mean_rgb"][6].is_null() && s["mean_rgb"][7].is_null() && s["mean_rgb"][8].is_null());
  EXPECT_EQ(s["luminance"][0].get<float>(), 0.3870608f);
  EXPECT_TRUE(s["luminance"][2].is_null());
  EXPECT_TRUE(s["luminance"][3].is_null());
  EXPECT_EQ(data["failures"], (nlohmann::json::parse(R"([{"surface": 2, "reason": "Texture 0x06000600: unsupported"}])")));
  const std::string text = report_data_script(world, summarize(world), {}, "1");
  EXPECT_NE(text.find("0.3870608"), std::string::npos) << "floats are written as the documents write them";
}

TEST(ReportData, WritesTheLandblocksAsColumns) {
  const WorldAudit world = small_world();
  const auto data = parse_data(report_data_script(world, summarize(world), {}, "1"));
  const auto& l = data["landblocks"];
  EXPECT_EQ(l["key"], (nlohmann::json{0x0102, 0x7777, 0xA9B4}));
  EXPECT_EQ(l["surfaces"], (nlohmann::json{1, 0, 4}));
  EXPECT_EQ(l["decoded"], (nlohmann::json{1, 0, 3}));
  EXPECT_EQ(l["failed"], (nlohmann::json{0, 0, 1}));
  const auto& categories = data["categories"];
  ASSERT_TRUE(l["dominant"][0].is_number());
  EXPECT_EQ(categories[l["dominant"][0].get<std::size_t>()]["name"], "Stone");
  EXPECT_EQ(l["dominant"][1], -1);
}

TEST(ReportUses, ReadsBackAsEachLandblocksSurfaces) {
  WorldAudit world;
  world.surfaces.resize(70000);
  world.landblocks = {{1, {0, 1, 2, 31, 32, 33, 1056, 69999}}, {2, {}}, {3, {5}}, {4, {69998, 69999}}, {5, {40000}}};
  std::vector<std::size_t> counts;
  for (const auto& landblock : world.landblocks) counts.push_back(landblock.surfaces.size());
  const std::string script = report_uses_script(world);
  const std::string prefix = "window.quillfenUses = \"";
  ASSERT_TRUE(script.starts_with(prefix));
  ASSERT_TRUE(script.ends_with("\";\n"));
  const auto text = std::string_view(script).substr(prefix.size(), script.size() - prefix.size() - 3);
  const auto lists = testing::decode_uses(text, counts);
  ASSERT_TRUE(lists);
  for (std::size_t i = 0; i < world.landblocks.size(); ++i) EXPECT_EQ((*lists)[i], world.landblocks[i].surfaces) << i;
  // Neighbours cost a character each.
  EXPECT_EQ(text.substr(0, 4), "AAAc");
}

}  // namespace
}  // namespace quillfen::world
