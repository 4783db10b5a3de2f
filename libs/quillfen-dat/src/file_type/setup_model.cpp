// Reading and writing of SetupModel records and their parts.
#include "quillfen/dat/file_type/setup_model.hpp"

#include <fmt/format.h>

#include "pack_count.hpp"

namespace quillfen::dat::file_type {

using graphics::Frame;

ReadResult<LocationType> LocationType::read(Reader& reader) {
  LocationType location;
  QF_FIELD(location.part_id, reader.read_u32_le(), "part_id", "LocationType");
  QF_FIELD(location.frame, Frame::read(reader), "frame", "LocationType");
  return location;
}

void LocationType::pack(ByteWriter& writer) const {
  writer.write_u32_le(part_id);
  frame.pack(writer);
}

ReadResult<CylSphere> CylSphere::read(Reader& reader) {
  CylSphere cyl;
  QF_FIELD(cyl.origin, Vector3::read(reader), "origin", "CylSphere");
  QF_FIELD(cyl.radius, reader.read_f32_le(), "radius", "CylSphere");
  QF_FIELD(cyl.height, reader.read_f32_le(), "height", "CylSphere");
  return cyl;
}

void CylSphere::pack(ByteWriter& writer) const {
  origin.pack(writer);
  writer.write_f32_le(radius);
  writer.write_f32_le(height);
}

ReadResult<LightInfo> LightInfo::read(Reader& reader) {
  LightInfo light;
  QF_FIELD(light.viewer_space_location, Frame::read(reader), "viewer_space_location", "LightInfo");
  QF_FIELD(light.color, reader.read_u32_le(), "color", "LightInfo");
  QF_FIELD(light.intensity, reader.read_f32_le(), "intensity", "LightInfo");
  QF_FIELD(light.falloff, reader.read_f32_le(), "falloff", "LightInfo");
  QF_FIELD(light.cone_angle, reader.read_f32_le(), "cone_angle", "LightInfo");
  return light;
}

void LightInfo::pack(ByteWriter& writer) const {
  viewer_space_location.pack(writer);
  writer.write_u32_le(color);
  writer.write_f32_le(intensity);
  writer.write_f32_le(falloff);
  writer.write_f32_le(cone_angle);
}

std::optional<std::size_t> hook_payload_size(std::uint32_t hook_type) {
  // Indexed by type; 0xFF marks the variable type 5.
  static constexpr std::array<std::uint8_t, kMaxHookType + 1> kSizes = {
      0, 4, 4, 28, 0, 0xFF, 4, 16, 12, 16, 12, 16, 8, 40, 4, 4, 4, 0, 4, 8, 12, 16, 12, 8, 12, 4, 40};
  if (hook_type > kMaxHookType || hook_type == kVariableHookType) return std::nullopt;
  return kSizes[hook_type];
}

namespace {

// Type 5: a byte and a u16 whose top bit brings a second u16, then the bytes that align
// the whole hook (8 header bytes included) to 4. All of them, alignment too, are payload.
ReadResult<std::span<const std::uint8_t>> read_variable_payload(Reader& reader) {
  const std::size_t start = reader.position();
  QF_TRY_ASSIGN(const std::uint8_t first, reader.read_u8());
  static_cast<void>(first);
  QF_TRY_ASSIGN(const std::uint16_t word, reader.read_u16_le());
  const bool long_form = (word & 0x8000u) != 0;
  // 3 bytes so far need 1 to align, 5 bytes need 3.
  QF_TRY_ASSIGN(const auto rest, reader.read_bytes(long_form ? 2 + 3 : 1));
  static_cast<void>(rest);
  return reader.data().subspan(start, reader.position() - start);
}

}  // namespace

ReadResult<AnimationHook> AnimationHook::read(Reader& reader) {
  AnimationHook hook;
  QF_TRY_ASSIGN(hook.hook_type, reader.read_u32_le());
  QF_TRY_ASSIGN(hook.hook_param, reader.read_u32_le());
  if (hook.hook_type > kMaxHookType) {
    return std::unexpected(
        ReadError::custom(fmt::format("Unsupported AnimationHook type: 0x{:08X}", hook.hook_type), reader.position()));
  }
  std::span<const std::uint8_t> payload;
  if (const auto size = hook_payload_size(hook.hook_type)) {
    QF_TRY_ASSIGN(payload, reader.read_bytes(*size));
  } else {
    QF_TRY_ASSIGN(payload, read_variable_payload(reader));
  }
  hook.payload.assign(payload.begin(), payload.end());
  return hook;
}

PackResult AnimationHook::pack(ByteWriter& writer) const {
  if (hook_type > kMaxHookType) {
    return std::unexpected(PackError::unstorable(
        "AnimationHook", "hook_type", fmt::format("{} is above the largest type {}", hook_type, kMaxHookType)));
  }
  // Type 5 says its own length: 4 bytes, or 8 when the top bit of its u16 (byte 2) is set.
  const bool long_form = payload.size() >= 3 && (payload[2] & 0x80u) != 0;
  const std::size_t expected = hook_payload_size(hook_type).value_or(long_form ? 8 : 4);
  if (payload.size() != expected) {
    return std::unexpected(PackError::unstorable(
        "AnimationHook", "payload",
        fmt::format("holds {} bytes, but hook type {} carries {}", payload.size(), hook_type, expected)));
  }
  writer.write_u32_le(hook_type);
  writer.write_u32_le(hook_param);
  writer.write_bytes(payload);
  return {};
}

ReadResult<PlacementType> PlacementType::read(Reader& reader, std::uint32_t part_count) {
  PlacementType placement;
  placement.frames.reserve(reader.capacity_for(part_count, 28));
  for (std::uint32_t i = 0; i < part_count; ++i) {
    QF_TRY_ASSIGN(const Frame frame, Frame::read(reader));
    placement.frames.push_back(frame);
  }
  QF_TRY_ASSIGN(const std::uint32_t hook_count, reader.read_u32_le());
  placement.hooks.reserve(reader.capacity_for(hook_count, 8));
  for (std::uint32_t i = 0; i < hook_count; ++i) {
    QF_TRY_ASSIGN(auto hook, AnimationHook::read(reader));
    placement.hooks.push_back(std::move(hook));
  }
  return placement;
}

PackResult PlacementType::pack(ByteWriter& writer) const {
  for (const auto& frame : frames) frame.pack(writer);
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, hooks.size(), "PlacementType", "hooks"));
  for (const auto& hook : hooks) QF_TRY_VOID(hook.pack(writer));
  return {};
}

