// GfxObj: the mesh record of the portal DAT - its surfaces, its vertices and up to two
// polygon sections, each with its BSP tree. The record decodes whole or not at all, so a
// caller never sees the surfaces of a mesh whose later sections are damaged.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "quillfen/dat/flat_map.hpp"
#include "quillfen/dat/graphics.hpp"
#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/physics.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::file_type {

// Bits of `flags` that bring the optional sections.
inline constexpr std::uint32_t kGfxObjHasPhysics = 0x01;
inline constexpr std::uint32_t kGfxObjHasDrawing = 0x02;
inline constexpr std::uint32_t kGfxObjHasDegradeId = 0x08;

struct GfxObj {
  std::uint32_t id = 0;
  std::uint32_t flags = 0;
  std::vector<std::uint32_t> surfaces;
  graphics::CVertexArray vertex_array;
  FlatMap<std::uint16_t, graphics::Polygon> physics_polygons;
  std::optional<physics::BspNode> physics_bsp;
  Vector3 sort_center;
  FlatMap<std::uint16_t, graphics::Polygon> drawing_polygons;
  std::optional<physics::BspNode> drawing_bsp;
  std::optional<std::uint32_t> degrade_id;

  // Reads from the reader's position on; bytes after the last field are left alone.
  static ReadResult<GfxObj> unpack(Reader& reader);
  // Writes each section exactly when `flags` asks for it; a tree or id that the flags
  // call for but the record lacks is written as a default leaf or 0.
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const GfxObj&) const = default;
};

}  // namespace quillfen::dat::file_type
