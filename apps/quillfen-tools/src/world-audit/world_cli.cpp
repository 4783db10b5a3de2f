// Command-line parsing with CLI11, in the single tool's manner: values are taken as text
// and checked here, and usage errors end with status 2.
#include "world-audit/world_cli.hpp"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "surface-classify-audit/default_paths.hpp"
#include "world-audit/landblock_list.hpp"
#include "world-audit/version.hpp"

namespace quillfen::world {
namespace {

constexpr const char* kUsageLine = "Usage: quillfen-world-audit [OPTIONS] --out-dir DIR";

CliExit usage_error(std::string_view message) {
  return CliExit{audit::kExitUsage, "",
                 fmt::format("error: {}\n{}\nRun with --help for more information.\n", message, kUsageLine)};
}

}  // namespace

std::variant<WorldCli, CliExit> parse_world_cli(std::span<const std::string> args, std::uint32_t default_jobs) {
  CLI::App app{"Audits the surfaces of every landblock of a world in one run: each surface decoded once, on all "
               "cores.",
               "quillfen-world-audit"};
  app.get_formatter()->column_width(34);

  std::string out_dir;
  std::string portal = audit::default_portal_dat().string();
  std::string cell = audit::default_cell_dat().string();
  std::string landblocks;
  std::string jobs = std::to_string(default_jobs);
  bool per_landblock = false;
  bool html = false;
  bool list = false;
  bool quiet = false;
  bool version = false;

  app.add_option("--out-dir", out_dir, "Directory for world.json, surfaces.json, warnings.json and the maps")
      ->type_name("DIR");
  app.add_option("--portal-dat", portal, "Path to the portal DAT")->type_name("PORTAL_DAT")->capture_default_str();
  app.add_option("--cell-dat", cell, "Path to the cell DAT")->type_name("CELL_DAT")->capture_default_str();
  auto* landblocks_option =
      app.add_option("--landblocks", landblocks,
                     "Landblocks to audit: hexadecimal keys and inclusive ranges, e.g. A9B4,A000-A0FF (default: "
                     "every landblock the cell DAT holds)")
          ->type_name("LIST");
  app.add_option("--jobs", jobs, "Worker threads (default: the number of cores)")->type_name("N")->capture_default_str();
  app.add_flag("--per-landblock", per_landblock,
               "Also write DIR/landblocks/XXXX.json, each the document surface-classify-audit writes");
  app.add_flag("--html", html,
               "Also write DIR/report/index.html: the world to explore in a browser, offline");
  app.add_flag("--list", list, "Print the landblocks the cell DAT holds and exit");
  app.add_flag("--quiet", quiet, "Print errors only");
  app.add_flag("--version", version, "Print the version and exit");

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return CliExit{0, app.help(), ""};
  } catch (const CLI::ParseError& e) {
    return usage_error(e.what());
  }
  if (version) return CliExit{0, fmt::format("quillfen-world-audit {}\n", project_version()), ""};

  WorldCli cli;
  cli.portal_dat = portal;
  cli.cell_dat = cell;
  cli.out_dir = out_dir;
  cli.per_landblock = per_landblock;
  cli.html = html;
  cli.list = list;
  cli.quiet = quiet;
  if (!list && out_dir.empty()) return usage_error("--out-dir is required");
  const auto jobs_value = audit::parse_decimal_u32(jobs);
  if (!jobs_value || *jobs_value == 0 || *jobs_value > kMaxJobs) {
    return usage_error(fmt::format("--jobs: invalid value '{}': expected a whole number from 1 to {}", jobs, kMaxJobs));
  }
  cli.jobs = *jobs_value;
  if (landblocks_option->count() > 0) {
    auto keys = parse_landblock_list(landblocks);
    if (!keys) return usage_error(keys.error());
    cli.landblocks = std::move(*keys);
  }
  return cli;
}

}  // namespace quillfen::world
