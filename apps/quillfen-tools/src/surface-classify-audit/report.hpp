// The audit report: the document built from the decode pass, its exact JSON text, and
// the category histogram lines.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "surface-classify-audit/decoded.hpp"
#include "surface-classify-audit/json_writer.hpp"

namespace quillfen::audit {

struct AuditDoc {
  std::string landblock;   // "0x" and 4 upper-case hex digits
  std::string portal_dat;  // the path's bytes exactly as given
  std::string cell_dat;
  std::uint64_t total_surfaces = 0;
  std::map<std::string, std::uint64_t> category_counts;  // std::less<std::string> is byte order
  std::vector<SurfaceAudit> surfaces;

  bool operator==(const AuditDoc&) const = default;
};

AuditDoc build_audit_doc(std::uint16_t landblock, const std::filesystem::path& portal_dat,
                         const std::filesystem::path& cell_dat, std::vector<SurfaceAudit> surfaces,
                         const std::map<std::string, std::uint64_t>& category_counts);
// The same from decoded records, whose images are left out.
AuditDoc build_audit_doc(std::uint16_t landblock, const std::filesystem::path& portal_dat,
                         const std::filesystem::path& cell_dat, const std::vector<Decoded>& decoded,
                         const std::map<std::string, std::uint64_t>& category_counts);

// The twelve members of a surface's entry, from "did" to "solid", into the object that
// `json` has open; documents that list surfaces with more members build on it.
void write_surface_members(JsonWriter& json, const SurfaceAudit& surface);

// The whole document as written to the --out file (no newline at the end).
std::string serialize_audit_doc(const AuditDoc& doc);

// "Category histogram:" followed by "  {:>8} {}" per category, in ascending byte order of
// the name. Each line without its newline.
std::vector<std::string> histogram_lines(const std::map<std::string, std::uint64_t>& category_counts);

}  // namespace quillfen::audit
