// Serialising the world's documents with the audit's JSON writer.
#include "world-audit/world_documents.hpp"

#include <fmt/format.h>
#include <tbb/parallel_for.h>

#include <array>
#include <string>
#include <vector>

#include "surface-classify-audit/json_writer.hpp"

namespace quillfen::world {
namespace {

using audit::JsonWriter;

// The size of the pieces handed to a sink.
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
// Landblock keys (and surfaces) written apart at once: about 2.5 MB of text.
constexpr std::size_t kKeysPerBatch = std::size_t{1} << 18;

std::string key_text(std::uint16_t key) { return fmt::format("0x{:04X}", key); }

void write_counts(JsonWriter& json, const CategoryCounts& counts) {
  json.begin_object();
  for (const auto& [name, count] : counts) {
    json.key(name);
    json.uint_value(count);
  }
  json.end_object();
}

// "0xA9B4" with its quotes, built by hand: a large world writes millions of them.
std::array<char, 8> quoted_key(std::uint16_t key) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  return {'"', '0', 'x', kHex[key >> 12], kHex[(key >> 8) & 0xF], kHex[(key >> 4) & 0xF], kHex[key & 0xF], '"'};
}

// A surface's users on one line: a common surface has thousands of them.
void write_landblock_list(JsonWriter& json, const std::vector<std::uint16_t>& keys) {
  json.key("landblocks");
  json.begin_inline_array();
  for (const std::uint16_t key : keys) {
    const auto text = quoted_key(key);
    json.raw_value(std::string_view(text.data(), text.size()));
  }
  json.end_array();
}

// Hands what `json` holds to the sink once it has grown to a piece.
bool flush_if_full(JsonWriter& json, const TextSink& sink) {
  if (json.text().size() < kPieceBytes) return true;
  return sink(json.drain());
}

// The document's end: the rest of the text and its final newline.
bool finish(JsonWriter& json, const TextSink& sink) {
  std::string rest = json.drain();
  rest += '\n';
  return sink(std::move(rest));
}

template <class Write>
std::string whole(Write write) {
  std::string text;
  write([&text](std::string&& piece) {
    text += piece;
    return true;
  });
  return text;
}

}  // namespace

void write_audit_header(JsonWriter& json, std::uint64_t format_version, const WorldSummary& summary,
                        const AuditedPaths& paths, std::string_view version) {
  json.key("format_version");
  json.uint_value(format_version);
  json.key("tool");
  json.string_value("quillfen-world-audit");
  json.key("tool_version");
  json.string_value(version);
  json.key("portal_dat");
  json.string_value(paths.portal_dat.native());
  json.key("cell_dat");
  json.string_value(paths.cell_dat.native());
  json.key("landblock_count");
  json.uint_value(summary.landblocks.size());
  json.key("unique_surfaces");
  json.uint_value(summary.unique_surfaces);
  json.key("decoded");
  json.uint_value(summary.decoded);
  json.key("failed");
  json.uint_value(summary.failed);
  json.key("category_counts");
  write_counts(json, summary.category_counts);
}

bool write_world_doc(const WorldSummary& summary, const AuditedPaths& paths, std::string_view version,
                     const TextSink& sink) {
  JsonWriter json(kPieceBytes + 4096);
  json.begin_object();
  write_audit_header(json, kWorldFormatVersion, summary, paths, version);
  json.key("landblocks");
  json.begin_array();
  for (const LandblockSummary& row : summary.landblocks) {
    json.begin_object();
    json.key("landblock");
    json.string_value(key_text(row.key));
    json.key("surfaces");
    json.uint_value(row.found);
    json.key("decoded");
    json.uint_value(row.decoded);
    json.key("failed");
    json.uint_value(row.failed);
    json.key("category_counts");
    write_counts(json, row.category_counts);
    json.key("dominant_category");
    if (row.dominant) {
      json.string_value(dat::surface_classify::display_name(*row.dominant));
    } else {
      json.null_value();
    }
    json.end_object();
    if (!flush_if_full(json, sink)) return false;
  }
  json.end_array();
  json.end_object();
  return finish(json, sink);
}

