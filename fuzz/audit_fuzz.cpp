// The whole audit on an arbitrary portal and cell DAT pair: discovery, the decode pass,
// the JSON document and the contact sheet, all in memory. The document must always be
// valid JSON with one entry per decoded surface, and the sheet must always stream whole.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include <nlohmann/json.hpp>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/discovery.hpp"
#include "support/memory_file.hpp"
#include "surface-classify-audit/decode_pass.hpp"
#include "surface-classify-audit/report.hpp"
#include "surface-classify-audit/tile_collector.hpp"

namespace {

// Small tiles keep each run cheap; the sheet's size rules are the same for any tile.
constexpr std::uint32_t kTile = 8;
constexpr std::uint32_t kColumns = 5;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillfen;
  static fuzz::MemoryFile portal_file;
  static fuzz::MemoryFile cell_file;
  static std::FILE* const log = std::fopen("/dev/null", "w");

  // Bytes 0-1: the landblock key; then the two DATs, split as split_input says.
  if (size < 2) return 0;
  const auto landblock = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
  const auto [portal_bytes, cell_bytes] = fuzz::split_input(std::span(data + 2, size - 2));
  portal_file.assign(portal_bytes);
  cell_file.assign(cell_bytes);
  const auto portal = dat::DatDatabase::open(portal_file.path());
  if (!portal) return 0;
  const auto cell = dat::DatDatabase::open(cell_file.path());
  if (!cell) return 0;

  const auto surface_ids = dat::discover_surfaces(landblock, *portal, *cell);
  audit::TileCollector tiles(kTile, kColumns);
  auto pass = audit::run_decode_pass(surface_ids, *portal, log, [&tiles](const audit::RgbaImage& image) {
    tiles.add(image);
  });
  const std::size_t decoded = pass.surfaces.size();
  const auto doc = audit::build_audit_doc(landblock, "portal \"dat\"", "cell\\dat", std::move(pass.surfaces),
                                          pass.category_counts);
  const std::string text = audit::serialize_audit_doc(doc);
  const auto parsed = nlohmann::json::parse(text, nullptr, false);
  if (parsed.is_discarded() || parsed["surfaces"].size() != decoded || parsed["total_surfaces"] != decoded) {
    std::abort();
  }
  // The sheet streams every one of its bytes, whatever the images were.
  const auto layout = tiles.layout();
  if (!layout || layout->width != kTile * kColumns) std::abort();
  std::size_t streamed = 0;
  const auto drawn = audit::stream_sheet_pixels(*layout, tiles.pictures(), [&streamed](std::span<const std::uint8_t> piece) {
    streamed += piece.size();
    return std::expected<void, audit::RunError>{};
  });
  if (!drawn || streamed != layout->sheet_bytes()) std::abort();
  return 0;
}
