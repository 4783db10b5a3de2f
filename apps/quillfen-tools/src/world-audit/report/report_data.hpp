// The report's data, as two scripts that index.html loads with <script src> (a page opened
// from file:// may not fetch JSON): report-data.js with everything the first view needs,
// and report-uses.js with which surfaces each landblock uses, loaded when a view needs it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "world-audit/world_audit.hpp"
#include "world-audit/world_documents.hpp"
#include "world-audit/world_summary.hpp"

namespace quillfen::world {

// Raised whenever the data's members change in a way the page's scripts would notice.
inline constexpr std::uint64_t kReportFormatVersion = 1;

inline constexpr std::string_view kReportDataScript = "report-data.js";
inline constexpr std::string_view kReportUsesScript = "report-uses.js";

// The report's categories: every category, in byte order of the name as the documents
// list them. A surface's category is written as its position here.
std::vector<SurfaceCategory> report_categories();

// Each surface's thumbnail number (its position among the decoded surfaces, in id
// order), or -1 for a surface that failed.
std::vector<std::int64_t> thumbnail_numbers(const WorldAudit& world);

// The uses of every landblock in one string, so that 8.6 million of them cost about a
// byte and a half each instead of a JSON number each. Landblock by landblock in the order
// of the data's landblock list, each of its surface indices (ascending) as a number: the
// first as it is, each further one as its distance from the one before, less one. Each
// number is written in groups of 5 bits, lowest first, one character per group from
// kUsesAlphabet: the character's position is the group, plus 32 when more groups follow.
// A landblock's count of numbers is its "surfaces" in the data.
inline constexpr std::string_view kUsesAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
void append_uses_number(std::string& out, std::uint32_t value);
void append_uses(std::string& out, const WorldAudit& world);

// The text of report-data.js: "window.quillfenReport = " followed by a JSON object and
// ";\n". Its members: what was audited and the counts (as world.json states them), the
// categories with their map colours, the map and thumbnail layout, the surfaces and the
// landblocks as columns (one array per member, one element per surface or landblock),
// and the failures with their reasons.
std::string report_data_script(const WorldAudit& world, const WorldSummary& summary, const AuditedPaths& paths,
                               std::string_view version);

// The text of report-uses.js: "window.quillfenUses = \"...\";\n" with append_uses.
std::string report_uses_script(const WorldAudit& world);

}  // namespace quillfen::world