bool write_surfaces_doc(const WorldAudit& world, const TextSink& sink) {
  JsonWriter json(kPieceBytes + 4096);
  std::uint64_t decoded = 0;
  for (const auto& surface : world.surfaces) decoded += surface.audit ? 1 : 0;
  json.begin_object();
  json.key("format_version");
  json.uint_value(kWorldFormatVersion);
  json.key("total_surfaces");
  json.uint_value(decoded);
  json.key("surfaces");
  json.begin_array();
  // The surfaces' objects are written on all threads a batch at a time, then joined in
  // order: a batch holds a bounded number of landblock keys, however many surfaces.
  std::vector<const AuditedSurface*> batch;
  std::vector<std::string> texts;
  const auto write_batch = [&] {
    texts.resize(batch.size());
    tbb::parallel_for(std::size_t{0}, batch.size(), [&](std::size_t i) {
      JsonWriter element = JsonWriter::embedded_at(2);
      element.begin_object();
      audit::write_surface_members(element, *batch[i]->audit);
      write_landblock_list(element, batch[i]->landblocks);
      element.end_object();
      texts[i] = element.take();
    });
    for (const std::string& text : texts) {
      json.raw_value(text);
      if (!flush_if_full(json, sink)) return false;
    }
    batch.clear();
    return true;
  };
  std::size_t keys_in_batch = 0;
  for (const AuditedSurface& surface : world.surfaces) {
    if (!surface.audit) continue;
    batch.push_back(&surface);
    keys_in_batch += surface.landblocks.size() + 1;
    if (keys_in_batch >= kKeysPerBatch) {
      if (!write_batch()) return false;
      keys_in_batch = 0;
    }
  }
  if (!write_batch()) return false;
  json.end_array();
  json.end_object();
  return finish(json, sink);
}

bool write_warnings_doc(const WorldAudit& world, const TextSink& sink) {
  std::uint64_t failed = 0;
  for (const auto& surface : world.surfaces) failed += surface.audit ? 0 : 1;
  JsonWriter json(kPieceBytes + 4096);
  json.begin_object();
  json.key("format_version");
  json.uint_value(kWorldFormatVersion);
  json.key("total_failed");
  json.uint_value(failed);
  json.key("warnings");
  json.begin_array();
  for (const AuditedSurface& surface : world.surfaces) {
    if (surface.audit) continue;
    json.begin_object();
    json.key("did");
    json.string_value(fmt::format("0x{:08X}", surface.id));
    json.key("reason");
    json.string_value(surface.failure);
    write_landblock_list(json, surface.landblocks);
    json.end_object();
    if (!flush_if_full(json, sink)) return false;
  }
  json.end_array();
  json.end_object();
  return finish(json, sink);
}

std::string serialize_world_doc(const WorldSummary& summary, const AuditedPaths& paths, std::string_view version) {
  return whole([&](const TextSink& sink) { return write_world_doc(summary, paths, version, sink); });
}

std::string serialize_surfaces_doc(const WorldAudit& world) {
  return whole([&](const TextSink& sink) { return write_surfaces_doc(world, sink); });
}

std::string serialize_warnings_doc(const WorldAudit& world) {
  return whole([&](const TextSink& sink) { return write_warnings_doc(world, sink); });
}

audit::AuditDoc landblock_doc(const WorldAudit& world, std::size_t index, const AuditedPaths& paths) {
  const AuditedLandblock& landblock = world.landblocks[index];
  std::vector<audit::SurfaceAudit> surfaces;
  std::map<std::string, std::uint64_t> counts;
  for (const std::uint32_t surface : landblock.surfaces) {
    const auto& audit = world.surfaces[surface].audit;
    if (!audit) continue;
    ++counts[audit->category];
    surfaces.push_back(*audit);
  }
  return audit::build_audit_doc(landblock.key, paths.portal_dat, paths.cell_dat, std::move(surfaces), counts);
}

std::filesystem::path landblock_doc_path(const std::filesystem::path& out_dir, std::uint16_t key) {
  return out_dir / "landblocks" / fmt::format("{:04X}.json", key);
}

}  // namespace quillfen::world
