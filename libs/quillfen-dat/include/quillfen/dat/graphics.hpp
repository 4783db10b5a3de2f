// The graphics records: Frame (the position and rotation of an object or part) and the
// mesh pieces of a GfxObj - its vertex array and its polygons.
//
// List counts are not kept beside the lists; `pack` writes each list's length, and fails
// for a list its count field cannot hold (see quillfen/dat/pack.hpp).
#pragma once

#include <cstdint>
#include <vector>

#include "quillfen/dat/flat_map.hpp"
#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::graphics {

struct Frame {
  Vector3 origin;
  Quaternion orientation;

  static ReadResult<Frame> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const Frame&) const = default;
};

struct Vec2Duv {
  float u = 0.0f;
  float v = 0.0f;

  static ReadResult<Vec2Duv> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const Vec2Duv&) const = default;
};

struct SWVertex {
  Vector3 origin;
  Vector3 normal;
  std::vector<Vec2Duv> uvs;  // its length is the stored `num_uvs` (at most 65535)

  static ReadResult<SWVertex> read(Reader& reader);
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const SWVertex&) const = default;
};

// The only vertex type that is followed by vertices.
inline constexpr std::uint32_t kVertexTypeSw = 1;

struct CVertexArray {
  std::uint32_t vertex_type = kVertexTypeSw;
  FlatMap<std::uint16_t, SWVertex> vertices;

  // The array's own words carry no context frame; the vertices' fields do.
  static ReadResult<CVertexArray> read(Reader& reader);
  // Writes the vertices only for type 1, and a count of 0 for any other type.
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const CVertexArray&) const = default;
};

// Bits of `stippling` and the value of `sides_type` that decide which UV lists are stored.
inline constexpr std::uint8_t kNoPosUvs = 0x04;
inline constexpr std::uint8_t kNoNegUvs = 0x08;
inline constexpr std::uint32_t kSidesTypeBoth = 2;

// A polygon of a mesh; its id is the key under which the mesh holds it.
struct Polygon {
  std::uint8_t stippling = 0;
  std::uint32_t sides_type = 0;
  std::uint16_t pos_surface = 0;
  std::uint16_t neg_surface = 0;
  std::vector<std::uint16_t> vertex_ids;    // its length is the stored `num_points` (< 256)
  std::vector<std::uint8_t> pos_uv_indices;  // `num_points` entries or none, as the flags say
  std::vector<std::uint8_t> neg_uv_indices;  // likewise

  bool has_pos_uvs() const { return !vertex_ids.empty() && (stippling & kNoPosUvs) == 0; }
  bool has_neg_uvs() const {
    return !vertex_ids.empty() && (stippling & kNoNegUvs) == 0 && sides_type == kSidesTypeBoth;
  }

  // All of a polygon's fields are read without context frames.
  static ReadResult<Polygon> read(Reader& reader);
  // Writes the UV lists that the flags call for; they must hold one entry per point, and
  // a polygon has at most 255 points.
  [[nodiscard]] PackResult pack(ByteWriter& writer) const;
  bool operator==(const Polygon&) const = default;
};

}  // namespace quillfen::dat::graphics
