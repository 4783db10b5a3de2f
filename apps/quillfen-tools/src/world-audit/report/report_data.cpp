// The data scripts, written with the audit's JSON writer and number rules: the floats in
// report-data.js are the same text as in surfaces.json.
#include "world-audit/report/report_data.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <set>

#include "quillfen/dat/file_type/texture.hpp"
#include "surface-classify-audit/json_writer.hpp"
#include "world-audit/report/thumbnail.hpp"
#include "world-audit/report/thumbnail_atlas.hpp"
#include "world-audit/world_maps.hpp"

namespace quillfen::world {
namespace {

using audit::JsonWriter;

constexpr std::string_view kDataPrefix = "window.quillfenReport = ";
constexpr std::string_view kUsesPrefix = "window.quillfenUses = \"";

// The categories are numbered 0 (Stone) to 12 (Generic) without gaps.
constexpr int kCategoryCount = 13;

std::string css_colour(Rgb colour) { return fmt::format("#{:02x}{:02x}{:02x}", colour.r, colour.g, colour.b); }

void signed_value(JsonWriter& json, std::int64_t value) {
  if (value >= 0) {
    json.uint_value(static_cast<std::uint64_t>(value));
  } else {
    json.raw_value(fmt::format("{}", value));
  }
}

// A texture format's name as the library's messages give it.
std::string format_text(std::uint32_t code) {
  if (const auto format = dat::file_type::texture_format_from_raw(code)) {
    return std::string(dat::file_type::format_name(*format));
  }
  return fmt::format("code {}", code);
}

// One column of the surfaces, `width` elements a surface: `value` writes a decoded
// surface's, a failed surface has nulls.
template <class Value>
void surface_column(JsonWriter& json, std::string_view name, const WorldAudit& world, Value value,
                    std::size_t width = 1) {
  json.key(name);
  json.begin_inline_array();
  for (const AuditedSurface& surface : world.surfaces) {
    if (surface.audit) {
      value(surface);
    } else {
      for (std::size_t i = 0; i < width; ++i) json.null_value();
    }
  }
  json.end_array();
}

template <class Value>
void landblock_column(JsonWriter& json, std::string_view name, const WorldSummary& summary, Value value) {
  json.key(name);
  json.begin_inline_array();
  for (const LandblockSummary& landblock : summary.landblocks) value(landblock);
  json.end_array();
}

void write_surfaces(JsonWriter& json, const WorldAudit& world, const std::map<std::string, std::int64_t>& category_index,
                    const std::vector<std::string>& formats) {
  const std::vector<std::int64_t> thumbnails = thumbnail_numbers(world);
  json.key("surfaces");
  json.begin_object();
  json.key("id");
  json.begin_inline_array();
  for (const AuditedSurface& surface : world.surfaces) json.uint_value(surface.id);
  json.end_array();
  json.key("category");
  json.begin_inline_array();
  for (const AuditedSurface& surface : world.surfaces) {
    const auto found = surface.audit ? category_index.find(surface.audit->category) : category_index.end();
    signed_value(json, found == category_index.end() ? -1 : found->second);
  }
  json.end_array();
  surface_column(json, "surface_type", world, [&](const AuditedSurface& s) { json.uint_value(s.audit->surface_type); });
  surface_column(json, "width", world, [&](const AuditedSurface& s) { json.uint_value(s.audit->width); });
  surface_column(json, "height", world, [&](const AuditedSurface& s) { json.uint_value(s.audit->height); });
  surface_column(json, "solid", world, [&](const AuditedSurface& s) { json.bool_value(s.audit->solid); });
  surface_column(json, "format", world, [&](const AuditedSurface& s) {
    if (!s.texture_format) return json.null_value();
    const auto at = std::find(formats.begin(), formats.end(), format_text(*s.texture_format));
    json.uint_value(static_cast<std::uint64_t>(at - formats.begin()));
  });
  surface_column(json, "mean_rgb", world, [&](const AuditedSurface& s) {
    for (const float channel : s.audit->mean_rgb) json.float_value(channel);
  }, 3);
  surface_column(json, "std_dev", world, [&](const AuditedSurface& s) {
    for (const float channel : s.audit->std_dev) json.float_value(channel);
  }, 3);
  surface_column(json, "luminance", world, [&](const AuditedSurface& s) { json.float_value(s.audit->luminance); });
  surface_column(json, "variance", world, [&](const AuditedSurface& s) { json.float_value(s.audit->variance); });
  surface_column(json, "dominant_hue", world, [&](const AuditedSurface& s) { json.float_value(s.audit->dominant_hue); });
  surface_column(json, "saturation", world, [&](const AuditedSurface& s) { json.float_value(s.audit->saturation); });
  json.key("thumbnail");
  json.begin_inline_array();
  for (const std::int64_t n : thumbnails) signed_value(json, n);
  json.end_array();
  json.end_object();
}

void write_landblocks(JsonWriter& json, const WorldSummary& summary,
                      const std::map<std::string, std::int64_t>& category_index) {
  json.key("landblocks");
  json.begin_object();
  landblock_column(json, "key", summary, [&](const LandblockSummary& l) { json.uint_value(l.key); });
  landblock_column(json, "surfaces", summary, [&](const LandblockSummary& l) { json.uint_value(l.found); });
  landblock_column(json, "decoded", summary, [&](const LandblockSummary& l) { json.uint_value(l.decoded); });
  landblock_column(json, "failed", summary, [&](const LandblockSummary& l) { json.uint_value(l.failed); });
  landblock_column(json, "dominant", summary, [&](const LandblockSummary& l) {
    if (!l.dominant) return signed_value(json, -1);
    signed_value(json, category_index.at(std::string(dat::surface_classify::display_name(*l.dominant))));
  });
  json.end_object();
}

void write_layout(JsonWriter& json, const WorldAudit& world) {
  json.key("map");
  json.begin_object();
  json.key("cells");
  json.uint_value(kMapCells);
  json.key("material");
  json.string_value("material-map.png");
  json.key("colour");
  json.string_value("colour-map.png");
  json.key("background");
  json.string_value(css_colour(kMapBackground));
  json.key("nothing_decoded");
  json.string_value(css_colour(kMapNothingDecoded));
  json.end_object();

  std::size_t decoded = 0;
  for (const AuditedSurface& surface : world.surfaces) decoded += surface.audit ? 1 : 0;
  json.key("thumbnails");
  json.begin_object();
  json.key("edge");
  json.uint_value(kThumbnailEdge);
  json.key("cell");
  json.uint_value(kAtlasCell);
  json.key("gutter");
  json.uint_value(kAtlasGutter);
  json.key("columns");
  json.uint_value(kAtlasColumns);
  json.key("per_atlas");
  json.uint_value(kThumbnailsPerAtlas);
  json.key("margin");
  json.string_value(css_colour(kThumbnailMargin));
  json.key("atlases");
  json.begin_inline_array();
  for (std::size_t atlas = 0; atlas < atlas_count(decoded); ++atlas) json.string_value(atlas_path(atlas));
  json.end_array();
  json.end_object();
}

// Calls `visit` with each number of the uses encoding, in order (see report_data.hpp).
template <class Visit>
void visit_use_numbers(const WorldAudit& world, Visit visit) {
  for (const AuditedLandblock& landblock : world.landblocks) {
    std::uint32_t previous = 0;
    bool first = true;
    for (const std::uint32_t index : landblock.surfaces) {
      visit(first ? index : index - previous - 1);
      previous = index;
      first = false;
    }
  }
}

// The characters append_uses_number writes for `value`.
std::size_t uses_number_length(std::uint32_t value) {
  std::size_t length = 1;
  while (value >= 32) {
    value >>= 5;
    ++length;
  }
  return length;
}

}  // namespace

std::vector<SurfaceCategory> report_categories() {
  std::vector<SurfaceCategory> categories;
  for (int c = 0; c < kCategoryCount; ++c) categories.push_back(static_cast<SurfaceCategory>(c));
  std::sort(categories.begin(), categories.end(), [](SurfaceCategory a, SurfaceCategory b) {
    return dat::surface_classify::display_name(a) < dat::surface_classify::display_name(b);
  });
  return categories;
}

std::vector<std::int64_t> thumbnail_numbers(const WorldAudit& world) {
  std::vector<std::int64_t> numbers(world.surfaces.size(), -1);
  std::int64_t next = 0;
  for (std::size_t i = 0; i < world.surfaces.size(); ++i) {
    if (world.surfaces[i].audit) numbers[i] = next++;
  }
  return numbers;
}

void append_uses_number(std::string& out, std::uint32_t value) {
  do {
    const std::uint32_t group = value & 31u;
    value >>= 5;
    out += kUsesAlphabet[group + (value != 0 ? 32u : 0u)];
  } while (value != 0);
}

void append_uses(std::string& out, const WorldAudit& world) {
  visit_use_numbers(world, [&out](std::uint32_t number) { append_uses_number(out, number); });
}

std::string report_data_script(const WorldAudit& world, const WorldSummary& summary, const AuditedPaths& paths,
                               std::string_view version) {
  const std::vector<SurfaceCategory> categories = report_categories();
  std::map<std::string, std::int64_t> category_index;
  for (std::size_t i = 0; i < categories.size(); ++i) {
    category_index.emplace(dat::surface_classify::display_name(categories[i]), static_cast<std::int64_t>(i));
  }
  std::set<std::string> format_names;
  for (const AuditedSurface& surface : world.surfaces) {
    if (surface.audit && surface.texture_format) format_names.insert(format_text(*surface.texture_format));
  }
  const std::vector<std::string> formats(format_names.begin(), format_names.end());

  JsonWriter json(std::size_t{128} * world.surfaces.size() + std::size_t{32} * summary.landblocks.size() + 4096);
  json.begin_object();
  write_audit_header(json, kReportFormatVersion, summary, paths, version);
  json.key("categories");
  json.begin_array();
  for (const SurfaceCategory category : categories) {
    json.begin_object();
    json.key("name");
    json.string_value(dat::surface_classify::display_name(category));
    json.key("colour");
    json.string_value(css_colour(category_colour(category)));
    json.end_object();
  }
  json.end_array();
  write_layout(json, world);
  json.key("formats");
  json.begin_inline_array();
  for (const std::string& name : formats) json.string_value(name);
  json.end_array();
  write_surfaces(json, world, category_index, formats);
  json.key("failures");
  json.begin_array();
  for (std::size_t i = 0; i < world.surfaces.size(); ++i) {
    if (world.surfaces[i].audit) continue;
    json.begin_object();
    json.key("surface");
    json.uint_value(i);
    json.key("reason");
    json.string_value(world.surfaces[i].failure);
    json.end_object();
  }
  json.end_array();
  write_landblocks(json, summary, category_index);
  json.key("uses");
  json.string_value(kReportUsesScript);
  json.end_object();

  std::string text(kDataPrefix);
  text += json.text();
  text += ";\n";
  return text;
}

std::string report_uses_script(const WorldAudit& world) {
  // Measured first, so that the text of millions of uses is allocated once, exactly.
  std::size_t size = kUsesPrefix.size() + 3;
  visit_use_numbers(world, [&size](std::uint32_t number) { size += uses_number_length(number); });
  std::string text;
  text.reserve(size);
  text += kUsesPrefix;
  append_uses(text, world);
  text += "\";\n";
  return text;
}

}  // namespace quillfen::world
