// A GfxObj record from a mesh: the vertex array, the drawing polygons (with UVs, both
// sides for double-sided faces), the physics polygons (solid faces without UVs), both BSP
// trees, the sort centre and the optional degrade id.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "sample-world/meshes.hpp"

namespace quillfen::sample {

struct GfxOptions {
  bool physics = true;  // small decorations carry no physics section
  std::optional<std::uint32_t> degrade_id{};
};

// `surfaces` are the surface file ids the polygons' slots index. Fails only where the BSP
// builders refuse the mesh's polygons, which a Mesh never gives them.
std::expected<dat::file_type::GfxObj, std::string> make_gfx_obj(std::uint32_t id, const Mesh& mesh,
                                                                std::vector<std::uint32_t> surfaces,
                                                                const GfxOptions& options = {});

}  // namespace quillfen::sample
