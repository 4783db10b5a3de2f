// Building and serialising the audit document, and the histogram text.
#include "surface-classify-audit/report.hpp"

#include <array>

#include <fmt/format.h>

#include "surface-classify-audit/json_writer.hpp"

namespace quillfen::audit {
namespace {

// Rough byte counts of the document's parts, so the text is reserved once.
constexpr std::size_t kFixedBytes = 256;
constexpr std::size_t kBytesPerCategory = 32;
constexpr std::size_t kBytesPerSurface = 512;

void write_floats(JsonWriter& json, const std::array<float, 3>& values) {
  json.begin_array();
  for (const float value : values) json.float_value(value);
  json.end_array();
}

}  // namespace

void write_surface_members(JsonWriter& json, const SurfaceAudit& surface) {
  json.key("did");
  json.string_value(surface.did);
  json.key("category");
  json.string_value(surface.category);
  json.key("surface_type");
  json.uint_value(surface.surface_type);
  json.key("mean_rgb");
  write_floats(json, surface.mean_rgb);
  json.key("std_dev");
  write_floats(json, surface.std_dev);
  json.key("luminance");
  json.float_value(surface.luminance);
  json.key("variance");
  json.float_value(surface.variance);
  json.key("dominant_hue");
  json.float_value(surface.dominant_hue);
  json.key("saturation");
  json.float_value(surface.saturation);
  json.key("width");
  json.uint_value(surface.width);
  json.key("height");
  json.uint_value(surface.height);
  json.key("solid");
  json.bool_value(surface.solid);
}

namespace {

void write_surface(JsonWriter& json, const SurfaceAudit& surface) {
  json.begin_object();
  write_surface_members(json, surface);
  json.end_object();
}

}  // namespace

AuditDoc build_audit_doc(std::uint16_t landblock, const std::filesystem::path& portal_dat,
                         const std::filesystem::path& cell_dat, std::vector<SurfaceAudit> surfaces,
                         const std::map<std::string, std::uint64_t>& category_counts) {
  AuditDoc doc;
  doc.landblock = fmt::format("0x{:04X}", landblock);
  doc.portal_dat = portal_dat.native();
  doc.cell_dat = cell_dat.native();
  doc.total_surfaces = surfaces.size();
  doc.category_counts = category_counts;
  doc.surfaces = std::move(surfaces);
  return doc;
}

AuditDoc build_audit_doc(std::uint16_t landblock, const std::filesystem::path& portal_dat,
                         const std::filesystem::path& cell_dat, const std::vector<Decoded>& decoded,
                         const std::map<std::string, std::uint64_t>& category_counts) {
  std::vector<SurfaceAudit> surfaces;
  surfaces.reserve(decoded.size());
  for (const Decoded& entry : decoded) surfaces.push_back(entry.audit);
  return build_audit_doc(landblock, portal_dat, cell_dat, std::move(surfaces), category_counts);
}

std::string serialize_audit_doc(const AuditDoc& doc) {
  JsonWriter json(kFixedBytes + doc.portal_dat.size() + doc.cell_dat.size() +
                  kBytesPerCategory * doc.category_counts.size() +
                  kBytesPerSurface * doc.surfaces.size());
  json.begin_object();
  json.key("landblock");
  json.string_value(doc.landblock);
  json.key("portal_dat");
  json.string_value(doc.portal_dat);
  json.key("cell_dat");
  json.string_value(doc.cell_dat);
  json.key("total_surfaces");
  json.uint_value(doc.total_surfaces);
  json.key("category_counts");
  json.begin_object();
  for (const auto& [name, count] : doc.category_counts) {
    json.key(name);
    json.uint_value(count);
  }
  json.end_object();
  json.key("surfaces");
  json.begin_array();
  for (const SurfaceAudit& surface : doc.surfaces) write_surface(json, surface);
  json.end_array();
  json.end_object();
  return json.take();
}

std::vector<std::string> histogram_lines(const std::map<std::string, std::uint64_t>& category_counts) {
  std::vector<std::string> lines;
  lines.reserve(category_counts.size() + 1);
  lines.emplace_back("Category histogram:");
  for (const auto& [name, count] : category_counts) lines.push_back(fmt::format("  {:>8} {}", count, name));
  return lines;
}

}  // namespace quillfen::audit
