// Geometry records embedded in many DAT records: points, rotations, planes, spheres.
// Values are kept exactly as read; nothing is normalised or validated.
#pragma once

#include "quillfen/common/byte_writer.hpp"
#include "quillfen/common/reader.hpp"

namespace quillfen::common {

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  static ReadResult<Vector3> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const Vector3&) const = default;
};

// The scalar part `w` comes first, in memory and in the file.
struct Quaternion {
  float w = 0.0f;
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  static ReadResult<Quaternion> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const Quaternion&) const = default;
};

struct Plane {
  Vector3 normal;
  float d = 0.0f;

  static ReadResult<Plane> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const Plane&) const = default;
};

struct Sphere {
  Vector3 center;
  float radius = 0.0f;

  static ReadResult<Sphere> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const Sphere&) const = default;
};

}  // namespace quillfen::common
