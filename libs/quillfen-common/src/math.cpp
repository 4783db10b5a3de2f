// Reads and writes of the geometry records, each field with its context frame.
#include "quillfen/common/math.hpp"

namespace quillfen::common {

ReadResult<Vector3> Vector3::read(Reader& reader) {
  Vector3 v;
  QF_FIELD(v.x, reader.read_f32_le(), "x", "Vector3");
  QF_FIELD(v.y, reader.read_f32_le(), "y", "Vector3");
  QF_FIELD(v.z, reader.read_f32_le(), "z", "Vector3");
  return v;
}

void Vector3::pack(ByteWriter& writer) const {
  writer.write_f32_le(x);
  writer.write_f32_le(y);
  writer.write_f32_le(z);
}

ReadResult<Quaternion> Quaternion::read(Reader& reader) {
  Quaternion q;
  QF_FIELD(q.w, reader.read_f32_le(), "w", "Quaternion");
  QF_FIELD(q.x, reader.read_f32_le(), "x", "Quaternion");
  QF_FIELD(q.y, reader.read_f32_le(), "y", "Quaternion");
  QF_FIELD(q.z, reader.read_f32_le(), "z", "Quaternion");
  return q;
}

void Quaternion::pack(ByteWriter& writer) const {
  writer.write_f32_le(w);
  writer.write_f32_le(x);
  writer.write_f32_le(y);
  writer.write_f32_le(z);
}

ReadResult<Plane> Plane::read(Reader& reader) {
  Plane p;
  QF_FIELD(p.normal, Vector3::read(reader), "normal", "Plane");
  QF_FIELD(p.d, reader.read_f32_le(), "d", "Plane");
  return p;
}

void Plane::pack(ByteWriter& writer) const {
  normal.pack(writer);
  writer.write_f32_le(d);
}

ReadResult<Sphere> Sphere::read(Reader& reader) {
  Sphere s;
  QF_FIELD(s.center, Vector3::read(reader), "center", "Sphere");
  QF_FIELD(s.radius, reader.read_f32_le(), "radius", "Sphere");
  return s;
}

void Sphere::pack(ByteWriter& writer) const {
  center.pack(writer);
  writer.write_f32_le(radius);
}

}  // namespace quillfen::common
