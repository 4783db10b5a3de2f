// Small vector helpers for building meshes and placing objects. Arithmetic is done in
// double and rounded to float once, so results do not depend on the order of a long chain
// of float operations.
#pragma once

#include <cmath>
#include <numbers>

#include "quillfen/dat/graphics.hpp"

namespace quillfen::sample {

using common::Quaternion;
using common::Vector3;
using dat::graphics::Frame;

inline Vector3 vec(double x, double y, double z) {
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}
inline Vector3 operator+(const Vector3& a, const Vector3& b) {
  return vec(double{a.x} + b.x, double{a.y} + b.y, double{a.z} + b.z);
}
inline Vector3 operator-(const Vector3& a, const Vector3& b) {
  return vec(double{a.x} - b.x, double{a.y} - b.y, double{a.z} - b.z);
}
inline Vector3 operator*(const Vector3& a, double k) { return vec(a.x * k, a.y * k, a.z * k); }
inline double dot(const Vector3& a, const Vector3& b) {
  return double{a.x} * b.x + double{a.y} * b.y + double{a.z} * b.z;
}
inline Vector3 cross(const Vector3& a, const Vector3& b) {
  return vec(double{a.y} * b.z - double{a.z} * b.y, double{a.z} * b.x - double{a.x} * b.z,
             double{a.x} * b.y - double{a.y} * b.x);
}
inline double length(const Vector3& a) { return std::sqrt(dot(a, a)); }
// The unit vector along `a`; the zero vector stays zero.
inline Vector3 normalized(const Vector3& a) {
  const double len = length(a);
  return len > 0.0 ? vec(a.x / len, a.y / len, a.z / len) : Vector3{};
}

// A rotation of `degrees` about the vertical (z) axis.
inline Quaternion yaw(double degrees) {
  const double half = degrees * std::numbers::pi / 360.0;
  return {static_cast<float>(std::cos(half)), 0.0f, 0.0f, static_cast<float>(std::sin(half))};
}

// An object standing at (x, y, z) and turned `heading` degrees about the vertical.
inline Frame place(double x, double y, double z, double heading = 0.0) { return {vec(x, y, z), yaw(heading)}; }

}  // namespace quillfen::sample
