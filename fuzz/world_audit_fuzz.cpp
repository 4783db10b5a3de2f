// The world audit on an arbitrary portal and cell DAT pair: every present landblock and
// the one the input names, on two threads; its documents must be valid JSON that agree
// with each other, its maps must encode, and each landblock's document must be the one
// the single-landblock path writes (unless the pixel budget, which the two paths size
// differently, ran out).
#include <tbb/task_arena.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <span>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/discovery.hpp"
#include "support/memory_file.hpp"
#include "surface-classify-audit/decode_pass.hpp"
#include "surface-classify-audit/report.hpp"
#include "world-audit/landblock_presence.hpp"
#include "world-audit/png_writer.hpp"
#include "world-audit/world_audit.hpp"
#include "world-audit/world_documents.hpp"
#include "world-audit/world_maps.hpp"
#include "world-audit/world_summary.hpp"

namespace {

using namespace quillfen;

void check(bool ok) {
  if (!ok) std::abort();
}

bool budget_ran_out(const world::WorldAudit& audit) {
  for (const auto& surface : audit.surfaces) {
    if (surface.failure.find("budget") != std::string::npos) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile portal_file;
  static fuzz::MemoryFile cell_file;
  static std::FILE* const log = std::fopen("/dev/null", "w");
  static tbb::task_arena arena(2);

  // Bytes 0-1: one more landblock key to audit; then the two DATs, as in audit_fuzz.
  if (size < 2) return 0;
  const auto extra = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
  const auto [portal_bytes, cell_bytes] = fuzz::split_input(std::span(data + 2, size - 2));
  portal_file.assign(portal_bytes);
  cell_file.assign(cell_bytes);
  const auto portal = dat::DatDatabase::open(portal_file.path());
  if (!portal) return 0;
  const auto cell = dat::DatDatabase::open(cell_file.path());
  if (!cell) return 0;

  std::vector<std::uint16_t> keys{extra};
  for (const auto& landblock : world::present_landblocks(cell->files())) keys.push_back(landblock.key);
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());

  world::WorldAudit audit;
  bool within_limits = true;
  arena.execute([&] {
    world::AuditCounters counters;
    world::WorldAuditSettings settings;
    settings.pixel_budget = world::world_pixel_budget(portal->file_length());
    auto audited = world::audit_world(keys, *portal, *cell, settings, counters);
    within_limits = audited.has_value();
    if (audited) audit = std::move(*audited);
  });
  if (!within_limits) return 0;
  const world::WorldSummary summary = world::summarize(audit);
  const world::AuditedPaths paths{"portal", "cell"};
  const auto world_doc = nlohmann::json::parse(world::serialize_world_doc(summary, paths, "0"), nullptr, false);
  const auto surfaces_doc = nlohmann::json::parse(world::serialize_surfaces_doc(audit), nullptr, false);
  const auto warnings_doc = nlohmann::json::parse(world::serialize_warnings_doc(audit), nullptr, false);
  check(!world_doc.is_discarded() && !surfaces_doc.is_discarded() && !warnings_doc.is_discarded());
  check(world_doc["landblock_count"] == keys.size());
  check(surfaces_doc["surfaces"].size() + warnings_doc["warnings"].size() == audit.surfaces.size());
  for (const world::MapImage& image : {world::material_map(summary, 1), world::colour_map(summary, 1)}) {
    check(world::encode_png(image.width, image.height, world::PngChannels::Rgb, image.rgb).has_value());
  }

  if (budget_ran_out(audit)) return 0;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const auto ids = dat::discover_surfaces(keys[i], *portal, *cell);
    auto pass = audit::run_decode_pass(ids, *portal, log);
    const auto single = audit::build_audit_doc(keys[i], "portal", "cell", std::move(pass.surfaces), pass.category_counts);
    check(audit::serialize_audit_doc(single) == audit::serialize_audit_doc(world::landblock_doc(audit, i, paths)));
  }
  return 0;
}