namespace {

// A u32 count, then that many entries read by `read_entry`.
template <class T, class ReadEntry>
ReadResult<std::vector<T>> read_list(Reader& reader, std::size_t min_entry_size, ReadEntry read_entry) {
  QF_TRY_ASSIGN(const std::uint32_t count, reader.read_u32_le());
  std::vector<T> values;
  values.reserve(reader.capacity_for(count, min_entry_size));
  for (std::uint32_t i = 0; i < count; ++i) {
    QF_TRY_ASSIGN(auto value, read_entry(reader));
    values.push_back(std::move(value));
  }
  return values;
}

// A u32 count, then that many (u32 key, value) pairs; the last value of a key wins.
template <class V, class ReadValue>
ReadResult<FlatMap<std::uint32_t, V>> read_map(Reader& reader, std::size_t min_entry_size, ReadValue read_value) {
  QF_TRY_ASSIGN(const std::uint32_t count, reader.read_u32_le());
  std::vector<std::pair<std::uint32_t, V>> entries;
  entries.reserve(reader.capacity_for(count, 4 + min_entry_size));
  for (std::uint32_t i = 0; i < count; ++i) {
    QF_TRY_ASSIGN(const std::uint32_t key, reader.read_u32_le());
    QF_TRY_ASSIGN(auto value, read_value(reader));
    entries.emplace_back(key, std::move(value));
  }
  return FlatMap<std::uint32_t, V>::from_entries(std::move(entries));
}

// Values of fixed layout; their packing cannot fail.
template <class V>
PackResult write_map(ByteWriter& writer, const FlatMap<std::uint32_t, V>& map, std::string_view field) {
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, map.size(), "SetupModel", field));
  for (const auto& [key, value] : map) {
    writer.write_u32_le(key);
    value.pack(writer);
  }
  return {};
}

ReadResult<std::vector<std::uint32_t>> read_u32s(Reader& reader, std::uint32_t count) {
  std::vector<std::uint32_t> values;
  values.reserve(reader.capacity_for(count, 4));
  for (std::uint32_t i = 0; i < count; ++i) {
    QF_TRY_ASSIGN(const std::uint32_t value, reader.read_u32_le());
    values.push_back(value);
  }
  return values;
}

}  // namespace

