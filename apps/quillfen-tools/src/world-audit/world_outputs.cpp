// The outputs are independent, so they are built and written as parallel tasks; errors
// are kept per output and the first in the summary's order is reported, so which error a
// failed run shows does not depend on timing.
#include "world-audit/world_outputs.hpp"

#include <fmt/format.h>
#include <tbb/parallel_for.h>
#include <tbb/task_group.h>

#include <array>
#include <functional>
#include <optional>

#include "surface-classify-audit/file_output.hpp"
#include "world-audit/png_writer.hpp"
#include "world-audit/version.hpp"
#include "world-audit/world_maps.hpp"

namespace quillfen::world {
namespace {

using Result = std::expected<void, audit::RunError>;

// Writes a document piece by piece as `write` produces it; the path keeps its previous
// file until the document is complete.
template <class Write>
Result write_document(const std::filesystem::path& path, Write write) {
  auto file = audit::ReplacingFile::create(path);
  if (!file) return std::unexpected(audit::RunError{fmt::format("write {}", path.native()), {file.error().message()}});
  std::optional<audit::IoError> failure;
  write([&](std::string&& piece) {
    if (auto written = file->write_all(piece); !written) failure = std::move(written).error();
    return !failure;
  });
  if (!failure) {
    if (auto committed = file->commit(); !committed) failure = std::move(committed).error();
  }
  if (failure) return std::unexpected(audit::RunError{fmt::format("write {}", path.native()), {failure->message()}});
  return {};
}

Result write_map(const std::filesystem::path& path, const MapImage& map) {
  auto png = encode_png(map.width, map.height, PngChannels::Rgb, map.rgb);
  if (!png) return std::unexpected(audit::RunError{fmt::format("encode {}", path.native()), {png.error()}});
  return write_output(path, *png);
}

}  // namespace

Result write_output(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  if (auto written = audit::write_whole_file(path, bytes); !written) {
    return std::unexpected(audit::RunError{fmt::format("write {}", path.native()), {written.error().message()}});
  }
  return {};
}

Result write_output(const std::filesystem::path& path, std::string_view bytes) {
  return write_output(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Result write_world_outputs(const std::filesystem::path& out_dir, const WorldAudit& world, const WorldSummary& summary,
                           const AuditedPaths& paths) {
  const std::array<std::function<Result()>, 5> jobs{
      [&] {
        return write_document(out_dir / kWorldDoc, [&](const TextSink& sink) {
          return write_world_doc(summary, paths, project_version(), sink);
        });
      },
      [&] {
        return write_document(out_dir / kSurfacesDoc,
                              [&](const TextSink& sink) { return write_surfaces_doc(world, sink); });
      },
      [&] {
        return write_document(out_dir / kWarningsDoc,
                              [&](const TextSink& sink) { return write_warnings_doc(world, sink); });
      },
      [&] { return write_map(out_dir / kMaterialMap, material_map(summary)); },
      [&] { return write_map(out_dir / kColourMap, colour_map(summary)); },
  };
  std::array<Result, jobs.size()> results;
  tbb::task_group group;
  for (std::size_t i = 0; i < jobs.size(); ++i) group.run([&, i] { results[i] = jobs[i](); });
  group.wait();
  for (const Result& result : results) {
    if (!result) return result;
  }
  return {};
}

Result write_landblock_docs(const std::filesystem::path& out_dir, const WorldAudit& world, const AuditedPaths& paths) {
  const std::filesystem::path dir = out_dir / "landblocks";
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  std::vector<std::optional<audit::RunError>> errors(world.landblocks.size());
  tbb::parallel_for(std::size_t{0}, world.landblocks.size(), [&](std::size_t i) {
    const std::string text = audit::serialize_audit_doc(landblock_doc(world, i, paths));
    if (auto written = write_output(landblock_doc_path(out_dir, world.landblocks[i].key), text); !written) {
      errors[i] = std::move(written).error();
    }
  });
  for (auto& error : errors) {
    if (error) return std::unexpected(std::move(*error));
  }
  return {};
}

}  // namespace quillfen::world
