// The report's files are independent, so they are built and written as parallel tasks;
// as with the other outputs, the error reported is the first in a fixed order, whatever
// the timing.
#include "world-audit/report/report_writer.hpp"

#include <fmt/format.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <vector>

#include "world-audit/png_writer.hpp"
#include "world-audit/report/report_assets.hpp"
#include "world-audit/report/report_data.hpp"
#include "world-audit/report/thumbnail_atlas.hpp"
#include "world-audit/world_maps.hpp"
#include "world-audit/world_outputs.hpp"

namespace quillfen::world {
namespace {

using Result = std::expected<void, audit::RunError>;

// The DATs are never written, whatever the output directory.
Result refuse_dat(const std::filesystem::path& path, const AuditedPaths& paths) {
  for (const auto* dat : {&paths.portal_dat, &paths.cell_dat}) {
    std::error_code ignored;
    if (std::filesystem::equivalent(path, *dat, ignored)) {
      return std::unexpected(
          audit::RunError{fmt::format("refusing to write {}: it is the DAT file {}", path.native(), dat->native()), {}});
    }
  }
  return {};
}

Result make_directory(const std::filesystem::path& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) return std::unexpected(audit::RunError{fmt::format("create directory {}", dir.native()), {error.message()}});
  return {};
}

Result write_png(const std::filesystem::path& path, const MapImage& image, PngEffort effort = PngEffort::Default) {
  auto png = encode_png(image.width, image.height, PngChannels::Rgb, image.rgb, effort);
  if (!png) return std::unexpected(audit::RunError{fmt::format("encode {}", path.native()), {png.error()}});
  return write_output(path, *png);
}

// Runs the jobs in parallel and returns the first failure in their order.
Result run_all(const std::vector<std::function<Result()>>& jobs) {
  std::vector<Result> results(jobs.size());
  tbb::parallel_for(std::size_t{0}, jobs.size(), [&](std::size_t i) { results[i] = jobs[i](); });
  for (Result& result : results) {
    if (!result) return result;
  }
  return {};
}

// The number of an atlas file name ("atlas-012.png" is 12), or none for another name.
std::optional<std::size_t> atlas_number(const std::string& name) {
  constexpr std::string_view kPrefix = "atlas-";
  constexpr std::string_view kSuffix = ".png";
  if (name.size() <= kPrefix.size() + kSuffix.size() || !name.starts_with(kPrefix) || !name.ends_with(kSuffix)) {
    return std::nullopt;
  }
  const std::string_view digits =
      std::string_view(name).substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  std::size_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

// Atlases beyond `count`, from an earlier run of a larger world. Anything else in the
// folder is left alone; a failure to remove one only leaves an unused file.
void remove_stale_atlases(const std::filesystem::path& thumbs_dir, std::size_t count) {
  std::error_code error;
  std::vector<std::filesystem::path> stale;
  for (auto it = std::filesystem::directory_iterator(thumbs_dir, error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    const auto number = atlas_number(it->path().filename().string());
    if (number && *number >= count) stale.push_back(it->path());
  }
  for (const auto& path : stale) std::filesystem::remove(path, error);
}

}  // namespace

Result write_report(const std::filesystem::path& out_dir, const ReportInputs& inputs) {
  const std::filesystem::path dir = out_dir / kReportDir;
  const std::filesystem::path thumbs_dir = dir / "thumbs";
  if (auto created = make_directory(thumbs_dir); !created) return created;

  std::vector<const Thumbnail*> thumbnails;
  std::vector<std::size_t> thumbnail_surfaces;
  for (std::size_t i = 0; i < inputs.world.surfaces.size(); ++i) {
    if (!inputs.world.surfaces[i].audit) continue;
    thumbnails.push_back(inputs.thumbnails.find(i));
    thumbnail_surfaces.push_back(i);
  }
  const std::size_t atlases = atlas_count(thumbnails.size());

  // Every file with what writes it; checked against the DATs before anything is written.
  struct Output {
    std::filesystem::path path;
    std::function<Result(const std::filesystem::path&)> write;
  };
  std::vector<Output> files;
  for (const EmbeddedFile& asset : report_assets()) {
    files.push_back({dir / asset.path, [&asset](const std::filesystem::path& path) -> Result {
                       if (auto created = make_directory(path.parent_path()); !created) return created;
                       return write_output(path, asset.bytes);
                     }});
  }
  files.push_back({dir / "material-map.png",
                   [&](const std::filesystem::path& path) { return write_png(path, material_map(inputs.summary, 1)); }});
  files.push_back({dir / "colour-map.png",
                   [&](const std::filesystem::path& path) { return write_png(path, colour_map(inputs.summary, 1)); }});
  for (std::size_t atlas = 0; atlas < atlases; ++atlas) {
    files.push_back({dir / atlas_path(atlas), [&, atlas](const std::filesystem::path& path) {
                       // The atlases are most of the report's bytes and of its writing time.
                       const MapImage image = draw_atlas(thumbnails, atlas);
                       const std::size_t end = std::min(thumbnails.size(), (atlas + 1) * kThumbnailsPerAtlas);
                       for (std::size_t n = atlas * kThumbnailsPerAtlas; n < end; ++n) {
                         thumbnails[n] = nullptr;
                         inputs.thumbnails.release(thumbnail_surfaces[n]);
                       }
                       return write_png(path, image, PngEffort::Fast);
                     }});
  }
  const std::filesystem::path data_path = dir / kReportDataScript;
  const std::filesystem::path uses_path = dir / kReportUsesScript;
  for (const Output& file : files) {
    if (auto refused = refuse_dat(file.path, inputs.paths); !refused) return refused;
  }
  for (const auto& path : {data_path, uses_path}) {
    if (auto refused = refuse_dat(path, inputs.paths); !refused) return refused;
  }

  std::vector<std::function<Result()>> page_jobs;
  for (const Output& file : files) page_jobs.push_back([&file] { return file.write(file.path); });
  if (auto written = run_all(page_jobs); !written) return written;
  remove_stale_atlases(thumbs_dir, atlases);

  return run_all({
      [&] { return write_output(data_path, report_data_script(inputs.world, inputs.summary, inputs.paths, inputs.version)); },
      [&] { return write_output(uses_path, report_uses_script(inputs.world)); },
  });
}

}  // namespace quillfen::world
