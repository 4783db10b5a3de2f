// A SetupModel from a list of placed parts plus what makes a model feel alive: animation
// hooks on its placements, collision cylinders and spheres, lights, and the ids of its
// motion, sound and script tables.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "quillfen/dat/file_type/setup_model.hpp"
#include "sample-world/geometry.hpp"

namespace quillfen::sample {

class Rng;

struct SetupPart {
  std::uint32_t gfx_id = 0;
  Frame frame;                        // where the part sits in the model
  std::uint32_t parent = 0xFFFFFFFF;  // index of the part it hangs from; none by default
  Vector3 scale{1.0f, 1.0f, 1.0f};
};

struct SetupDesign {
  std::vector<SetupPart> parts;
  bool parent_indices = false;                       // store `parent` of every part
  bool default_scales = false;                       // store `scale` of every part
  std::vector<dat::file_type::AnimationHook> hooks;  // on the default placement
  std::vector<dat::file_type::LightInfo> lights;
  std::vector<dat::file_type::CylSphere> cyl_spheres;
  std::vector<common::Sphere> spheres;
  float height = 1.0f;  // overall size, for the scalar values and the selection sphere
  float radius = 1.0f;
  std::optional<std::uint32_t> motion_table;
  std::optional<std::uint32_t> sound_table;
  std::optional<std::uint32_t> physics_script;
};

// The placement keys: the default pose carries the hooks; the resting pose only frames.
inline constexpr std::uint32_t kDefaultPlacement = 0x65;
inline constexpr std::uint32_t kRestingPlacement = 0x66;

dat::file_type::SetupModel make_setup(std::uint32_t id, const SetupDesign& design);

// An animation hook of `hook_type` (0..26) with a payload of the length its type takes,
// filled from `rng`; type 5 uses its long form when `long_form` is set.
dat::file_type::AnimationHook make_hook(std::uint32_t hook_type, Rng& rng, bool long_form = false);

// An upright collision cylinder standing on the model's origin.
dat::file_type::CylSphere make_cylinder(double radius, double height);

// A light `height` above the model's origin.
dat::file_type::LightInfo make_light(double x, double y, double height, std::uint32_t colour, float intensity,
                                     float falloff);

}  // namespace quillfen::sample
