// The run: open both DATs (at once), choose the landblocks, audit them, write the outputs
// and summarise. Every console line goes through Console, so --quiet leaves only errors.
#include "world-audit/world_run.hpp"

#include <unistd.h>

#include <tbb/global_control.h>
#include <tbb/parallel_invoke.h>
#include <tbb/task_arena.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

#include "quillfen/dat/database.hpp"
#include "surface-classify-audit/error_report.hpp"
#include "surface-classify-audit/report.hpp"
#include "world-audit/landblock_presence.hpp"
#include "world-audit/progress.hpp"
#include "world-audit/report/report_writer.hpp"
#include "world-audit/report/thumbnail_store.hpp"
#include "world-audit/version.hpp"
#include "world-audit/world_audit.hpp"
#include "world-audit/world_decode.hpp"
#include "world-audit/world_discovery.hpp"
#include "world-audit/world_outputs.hpp"
#include "world-audit/world_summary.hpp"

namespace quillfen::world {
namespace {

using DatResult = std::expected<dat::DatDatabase, dat::DatError>;

struct OpenDats {
  dat::DatDatabase portal;
  dat::DatDatabase cell;
};

// Both indexes are read at once; the lines come out in the single tool's order.
std::expected<OpenDats, RunError> open_dats(const WorldCli& cli, Console& console) {
  std::optional<DatResult> portal;
  std::optional<DatResult> cell;
  tbb::parallel_invoke([&] { portal.emplace(dat::DatDatabase::open(cli.portal_dat)); },
                       [&] { cell.emplace(dat::DatDatabase::open(cli.cell_dat)); });
  console.line("Loading portal dat: {}", cli.portal_dat.native());
  if (!*portal) return std::unexpected(audit::to_run_error(portal->error()));
  console.line("  portal files: {}", (*portal)->files().size());
  console.line("Loading cell dat: {}", cli.cell_dat.native());
  if (!*cell) return std::unexpected(audit::to_run_error(cell->error()));
  console.line("  cell files: {}", (*cell)->files().size());
  return OpenDats{std::move(**portal), std::move(**cell)};
}

// The list is the run's whole result, so unlike a console line a failure to write it is
// an error.
std::expected<void, RunError> print_list(const dat::DatDatabase& cell, std::FILE* out) {
  std::string text;
  for (const LandblockPresence& landblock : present_landblocks(cell.files())) {
    text += fmt::format("0x{:04X} cells={} info={}\n", landblock.key, landblock.interior_cells,
                        landblock.has_info ? "yes" : "no");
  }
  if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
    return std::unexpected(RunError{"write the landblock list to standard output", {std::strerror(errno)}});
  }
  return {};
}

std::vector<std::uint16_t> keys_to_audit(const WorldCli& cli, const dat::DatDatabase& cell) {
  if (cli.landblocks) return *cli.landblocks;
  std::vector<std::uint16_t> keys;
  for (const LandblockPresence& landblock : present_landblocks(cell.files())) keys.push_back(landblock.key);
  return keys;
}

// The DATs are never written: a directory whose outputs would land on one of them is
// refused before anything is written.
std::expected<void, RunError> refuse_dat_as_output(const WorldCli& cli, const std::filesystem::path& output) {
  for (const auto* dat : {&cli.portal_dat, &cli.cell_dat}) {
    std::error_code ignored;
    if (std::filesystem::equivalent(output, *dat, ignored)) {
      return std::unexpected(
          RunError{fmt::format("refusing to write {}: it is the DAT file {}", output.native(), dat->native()), {}});
    }
  }
  return {};
}

std::expected<void, RunError> prepare_out_dir(const WorldCli& cli) {
  std::error_code error;
  std::filesystem::create_directories(cli.out_dir, error);
  if (error) {
    return std::unexpected(RunError{fmt::format("create directory {}", cli.out_dir.native()), {error.message()}});
  }
  for (const std::string_view name : {kWorldDoc, kSurfacesDoc, kWarningsDoc, kMaterialMap, kColourMap}) {
    if (auto refused = refuse_dat_as_output(cli, cli.out_dir / name); !refused) return refused;
  }
  return {};
}

// The console of the audit passes: whether to draw the progress line, and since when.
struct PassConsole {
  Console& console;
  bool draw_progress;
  std::chrono::steady_clock::time_point started;
};

struct AuditPass {
  WorldAudit world;
  std::unique_ptr<ThumbnailStore> thumbnails;  // the report's; empty without --html
};

// Discovers and decodes the landblocks' surfaces, with their phase lines.
std::expected<AuditPass, RunError> audit_pass(const WorldCli& cli, const OpenDats& dats,
                                              std::span<const std::uint16_t> keys, unsigned threads,
                                              const PassConsole& out) {
  Console& console = out.console;
  AuditCounters counters;
  console.line("Discovering surfaces of {} landblocks on {} threads...", keys.size(), threads);
  std::optional<WorldAudit> indexed;
  {
    const ProgressLine progress(console.stream(), counters, out.draw_progress, out.started);
    auto found = discover_world(keys, dats.portal, dats.cell, counters);
    if (!found) return std::unexpected(RunError{std::move(found).error(), {}});
    indexed.emplace(index_world(std::move(*found)));
  }
  AuditPass pass{std::move(*indexed), nullptr};
  console.line("  found {} unique surface DIDs", pass.world.surfaces.size());

  console.line("Decoding {} surfaces...", pass.world.surfaces.size());
  counters.surfaces_total.store(pass.world.surfaces.size());
  WorldAuditSettings settings;
  settings.pixel_budget = world_pixel_budget(dats.portal.file_length());
  // The report's thumbnails are sampled as the surfaces decode: no image is kept for it.
  pass.thumbnails = std::make_unique<ThumbnailStore>(cli.html ? pass.world.surfaces.size() : 0);
  if (cli.html) settings.on_image = pass.thumbnails->sampler();
  {
    const ProgressLine progress(console.stream(), counters, out.draw_progress, out.started);
    decode_world(pass.world, dats.portal, settings, counters);
  }
  return pass;
}

// Both DATs opened afresh, with budgets of their own, without the loading lines.
std::expected<OpenDats, RunError> reopen_dats(const WorldCli& cli) {
  auto portal = dat::DatDatabase::open(cli.portal_dat);
  if (!portal) return std::unexpected(audit::to_run_error(portal.error()));
  auto cell = dat::DatDatabase::open(cli.cell_dat);
  if (!cell) return std::unexpected(audit::to_run_error(cell.error()));
  return OpenDats{std::move(*portal), std::move(*cell)};
}

void print_summary(Console& console, const WorldCli& cli, const WorldSummary& summary) {
  console.line("Summary:");
  console.line("  landblocks:      {}", summary.landblocks.size());
  console.line("  unique surfaces: {}", summary.unique_surfaces);
  console.line("  decoded:         {}", summary.decoded);
  console.line("  failed:          {}", summary.failed);
  for (const std::string& line : audit::histogram_lines(summary.category_counts)) console.line("{}", line);
  const std::string per_landblock =
      cli.per_landblock ? fmt::format(", landblocks/ ({} documents)", summary.landblocks.size()) : "";
  const std::string report = cli.html ? fmt::format(", {}", kReportPage) : "";
  console.line("Wrote {}: {}, {}, {}, {}, {}{}{}", cli.out_dir.native(), kWorldDoc, kSurfacesDoc, kWarningsDoc,
               kMaterialMap, kColourMap, per_landblock, report);
}

}  // namespace

