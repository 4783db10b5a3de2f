// The run: parse the landblock, open both DATs, then the audit steps in their fixed order.
#include "surface-classify-audit/run.hpp"

#include <fmt/format.h>

#include "quillfen/dat/database.hpp"
#include "surface-classify-audit/error_report.hpp"
#include "surface-classify-audit/landblock_key.hpp"

namespace quillfen::audit {
namespace {

std::expected<dat::DatDatabase, RunError> open_dat(const std::filesystem::path& path, std::string_view what,
                                                   std::FILE* log) {
  fmt::print(log, "Loading {} dat: {}\n", what, path.string());
  auto db = dat::DatDatabase::open(path);
  if (!db) return std::unexpected(to_run_error(db.error()));
  fmt::print(log, "  {} files: {}\n", what, db->files().size());
  return std::move(*db);
}

}  // namespace

std::expected<void, RunError> run_audit(const Cli& cli, std::FILE* log) {
  const auto landblock = parse_landblock_key(cli.landblock);
  if (!landblock) return std::unexpected(landblock.error());

  const auto portal = open_dat(cli.portal_dat, "portal", log);
  if (!portal) return std::unexpected(portal.error());
  const auto cell = open_dat(cli.cell_dat, "cell", log);
  if (!cell) return std::unexpected(cell.error());
  return {};
}

int run_tool(const Cli& cli, std::FILE* log) {
  const auto result = run_audit(cli, log);
  if (result) return 0;
  fmt::print(log, "{}", format_error_report(result.error()));
  return kExitRunError;
}

}  // namespace quillfen::audit
