// Command-line parsing with CLI11. Numeric values are taken as text and parsed here:
// CLI11 would read "010" as octal and accept "0x10" or " 7", and its own exit codes
// differ from the tool's.
#include "surface-classify-audit/cli.hpp"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <vector>

#include "surface-classify-audit/default_paths.hpp"

namespace quillfen::audit {
namespace {

constexpr const char* kUsageLine = "Usage: quillfen-tools [OPTIONS] --out OUT";

CliExit usage_error(std::string_view message) {
  return CliExit{kExitUsage, "", fmt::format("error: {}\n{}\nRun with --help for more information.\n", message, kUsageLine)};
}

}  // namespace

std::optional<std::uint32_t> parse_decimal_u32(std::string_view text) {
  if (text.starts_with('+')) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::variant<Cli, CliExit> parse_cli(std::span<const std::string> args) {
  CLI::App app{"Finds every surface of one landblock, decodes and classifies it, and writes a JSON audit.",
               "quillfen-tools"};
  app.get_formatter()->column_width(34);

  std::string portal = default_portal_dat().string();
  std::string cell = default_cell_dat().string();
  std::string landblock = "0xA9B4";
  std::string out;
  std::string contact_sheet;
  std::string tile = "64";
  std::string cols = "10";

  app.add_option("--portal-dat", portal, "Path to the portal DAT")->type_name("PORTAL_DAT")->capture_default_str();
  app.add_option("--cell-dat", cell, "Path to the cell DAT (used to read LandblockInfo + EnvCells)")
      ->type_name("CELL_DAT")
      ->capture_default_str();
  app.add_option("--landblock", landblock, "Landblock packed key (e.g. 0xA9B4 = Dunmere)")
      ->type_name("LANDBLOCK")
      ->capture_default_str();
  app.add_option("--out", out, "Output JSON path")->type_name("OUT")->required();
  auto* sheet_option =
      app.add_option("--contact-sheet", contact_sheet,
                     "Optional PPM contact sheet output path. Each tile is 64×64; tile label baked in stats JSON. PPM "
                     "is uncompressed but universally viewable; convert with `convert sheet.ppm sheet.png` for sharing")
          ->type_name("CONTACT_SHEET");
  app.add_option("--tile", tile, "Tile size for the contact sheet (default 64)")->type_name("TILE")->capture_default_str();
  app.add_option("--cols", cols, "Tiles per row in the contact sheet (default 10)")->type_name("COLS")->capture_default_str();

  // CLI11 wants the arguments in reverse order when given as a vector.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return CliExit{0, app.help(), ""};
  } catch (const CLI::ParseError& e) {
    return usage_error(e.what());
  }

  Cli cli;
  cli.portal_dat = portal;
  cli.cell_dat = cell;
  cli.landblock = landblock;
  cli.out = out;
  if (sheet_option->count() > 0) cli.contact_sheet = contact_sheet;
  const auto tile_value = parse_decimal_u32(tile);
  if (!tile_value) return usage_error(fmt::format("--tile: invalid value '{}': expected a whole number from 0 to 4294967295", tile));
  const auto cols_value = parse_decimal_u32(cols);
  if (!cols_value) return usage_error(fmt::format("--cols: invalid value '{}': expected a whole number from 0 to 4294967295", cols));
  cli.tile = *tile_value;
  cli.cols = *cols_value;
  return cli;
}

}  // namespace quillfen::audit