ReadResult<SetupModel> SetupModel::unpack(Reader& reader) {
  SetupModel setup;
  QF_TRY_ASSIGN(setup.id, reader.read_u32_le());
  QF_TRY_ASSIGN(setup.flags, reader.read_u32_le());
  QF_TRY_ASSIGN(const std::uint32_t part_count, reader.read_u32_le());
  QF_TRY_ASSIGN(setup.parts, read_u32s(reader, part_count));
  if ((setup.flags & kSetupHasParentIndices) != 0) {
    QF_TRY_ASSIGN(setup.parent_indices, read_u32s(reader, part_count));
  }
  if ((setup.flags & kSetupHasDefaultScales) != 0) {
    setup.default_scales.reserve(reader.capacity_for(part_count, 12));
    for (std::uint32_t i = 0; i < part_count; ++i) {
      QF_TRY_ASSIGN(const Vector3 scale, Vector3::read(reader));
      setup.default_scales.push_back(scale);
    }
  }
  QF_TRY_ASSIGN(setup.location_table_1, read_map<LocationType>(reader, 32, LocationType::read));
  QF_TRY_ASSIGN(setup.location_table_2, read_map<LocationType>(reader, 32, LocationType::read));

  // The only signed count of the record: a negative one is rejected, not reinterpreted.
  QF_TRY_ASSIGN(const std::int32_t placement_count, reader.read_i32_le());
  if (placement_count < 0) {
    return std::unexpected(ReadError::custom(
        fmt::format("SetupModel 0x{:08X} declared negative placement count {}", setup.id, placement_count),
        reader.position()));
  }
  std::vector<std::pair<std::uint32_t, PlacementType>> placements;
  // Smallest entry: the key, one frame per part and the hook count.
  placements.reserve(reader.capacity_for(static_cast<std::uint32_t>(placement_count), 4 + 28 * std::size_t{part_count} + 4));
  for (std::int32_t i = 0; i < placement_count; ++i) {
    QF_TRY_ASSIGN(const std::uint32_t key, reader.read_u32_le());
    QF_TRY_ASSIGN(auto placement, PlacementType::read(reader, part_count));
    placements.emplace_back(key, std::move(placement));
  }
  setup.placements = FlatMap<std::uint32_t, PlacementType>::from_entries(std::move(placements));

  QF_TRY_ASSIGN(setup.cyl_spheres, read_list<CylSphere>(reader, 20, CylSphere::read));
  QF_TRY_ASSIGN(setup.spheres, read_list<Sphere>(reader, 16, Sphere::read));
  for (auto& value : setup.scalar_values) {
    QF_TRY_ASSIGN(value, reader.read_u32_le());
  }
  QF_TRY_ASSIGN(setup.sphere_1, Sphere::read(reader));
  QF_TRY_ASSIGN(setup.sphere_2, Sphere::read(reader));
  QF_TRY_ASSIGN(setup.lights, read_map<LightInfo>(reader, 44, LightInfo::read));
  for (auto& linked : setup.linked_ids) {
    QF_TRY_ASSIGN(const std::uint32_t value, reader.read_u32_le());
    if (value != 0) linked = value;
  }
  return setup;
}

PackResult SetupModel::pack(ByteWriter& writer) const {
  // The part count sizes the per-part lists and every placement's frames: check them all
  // before writing anything.
  const bool has_parents = (flags & kSetupHasParentIndices) != 0;
  const bool has_scales = (flags & kSetupHasDefaultScales) != 0;
  if (has_parents) {
    QF_TRY_VOID(packing::check_length(parent_indices.size(), parts.size(), "SetupModel", "parent_indices", "part"));
  }
  if (has_scales) {
    QF_TRY_VOID(packing::check_length(default_scales.size(), parts.size(), "SetupModel", "default_scales", "part"));
  }
  for (const auto& [key, placement] : placements) {
    QF_TRY_VOID(packing::check_length(placement.frames.size(), parts.size(), "SetupModel",
                                     fmt::format("placements[{}].frames", key), "part"));
  }

  writer.write_u32_le(id);
  writer.write_u32_le(flags);
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, parts.size(), "SetupModel", "parts"));
  for (const std::uint32_t part : parts) writer.write_u32_le(part);
  if (has_parents) {
    for (const std::uint32_t parent : parent_indices) writer.write_u32_le(parent);
  }
  if (has_scales) {
    for (const auto& scale : default_scales) scale.pack(writer);
  }
  QF_TRY_VOID(write_map(writer, location_table_1, "location_table_1"));
  QF_TRY_VOID(write_map(writer, location_table_2, "location_table_2"));
  QF_TRY_VOID(packing::write_count<std::int32_t>(writer, placements.size(), "SetupModel", "placements"));
  for (const auto& [key, placement] : placements) {
    writer.write_u32_le(key);
    QF_TRY_VOID(placement.pack(writer));
  }
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, cyl_spheres.size(), "SetupModel", "cyl_spheres"));
  for (const auto& cyl : cyl_spheres) cyl.pack(writer);
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, spheres.size(), "SetupModel", "spheres"));
  for (const auto& sphere : spheres) sphere.pack(writer);
  for (const std::uint32_t value : scalar_values) writer.write_u32_le(value);
  sphere_1.pack(writer);
  sphere_2.pack(writer);
  QF_TRY_VOID(write_map(writer, lights, "lights"));
  for (const auto& linked : linked_ids) writer.write_u32_le(linked.value_or(0));
  return {};
}

}  // namespace quillfen::dat::file_type
