// SetupModel assembly and the hook payloads.
#include "sample-world/setup_builder.hpp"

#include <algorithm>
#include <bit>

#include "sample-world/rng.hpp"

namespace quillfen::sample {

using dat::FlatMap;
using dat::file_type::AnimationHook;
using dat::file_type::LightInfo;
using dat::file_type::LocationType;
using dat::file_type::PlacementType;
using dat::file_type::SetupModel;

SetupModel make_setup(std::uint32_t id, const SetupDesign& design) {
  SetupModel setup;
  setup.id = id;
  if (design.parent_indices) setup.flags |= dat::file_type::kSetupHasParentIndices;
  if (design.default_scales) setup.flags |= dat::file_type::kSetupHasDefaultScales;
  PlacementType pose;
  for (const SetupPart& part : design.parts) {
    setup.parts.push_back(part.gfx_id);
    if (design.parent_indices) setup.parent_indices.push_back(part.parent);
    if (design.default_scales) setup.default_scales.push_back(part.scale);
    pose.frames.push_back(part.frame);
  }
  PlacementType resting = pose;
  pose.hooks = design.hooks;
  setup.placements = FlatMap<std::uint32_t, PlacementType>::from_entries(
      {{kDefaultPlacement, std::move(pose)}, {kRestingPlacement, std::move(resting)}});

  // Where things are held or attached: the top of the last part.
  if (!design.parts.empty()) {
    const auto last = static_cast<std::uint32_t>(design.parts.size() - 1);
    const Frame top = place(0.0, 0.0, design.height);
    setup.location_table_1.insert_or_assign(1, LocationType{last, top});
    if (design.parts.size() > 1) setup.location_table_2.insert_or_assign(2, LocationType{0, design.parts[0].frame});
  }
  setup.cyl_spheres = design.cyl_spheres;
  setup.spheres = design.spheres;
  // Height, radius, step up and step down, as the bit patterns of floats.
  setup.scalar_values = {std::bit_cast<std::uint32_t>(design.height), std::bit_cast<std::uint32_t>(design.radius),
                         std::bit_cast<std::uint32_t>(design.height * 0.25f),
                         std::bit_cast<std::uint32_t>(design.height * 0.25f)};
  setup.sphere_1 = {vec(0.0, 0.0, design.height / 2.0), std::max(design.radius, design.height / 2.0f)};
  setup.sphere_2 = {Vector3{}, design.radius};
  for (std::size_t i = 0; i < design.lights.size(); ++i) {
    setup.lights.insert_or_assign(static_cast<std::uint32_t>(i), design.lights[i]);
  }
  setup.linked_ids = {design.motion_table, design.sound_table, design.physics_script, std::nullopt, std::nullopt};
  return setup;
}

AnimationHook make_hook(std::uint32_t hook_type, Rng& rng, bool long_form) {
  AnimationHook hook;
  hook.hook_type = hook_type;
  hook.hook_param = rng.below(3);  // forward, backward or both directions
  dat::ByteWriter payload;
  if (hook_type == dat::file_type::kVariableHookType) {
    payload.write_u8(static_cast<std::uint8_t>(rng.below(256)));
    const auto word = static_cast<std::uint16_t>(rng.below(0x8000) | (long_form ? 0x8000u : 0u));
    payload.write_u16_le(word);
    if (long_form) payload.write_u16_le(static_cast<std::uint16_t>(rng.below(0x10000)));
    // The hook, its 8 header bytes included, ends on a multiple of 4.
    payload.write_zeros(long_form ? 3 : 1);
  } else if (const auto size = dat::file_type::hook_payload_size(hook_type)) {
    // Alternating ids and parameters; nothing reads their meaning.
    for (std::size_t i = 0; i < *size / 4; ++i) {
      if (i % 2 == 0) {
        payload.write_u32_le(rng.below(0x400));
      } else {
        payload.write_f32_le(rng.uniform(0.0f, 2.0f));
      }
    }
  }
  hook.payload = payload.take();
  return hook;
}

dat::file_type::CylSphere make_cylinder(double radius, double height) {
  return {Vector3{}, static_cast<float>(radius), static_cast<float>(height)};
}

LightInfo make_light(double x, double y, double height, std::uint32_t colour, float intensity, float falloff) {
  return LightInfo{place(x, y, height), colour, intensity, falloff, 0.0f};
}

}  // namespace quillfen::sample
