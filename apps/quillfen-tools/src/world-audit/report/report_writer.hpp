// Writing the HTML report: DIR/report/index.html with its style sheet, scripts, data
// scripts, maps and thumbnail atlases beside it.
#pragma once

#include <expected>
#include <filesystem>
#include <string_view>

#include "surface-classify-audit/run_error.hpp"
#include "world-audit/report/thumbnail_store.hpp"
#include "world-audit/world_audit.hpp"
#include "world-audit/world_documents.hpp"
#include "world-audit/world_summary.hpp"

namespace quillfen::world {

inline constexpr std::string_view kReportDir = "report";
inline constexpr std::string_view kReportPage = "report/index.html";

struct ReportInputs {
  const WorldAudit& world;
  const WorldSummary& summary;
  const AuditedPaths& paths;  // also the DATs, which no report file may land on
  ThumbnailStore& thumbnails;  // each released once its atlas is written
  std::string_view version;
};

// Writes the report under out_dir/report, each file whole or not at all. The page's
// files come first and the data scripts last, so the data never names an atlas that is
// not there yet; atlases a larger earlier run left behind are removed. The thumbnails are
// released atlas by atlas, so that they are gone before the data scripts are built.
std::expected<void, audit::RunError> write_report(const std::filesystem::path& out_dir, const ReportInputs& inputs);

}  // namespace quillfen::world