std::expected<void, RunError> run_world_audit(const WorldCli& cli, Console& console, std::FILE* out) {
  auto dats = open_dats(cli, console);
  if (!dats) return std::unexpected(dats.error());
  if (cli.list) return print_list(dats->cell, out);
  if (auto prepared = prepare_out_dir(cli); !prepared) return prepared;

  const std::vector<std::uint16_t> keys = keys_to_audit(cli, dats->cell);
  const PassConsole pass_console{console, !console.quiet() && ::isatty(::fileno(console.stream())) == 1,
                                 std::chrono::steady_clock::now()};
  auto pass = audit_pass(cli, *dats, keys, cli.jobs, pass_console);
  if (!pass) return std::unexpected(pass.error());
  auto checked = check_work_budgets(dats->portal, dats->cell);
  if (!checked && cli.jobs > 1) {
    // Which lookups the shared budget refused depended on how the threads met; one thread
    // makes them in a fixed order, so the outputs are the same whatever --jobs says.
    console.line("  {}: auditing again on one thread, so that what it refuses does not depend on timing",
                 checked.error());
    auto reopened = reopen_dats(cli);
    if (!reopened) return std::unexpected(reopened.error());
    *dats = std::move(*reopened);
    tbb::task_arena one_thread(1);
    one_thread.execute([&] { pass = audit_pass(cli, *dats, keys, 1, pass_console); });
    if (!pass) return std::unexpected(pass.error());
    checked = check_work_budgets(dats->portal, dats->cell);
  }
  const WorldAudit& world = pass->world;
  ThumbnailStore& thumbnails = *pass->thumbnails;
  const WorldSummary summary = summarize(world);
  console.line("  decoded {}, failed {}", summary.decoded, summary.failed);
  if (summary.failed > 0) console.line("  warn: {} surfaces failed to decode (reasons in {})", summary.failed, kWarningsDoc);
  if (!checked) console.line("  warn: {}; the files it refused were skipped", checked.error());

  console.line("Writing outputs to {}...", cli.out_dir.native());
  const AuditedPaths paths{cli.portal_dat, cli.cell_dat};
  // The report is written beside the documents: it keeps the cores busy while the long
  // surfaces.json is written. Errors are reported in a fixed order all the same.
  std::expected<void, RunError> outputs;
  std::expected<void, RunError> report;
  const ReportInputs report_inputs{world, summary, paths, thumbnails, project_version()};
  tbb::parallel_invoke([&] { outputs = write_world_outputs(cli.out_dir, world, summary, paths); },
                       [&] {
                         if (cli.html) report = write_report(cli.out_dir, report_inputs);
                       });
  if (!outputs) return outputs;
  if (cli.per_landblock) {
    if (auto written = write_landblock_docs(cli.out_dir, world, paths); !written) return written;
  }
  if (!report) return report;
  print_summary(console, cli, summary);
  return {};
}

int run_world_tool(const WorldCli& cli, std::FILE* out, std::FILE* err) {
  Console console(err, cli.quiet);
  // The arena bounds the threads that run the work; the global control keeps oneTBB from
  // starting more workers than that behind it.
  const tbb::global_control threads(tbb::global_control::max_allowed_parallelism, cli.jobs);
  tbb::task_arena arena(static_cast<int>(cli.jobs));
  std::expected<void, RunError> result;
  arena.execute([&] { result = run_world_audit(cli, console, out); });
  if (result) return 0;
  console.error(audit::format_error_report(result.error()));
  return 1;
}

}  // namespace quillfen::world
