// Writing the world run's files into the output directory, each one whole or not at all.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "surface-classify-audit/run_error.hpp"
#include "world-audit/world_audit.hpp"
#include "world-audit/world_documents.hpp"

namespace quillfen::world {

// Writes `bytes` to `path`; a failure is "write {path}" caused by the system error.
std::expected<void, audit::RunError> write_output(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
std::expected<void, audit::RunError> write_output(const std::filesystem::path& path, std::string_view bytes);

// The names of the files a run writes into its output directory, in the order the
// summary lists them.
inline constexpr std::string_view kWorldDoc = "world.json";
inline constexpr std::string_view kSurfacesDoc = "surfaces.json";
inline constexpr std::string_view kWarningsDoc = "warnings.json";
inline constexpr std::string_view kMaterialMap = "material-map.png";
inline constexpr std::string_view kColourMap = "colour-map.png";

// Serialises and writes the world's documents and maps, several at once.
std::expected<void, audit::RunError> write_world_outputs(const std::filesystem::path& out_dir, const WorldAudit& world,
                                                         const WorldSummary& summary, const AuditedPaths& paths);

// Writes landblocks/XXXX.json for every landblock, in parallel.
std::expected<void, audit::RunError> write_landblock_docs(const std::filesystem::path& out_dir, const WorldAudit& world,
                                                          const AuditedPaths& paths);

}  // namespace quillfen::world
