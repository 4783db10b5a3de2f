// SetupModel: the portal-DAT record that assembles a model from GfxObj parts, with its
// located parts, placements (a frame per part plus animation hooks), collision shapes and
// lights. The record decodes whole or not at all.
//
// List counts are not kept beside the lists; `pack` writes each list's length, and fails
// for lists the record cannot store as they are (see quillfen/dat/pack.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "quillfen/dat/flat_map.hpp"
#include "quillfen/dat/graphics.hpp"
#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::file_type {

struct LocationType {
  std::uint32_t part_id = 0;
  graphics::Frame frame;

  static ReadResult<LocationType> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const LocationType&) const = default;
};

struct CylSphere {
  Vector3 origin;
  float radius = 0.0f;
  float height = 0.0f;

  static ReadResult<CylSphere> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const CylSphere&) const = default;
};

struct LightInfo {
  graphics::Frame viewer_space_location;
  std::uint32_t color = 0;
  float intensity = 0.0f;
  float falloff = 0.0f;
  float cone_angle = 0.0f;

  static ReadResult<LightInfo> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const LightInfo&) const = default;
};

// Hook types run from 0 to this; anything above is rejected.
inline constexpr std::uint32_t kMaxHookType = 26;
// The one type whose payload length is read from the payload itself.
inline constexpr std::uint32_t kVariableHookType = 5;

// The fixed payload length of a hook type, or nothing for the variable type 5 and for
// types above kMaxHookType.
std::optional<std::size_t> hook_payload_size(std::uint32_t hook_type);

struct AnimationHook {
  std::uint32_t hook_type = 0;
  std::uint32_t hook_param = 0;
  std::vector<std::uint8_t> payload;  // raw, in file order; its length follows from the type

  // Fails with a decode error for a type above kMaxHookType.
  static ReadResult<AnimationHook> read(Reader& reader);
  // Fails for a type above kMaxHookType and for a payload of another length than the
  // type's (for type 5, than its own first bytes say).
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const AnimationHook&) const = default;
};

struct PlacementType {
  std::vector<graphics::Frame> frames;  // one per part
  std::vector<AnimationHook> hooks;

  // Reads `part_count` frames, then the hooks.
  static ReadResult<PlacementType> read(Reader& reader, std::uint32_t part_count);
  // Writes the frames as they are: the setup's part count must match their number
  // (SetupModel::pack checks it).
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const PlacementType&) const = default;
};

// Bits of `flags` that bring the per-part lists.
inline constexpr std::uint32_t kSetupHasParentIndices = 0x01;
inline constexpr std::uint32_t kSetupHasDefaultScales = 0x02;

struct SetupModel {
  std::uint32_t id = 0;
  std::uint32_t flags = 0;
  std::vector<std::uint32_t> parts;
  std::vector<std::uint32_t> parent_indices;  // one per part when the flag is set
  std::vector<Vector3> default_scales;        // one per part when the flag is set
  FlatMap<std::uint32_t, LocationType> location_table_1;
  FlatMap<std::uint32_t, LocationType> location_table_2;
  FlatMap<std::uint32_t, PlacementType> placements;
  std::vector<CylSphere> cyl_spheres;
  std::vector<Sphere> spheres;
  std::array<std::uint32_t, 4> scalar_values{};  // bit patterns, as stored
  Sphere sphere_1;
  Sphere sphere_2;
  FlatMap<std::uint32_t, LightInfo> lights;
  std::array<std::optional<std::uint32_t>, 5> linked_ids{};  // a stored 0 is absent

  // Reads from the reader's position on; bytes after `linked_ids` are left alone.
  static ReadResult<SetupModel> unpack(Reader& reader);
  // Writes the per-part lists exactly when `flags` asks for them; they, and every
  // placement's frames, must hold one entry per part, or it fails.
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const SetupModel&) const = default;
};

}  // namespace quillfen::dat::file_type
