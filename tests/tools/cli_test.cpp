// The command line: options, defaults, help, and every usage error.
#include "surface-classify-audit/cli.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "surface-classify-audit/default_paths.hpp"

namespace quillfen::audit {
namespace {

std::variant<Cli, CliExit> parse(std::vector<std::string> args) { return parse_cli(args); }

TEST(CliTest, DefaultsApplyWithOnlyOut) {
  const auto parsed = parse({"--out", "audit.json"});
  ASSERT_TRUE(std::holds_alternative<Cli>(parsed));
  const Cli& cli = std::get<Cli>(parsed);
  EXPECT_EQ(cli.portal_dat, default_data_dir() / "client_portal.dat");
  EXPECT_EQ(cli.cell_dat, default_data_dir() / "client_cell_1.dat");
  EXPECT_EQ(cli.landblock, "0xA9B4");
  EXPECT_EQ(cli.out, "audit.json");
  EXPECT_FALSE(cli.contact_sheet.has_value());
  EXPECT_EQ(cli.tile, 64u);
  EXPECT_EQ(cli.cols, 10u);
}

TEST(CliTest, EveryOptionTakesItsValue) {
  const auto parsed = parse({"--portal-dat", "p.dat", "--cell-dat=c.dat", "--landblock", "-1", "--out", "o.json",
                             "--contact-sheet", "s.ppm", "--tile", "+010", "--cols", "4294967295"});
  ASSERT_TRUE(std::holds_alternative<Cli>(parsed));
  const Cli& cli = std::get<Cli>(parsed);
  EXPECT_EQ(cli.portal_dat, "p.dat");
  EXPECT_EQ(cli.cell_dat, "c.dat");
  EXPECT_EQ(cli.landblock, "-1");  // handed to the landblock parser, which rejects it
  EXPECT_EQ(cli.contact_sheet, std::filesystem::path("s.ppm"));
  EXPECT_EQ(cli.tile, 10u);
  EXPECT_EQ(cli.cols, 4294967295u);
}

TEST(CliTest, HelpGoesToStandardOutputWithStatusZero) {
  for (const char* flag : {"-h", "--help"}) {
    const auto parsed = parse({flag});
    ASSERT_TRUE(std::holds_alternative<CliExit>(parsed));
    const auto& exit = std::get<CliExit>(parsed);
    EXPECT_EQ(exit.status, 0);
    EXPECT_TRUE(exit.err_text.empty());
    for (const char* text :
         {"quillfen-tools", "--portal-dat PORTAL_DAT", "--cell-dat CELL_DAT", "--landblock LANDBLOCK", "--out OUT",
          "--contact-sheet CONTACT_SHEET", "--tile TILE", "--cols COLS", "Path to the portal DAT",
          "Path to the cell DAT (used to read LandblockInfo + EnvCells)", "Landblock packed key (e.g. 0xA9B4 = Dunmere)",
          "Output JSON path", "Each tile is 64×64", "Tile size for the contact sheet (default 64)",
          "Tiles per row in the contact sheet (default 10)", "=0xA9B4", "=64", "=10", "client_portal.dat"}) {
      EXPECT_NE(exit.out_text.find(text), std::string::npos) << text;
    }
  }
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
};

class CliUsageErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsageErrorTest, FailsWithStatusTwoAndAUsageLine) {
  const auto parsed = parse(GetParam().args);
  ASSERT_TRUE(std::holds_alternative<CliExit>(parsed));
  const auto& exit = std::get<CliExit>(parsed);
  EXPECT_EQ(exit.status, 2);
  EXPECT_TRUE(exit.out_text.empty());
  EXPECT_NE(exit.err_text.find("Usage: quillfen-tools"), std::string::npos) << exit.err_text;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, CliUsageErrorTest,
    ::testing::Values(UsageCase{"MissingOut", {}}, UsageCase{"UnknownOption", {"--out", "o", "--bogus", "x"}},
                      UsageCase{"MissingValue", {"--out"}}, UsageCase{"Positional", {"--out", "o", "extra"}},
                      UsageCase{"RepeatedOption", {"--out", "a", "--out", "b"}},
                      UsageCase{"ShortOption", {"--out", "o", "-t", "5"}},
                      UsageCase{"TileHex", {"--out", "o", "--tile", "0x10"}},
                      UsageCase{"TileSpace", {"--out", "o", "--tile", " 7"}},
                      UsageCase{"TileNegative", {"--out", "o", "--tile=-3"}},
                      UsageCase{"TileEmpty", {"--out", "o", "--tile", ""}},
                      UsageCase{"TilePlusOnly", {"--out", "o", "--tile", "+"}},
                      UsageCase{"TileTooLarge", {"--out", "o", "--tile", "4294967296"}},
                      UsageCase{"ColsDecimalPoint", {"--out", "o", "--cols", "1.5"}},
                      UsageCase{"ColsTwoPlus", {"--out", "o", "--cols", "++1"}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ParseDecimalU32Test, AcceptsOnlyPlusAndDigits) {
  EXPECT_EQ(parse_decimal_u32("0"), 0u);
  EXPECT_EQ(parse_decimal_u32("010"), 10u);
  EXPECT_EQ(parse_decimal_u32("+7"), 7u);
  EXPECT_EQ(parse_decimal_u32("00000000000000000004294967295"), 4294967295u);
  EXPECT_FALSE(parse_decimal_u32("4294967296"));
  EXPECT_FALSE(parse_decimal_u32("7 "));
  EXPECT_FALSE(parse_decimal_u32("-0"));
}

}  // namespace
}  // namespace quillfen::audit
