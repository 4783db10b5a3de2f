// The run: parse the landblock, open both DATs, discover, decode, report, sheet.
#include "surface-classify-audit/run.hpp"

#include <fmt/format.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/discovery.hpp"
#include "surface-classify-audit/console.hpp"
#include "surface-classify-audit/decode_pass.hpp"
#include "surface-classify-audit/error_report.hpp"
#include "surface-classify-audit/file_output.hpp"
#include "surface-classify-audit/landblock_key.hpp"
#include "surface-classify-audit/report.hpp"
#include "surface-classify-audit/tile_collector.hpp"

namespace quillfen::audit {
namespace {

std::expected<dat::DatDatabase, RunError> open_dat(const std::filesystem::path& path, std::string_view what,
                                                   std::FILE* log) {
  console_print(log, "Loading {} dat: {}\n", what, path.native());
  auto db = dat::DatDatabase::open(path);
  if (!db) return std::unexpected(to_run_error(db.error()));
  console_print(log, "  {} files: {}\n", what, db->files().size());
  return std::move(*db);
}

// The DATs are never written: an output path that names one of them (the same path, a
// link to it) would truncate it, so the write is refused before the file is opened.
std::expected<void, RunError> refuse_dat_as_output(const Cli& cli, const std::filesystem::path& output) {
  for (const auto* dat : {&cli.portal_dat, &cli.cell_dat}) {
    std::error_code ignored;
    if (std::filesystem::equivalent(output, *dat, ignored)) {
      return std::unexpected(
          RunError{fmt::format("refusing to write {}: it is the DAT file {}", output.native(), dat->native()), {}});
    }
  }
  return {};
}

// Both outputs at one file would leave only the sheet there, after a run that reported the
// document written: refused before any work. Paths that are not regular files (devices,
// FIFOs) take both, as they always have.
std::expected<void, RunError> refuse_shared_output(const Cli& cli) {
  if (!cli.contact_sheet) return {};
  const std::filesystem::path& sheet = *cli.contact_sheet;
  std::error_code error;
  const auto status = std::filesystem::status(sheet, error);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return {};
  std::error_code out_error;
  std::error_code sheet_error;
  const bool same = std::filesystem::equivalent(cli.out, sheet, error) ||
                    (std::filesystem::weakly_canonical(cli.out, out_error) ==
                         std::filesystem::weakly_canonical(sheet, sheet_error) &&
                     !out_error && !sheet_error);
  if (!same) return {};
  return std::unexpected(RunError{fmt::format("refusing to write the contact sheet to {}: it is the --out path {}",
                                              sheet.native(), cli.out.native()),
                                  {}});
}

std::expected<void, RunError> write_report(const Cli& cli, std::uint16_t landblock, DecodePassResult pass,
                                           std::FILE* log) {
  const auto counts = pass.category_counts;
  const AuditDoc doc =
      build_audit_doc(landblock, cli.portal_dat, cli.cell_dat, std::move(pass.surfaces), pass.category_counts);
  if (auto refused = refuse_dat_as_output(cli, cli.out); !refused) return refused;
  create_parent_directories(cli.out);
  if (auto written = write_whole_file(cli.out, serialize_audit_doc(doc)); !written) {
    return std::unexpected(RunError{fmt::format("write {}", cli.out.native()), {written.error().message()}});
  }
  console_print(log, "Wrote audit: {}\n", cli.out.native());
  for (const std::string& line : histogram_lines(counts)) console_print(log, "{}\n", line);
  return {};
}

std::expected<void, RunError> write_sheet(const Cli& cli, const std::filesystem::path& path,
                                          const TileCollector& tiles, std::FILE* log) {
  if (auto refused = refuse_dat_as_output(cli, path); !refused) return refused;
  create_parent_directories(path);
  if (auto written = tiles.write_ppm(path); !written) return written;
  console_print(log, "Wrote contact sheet: {}\n", path.native());
  return {};
}

}  // namespace

std::expected<void, RunError> run_audit(const Cli& cli, std::FILE* log) {
  const auto landblock = parse_landblock_key(cli.landblock);
  if (!landblock) return std::unexpected(landblock.error());
  if (auto refused = refuse_shared_output(cli); !refused) return refused;

  const auto portal = open_dat(cli.portal_dat, "portal", log);
  if (!portal) return std::unexpected(portal.error());
  const auto cell = open_dat(cli.cell_dat, "cell", log);
  if (!cell) return std::unexpected(cell.error());

  console_print(log, "Discovering surfaces for landblock 0x{:04X}...\n", *landblock);
  const std::vector<std::uint32_t> surface_ids = dat::discover_surfaces(*landblock, *portal, *cell);
  console_print(log, "  found {} unique surface DIDs\n", surface_ids.size());

  // The sheet needs only each image's tile, so each surface keeps the smaller of its image
  // and its tile as it is decoded.
  std::optional<TileCollector> tiles;
  if (cli.contact_sheet) tiles.emplace(cli.tile, cli.cols);
  DecodePassResult pass = run_decode_pass(surface_ids, *portal, log, [&tiles](const RgbaImage& image) {
    if (tiles) tiles->add(image);
  });

  if (auto reported = write_report(cli, *landblock, std::move(pass), log); !reported) return reported;
  if (cli.contact_sheet) return write_sheet(cli, *cli.contact_sheet, *tiles, log);
  return {};
}

int run_tool(const Cli& cli, std::FILE* log) {
  const auto result = run_audit(cli, log);
  if (result) return 0;
  console_write(log, format_error_report(result.error()));
  return kExitRunError;
}

}  // namespace quillfen::audit
