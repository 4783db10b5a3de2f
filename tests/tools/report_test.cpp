// The audit document and the histogram: whole documents compared byte for byte, then
// parsed by a strict JSON parser to prove they are valid.
#include "surface-classify-audit/report.hpp"

#include <cstdint>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quillfen::audit {
namespace {

using Counts = std::map<std::string, std::uint64_t>;

Decoded stone_surface() {
  Decoded d;
  d.audit = SurfaceAudit{.did = "0x08000010",
                         .category = "Stone",
                         .surface_type = 2,
                         .mean_rgb = {0.5f, 0.25f, 0.125f},
                         .std_dev = {0.0625f, 0.05f, 0.04f},
                         .luminance = 0.3f,
                         .variance = 0.004f,
                         .dominant_hue = 30.0f,
                         .saturation = 0.75f,
                         .width = 256,
                         .height = 256,
                         .solid = false};
  d.image = RgbaImage{256, 256, std::vector<std::uint8_t>(256 * 256 * 4, 7)};
  return d;
}

Decoded generic_solid_surface() {
  Decoded d;
  d.audit = SurfaceAudit{.did = "0x08000020",
                         .category = "Generic",
                         .surface_type = 1,
                         .mean_rgb = {1.0f, 0.0f, 0.0f},
                         .std_dev = {0.0f, 0.0f, 0.0f},
                         .luminance = 0.2126f,
                         .variance = 0.0f,
                         .dominant_hue = 0.0f,
                         .saturation = 1.0f,
                         .width = 1,
                         .height = 1,
                         .solid = true};
  d.image = RgbaImage{1, 1, {255, 0, 0, 128}};
  return d;
}

std::string serialize(std::uint16_t landblock, const std::filesystem::path& portal, const std::filesystem::path& cell,
                      const std::vector<Decoded>& decoded, const Counts& counts) {
  return serialize_audit_doc(build_audit_doc(landblock, portal, cell, decoded, counts));
}

TEST(ReportTest, EmptyDocument) {
  const std::string text = serialize(0x0012, "p.dat", "c.dat", {}, {});
  EXPECT_EQ(text,
            "{\n"
            "  \"landblock\": \"0x0012\",\n"
            "  \"portal_dat\": \"p.dat\",\n"
            "  \"cell_dat\": \"c.dat\",\n"
            "  \"total_surfaces\": 0,\n"
            "  \"category_counts\": {},\n"
            "  \"surfaces\": []\n"
            "}");
  const auto parsed = nlohmann::json::parse(text);
  EXPECT_TRUE(parsed["surfaces"].empty());
  EXPECT_TRUE(parsed["category_counts"].is_object());
}

TEST(ReportTest, TwoSurfaceExampleDocument) {
  const std::vector<Decoded> decoded = {stone_surface(), generic_solid_surface()};
  const std::string text = serialize(0xA9B4, "/data/client_portal.dat", "/data/client_cell_1.dat", decoded,
                                     {{"Stone", 1}, {"Generic", 1}});
  const std::string expected =
      "{\n"
      "  \"landblock\": \"0xA9B4\",\n"
      "  \"portal_dat\": \"/data/client_portal.dat\",\n"
      "  \"cell_dat\": \"/data/client_cell_1.dat\",\n"
      "  \"total_surfaces\": 2,\n"
      "  \"category_counts\": {\n"
      "    \"Generic\": 1,\n"
      "    \"Stone\": 1\n"
      "  },\n"
      "  \"surfaces\": [\n"
      "    {\n"
      "      \"did\": \"0x08000010\",\n"
      "      \"category\": \"Stone\",\n"
      "      \"surface_type\": 2,\n"
      "      \"mean_rgb\": [\n"
      "        0.5,\n"
      "        0.25,\n"
      "        0.125\n"
      "      ],\n"
      "      \"std_dev\": [\n"
      "        0.0625,\n"
      "        0.05,\n"
      "        0.04\n"
      "      ],\n"
      "      \"luminance\": 0.3,\n"
      "      \"variance\": 0.004,\n"
      "      \"dominant_hue\": 30.0,\n"
      "      \"saturation\": 0.75,\n"
      "      \"width\": 256,\n"
      "      \"height\": 256,\n"
      "      \"solid\": false\n"
      "    },\n"
      "    {\n"
      "      \"did\": \"0x08000020\",\n"
      "      \"category\": \"Generic\",\n"
      "      \"surface_type\": 1,\n"
      "      \"mean_rgb\": [\n"
      "        1.0,\n"
      "        0.0,\n"
      "        0.0\n"
      "      ],\n"
      "      \"std_dev\": [\n"
      "        0.0,\n"
      "        0.0,\n"
      "        0.0\n"
      "      ],\n"
      "      \"luminance\": 0.2126,\n"
      "      \"variance\": 0.0,\n"
      "      \"dominant_hue\": 0.0,\n"
      "      \"saturation\": 1.0,\n"
      "      \"width\": 1,\n"
      "      \"height\": 1,\n"
      "      \"solid\": true\n"
      "    }\n"
      "  ]\n"
      "}";
  EXPECT_EQ(text, expected);

  const auto parsed = nlohmann::json::parse(text);
  EXPECT_EQ(parsed["total_surfaces"], parsed["surfaces"].size());
  EXPECT_EQ(parsed["surfaces"][0]["std_dev"][1].get<float>(), 0.05f);
  EXPECT_EQ(parsed["surfaces"][1]["luminance"].get<float>(), 0.2126f);
}

TEST(ReportTest, BuildKeepsEveryFieldAndDropsImages) {
  const std::vector<Decoded> decoded = {stone_surface(), generic_solid_surface()};
  const Counts counts = {{"Generic", 1}, {"Stone", 1}};
  const AuditDoc doc = build_audit_doc(0xA9B4, "/p", "/c", decoded, counts);
  const AuditDoc expected{.landblock = "0xA9B4",
                          .portal_dat = "/p",
                          .cell_dat = "/c",
                          .total_surfaces = 2,
                          .category_counts = counts,
                          .surfaces = {decoded[0].audit, decoded[1].audit}};
  EXPECT_EQ(doc, expected);
}

TEST(ReportTest, NanStatisticIsNullAndTheRestIsComplete) {
  Decoded d = stone_surface();
  d.audit.variance = std::numeric_limits<float>::quiet_NaN();
  d.audit.mean_rgb[2] = std::numeric_limits<float>::infinity();
  const std::string text = serialize(0xA9B4, "p", "c", {d}, {{"Stone", 1}});
  EXPECT_NE(text.find("      \"variance\": null,\n"), std::string::npos);
  EXPECT_NE(text.find("        0.25,\n        null\n      ],\n"), std::string::npos);
  const auto surface = nlohmann::json::parse(text)["surfaces"][0];
  EXPECT_TRUE(surface["variance"].is_null());
  EXPECT_EQ(surface.size(), 12u);
  EXPECT_EQ(surface["saturation"].get<float>(), 0.75f);
}

struct PathCase {
  const char* name;
  std::string path;      // the path's native bytes
  std::string expected;  // its JSON text, quotes included
};

class ReportPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ReportPathTest, WritesPathBytesAsJsonString) {
  const PathCase& c = GetParam();
  const std::string text = serialize(0xA9B4, std::filesystem::path(c.path), std::filesystem::path(c.path), {}, {});
  const std::string expected = "{\n"
                               "  \"landblock\": \"0xA9B4\",\n"
                               "  \"portal_dat\": " + c.expected + ",\n"
                               "  \"cell_dat\": " + c.expected + ",\n"
                               "  \"total_surfaces\": 0,\n"
                               "  \"category_counts\": {},\n"
                               "  \"surfaces\": []\n"
                               "}";
  EXPECT_EQ(text, expected);
  EXPECT_TRUE(nlohmann::json::accept(text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportPathTest,
    ::testing::Values(PathCase{"QuoteAndBackslash", "dir\\x/\"q\".dat", "\"dir\\\\x/\\\"q\\\".dat\""},
                      PathCase{"NonAsciiUtf8", "/d\xC3\xA4ten/\xE6\x96\x87.dat", "\"/d\xC3\xA4ten/\xE6\x96\x87.dat\""},
                      PathCase{"NotUtf8", std::string("/x\xFF\xC3.dat"), "\"/x\xEF\xBF\xBD\xEF\xBF\xBD.dat\""},
                      PathCase{"ControlByte", std::string("a\nb"), "\"a\\nb\""}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ReportTest, NonUtf8PathIsKeptExactlyInTheDocument) {
  const AuditDoc doc = build_audit_doc(1, std::filesystem::path("/x\xFF.dat"), "c", std::vector<SurfaceAudit>{}, {});
  EXPECT_EQ(doc.portal_dat, "/x\xFF.dat");
  EXPECT_EQ(doc.landblock, "0x0001");
}

TEST(ReportTest, CategoryCountsInByteOrder) {
  const Counts counts = {{"Wood", 3}, {"Brick", 1}, {"Stone", 2}, {"Generic", 4}};
  const std::string text = serialize(0xA9B4, "p", "c", {}, counts);
  EXPECT_NE(text.find("  \"category_counts\": {\n"
                      "    \"Brick\": 1,\n"
                      "    \"Generic\": 4,\n"
                      "    \"Stone\": 2,\n"
                      "    \"Wood\": 3\n"
                      "  },\n"),
            std::string::npos);
}

struct HistogramCase {
  const char* name;
  Counts counts;
  std::vector<std::string> lines;
};

class HistogramTest : public ::testing::TestWithParam<HistogramCase> {};

TEST_P(HistogramTest, Lines) { EXPECT_EQ(histogram_lines(GetParam().counts), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Cases, HistogramTest,
    ::testing::Values(
        HistogramCase{"Empty", {}, {"Category histogram:"}},
        HistogramCase{"OneStone", {{"Stone", 5}}, {"Category histogram:", "         5 Stone"}},
        HistogramCase{"SortedAndWide",
                      {{"Wood", 2}, {"Brick", 123456789}, {"Lava", 12345678}},
                      {"Category histogram:", "  123456789 Brick", "  12345678 Lava", "         2 Wood"}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace quillfen::audit
