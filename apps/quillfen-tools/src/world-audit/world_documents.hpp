// The JSON documents of a world run: world.json, surfaces.json, warnings.json, and each
// landblock's document in exactly the single-landblock tool's form. They use that tool's
// writer and number rules; the world's own documents end with a newline.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "surface-classify-audit/json_writer.hpp"
#include "surface-classify-audit/report.hpp"
#include "world-audit/world_audit.hpp"
#include "world-audit/world_summary.hpp"

namespace quillfen::world {

// Raised whenever a document's members change in a way a reader would notice.
inline constexpr std::uint64_t kWorldFormatVersion = 1;

// What was audited, as the documents name it.
struct AuditedPaths {
  std::filesystem::path portal_dat;  // exactly as given on the command line
  std::filesystem::path cell_dat;
};

// Receives a document's text piece by piece, in order; false stops the writing.
using TextSink = std::function<bool(std::string&& piece)>;

// The members that open world.json and the report's data alike, inside an object just
// begun: the format version, what was audited and by which tool, the counts and the
// category histogram.
void write_audit_header(audit::JsonWriter& json, std::uint64_t format_version, const WorldSummary& summary,
                        const AuditedPaths& paths, std::string_view version);

// Each writes its whole document to `sink` and returns what the last call of the sink
// returned. surfaces.json holds one entry per decoded surface with the users of each,
// which for a large world runs to tens of megabytes; it is handed over in pieces of
// about a megabyte so it never has to be held whole.
bool write_world_doc(const WorldSummary& summary, const AuditedPaths& paths, std::string_view version,
                     const TextSink& sink);
bool write_surfaces_doc(const WorldAudit& world, const TextSink& sink);
bool write_warnings_doc(const WorldAudit& world, const TextSink& sink);

// The same, whole, for callers that want the text.
std::string serialize_world_doc(const WorldSummary& summary, const AuditedPaths& paths, std::string_view version);
std::string serialize_surfaces_doc(const WorldAudit& world);
std::string serialize_warnings_doc(const WorldAudit& world);

// The document `surface-classify-audit --landblock` writes for landblock `index` of the
// world with the same DAT paths.
audit::AuditDoc landblock_doc(const WorldAudit& world, std::size_t index, const AuditedPaths& paths);

// "landblocks/XXXX.json" under the output directory.
std::filesystem::path landblock_doc_path(const std::filesystem::path& out_dir, std::uint16_t key);

}  // namespace quillfen::world
