// Helpers shared by the landblock and model record tests: the frame texts of a read
// error, packing a record to bytes, and seeded generators of randomly shaped records for
// the round-trip tests.
#pragma once

#include <array>
#include <map>
#include <cstdint>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "quillfen/dat/flat_map.hpp"
#include "quillfen/dat/graphics.hpp"
#include "quillfen/dat/physics.hpp"
#include "quillfen/dat/reader.hpp"
#include "support/packed.hpp"

namespace quillfen::dat::testing {

using quillfen::testing::packed;

inline std::vector<std::string> frame_texts(const ReadError& error) {
  std::vector<std::string> texts;
  for (const auto& frame : error.frames()) texts.push_back(frame.text);
  return texts;
}

inline std::string field(std::string_view name, std::string_view record) {
  return common::field_context_text(name, record);
}

// The value under `key`, or a default one when it is absent (so a test fails on the
// comparison instead of dereferencing nothing).
template <class K, class V>
V value_at(const FlatMap<K, V>& map, const std::type_identity_t<K>& key) {
  const V* value = map.find(key);
  return value != nullptr ? *value : V{};
}

// The common rows of the record builders of these tests, each returning the builder so a
// fixture reads like the record's layout: Derived adds the rows of its own record.
template <class Derived>
struct FieldBytes {
  ByteWriter w;
  std::map<std::string, std::size_t, std::less<>> marks;  // named offsets for cut tests

  Derived& mark(const std::string& name) {
    marks[name] = w.size();
    return self();
  }
  Derived& u8(std::uint8_t v) {
    w.write_u8(v);
    return self();
  }
  Derived& u16(std::uint16_t v) {
    w.write_u16_le(v);
    return self();
  }
  Derived& u32(std::uint32_t v) {
    w.write_u32_le(v);
    return self();
  }
  Derived& i32(std::int32_t v) {
    w.write_i32_le(v);
    return self();
  }
  // An identity frame moved to x along the first axis.
  Derived& frame(float x) {
    graphics::Frame{{x, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f, 0.0f}}.pack(w);
    return self();
  }

 private:
  Derived& self() { return static_cast<Derived&>(*this); }
};

inline std::vector<std::uint8_t> prefix(const std::vector<std::uint8_t>& bytes, std::size_t n) {
  return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)};
}

// Random field values; floats are finite so that records compare equal after a round trip.
class RecordRng {
 public:
  explicit RecordRng(std::uint32_t seed) : gen_(seed) {}

  std::uint32_t u32() { return static_cast<std::uint32_t>(gen_()); }
  std::uint16_t u16() { return static_cast<std::uint16_t>(gen_()); }
  std::uint8_t u8() { return static_cast<std::uint8_t>(gen_()); }
  // Uniform in [lo, hi].
  std::uint32_t between(std::uint32_t lo, std::uint32_t hi) {
    return std::uniform_int_distribution<std::uint32_t>(lo, hi)(gen_);
  }
  bool chance(double p) { return std::bernoulli_distribution(p)(gen_); }
  float f32() { return std::uniform_real_distribution<float>(-1000.0f, 1000.0f)(gen_); }

  Vector3 vector3() { return {f32(), f32(), f32()}; }
  Quaternion quaternion() { return {f32(), f32(), f32(), f32()}; }
  Plane plane() { return {vector3(), f32()}; }
  Sphere sphere() { return {vector3(), f32()}; }
  graphics::Frame frame() { return {vector3(), quaternion()}; }

  template <class T, class Make>
  std::vector<T> list(std::uint32_t max_len, Make make) {
    std::vector<T> out(between(0, max_len));
    for (auto& v : out) v = make();
    return out;
  }
  std::vector<std::uint16_t> u16s(std::uint32_t max_len) {
    return list<std::uint16_t>(max_len, [&] { return u16(); });
  }

  graphics::Polygon polygon() {
    graphics::Polygon p;
    const std::uint32_t points = between(0, 8);
    p.stippling = static_cast<std::uint8_t>(between(0, 15));
    p.sides_type = between(0, 3);
    p.pos_surface = u16();
    p.neg_surface = u16();
    for (std::uint32_t i = 0; i < points; ++i) p.vertex_ids.push_back(u16());
    for (std::uint32_t i = 0; p.has_pos_uvs() && i < points; ++i) p.pos_uv_indices.push_back(u8());
    for (std::uint32_t i = 0; p.has_neg_uvs() && i < points; ++i) p.neg_uv_indices.push_back(u8());
    return p;
  }

  graphics::SWVertex vertex() {
    return {vector3(), vector3(), list<graphics::Vec2Duv>(3, [&] { return graphics::Vec2Duv{f32(), f32()}; })};
  }

  // A tree of the given kind holding only the fields that kind stores.
  physics::BspNode bsp_node(physics::BspTreeKind kind, int depth_left) {
    using physics::BspTreeKind;
    const std::uint32_t pick = depth_left <= 0 ? 0 : between(0, 9);
    if (pick <= 3) {
      physics::BspLeaf leaf;
      leaf.leaf_index = u32();
      if (kind == BspTreeKind::Physics) {
        leaf.physics_word = u32();
        leaf.bounding_sphere = sphere();
        leaf.poly_ids = u16s(4);
      }
      return {std::move(leaf)};
    }
    if (pick <= 5) {
      physics::BspPortal portal;
      portal.splitting_plane = plane();
      portal.pos_node = bsp_node(kind, depth_left - 1);
      portal.neg_node = bsp_node(kind, depth_left - 1);
      if (kind == BspTreeKind::Drawing) {
        portal.bounding_sphere = sphere();
        portal.poly_ids = u16s(4);
        portal.portals = list<physics::PortalPoly>(3, [&] { return physics::PortalPoly{u16(), u16()}; });
      }
      return {std::move(portal)};
    }
    // Every child-bearing tag, plus tags that bring no children.
    static constexpr std::array<std::uint32_t, 11> kTags = {
        0x4250494E, 0x42506E4E, 0x4250496E, 0x42506E6E, 0x4270494E, 0x42706E4E,
        0x42706E6E, 0x4250584E, 0x5850494E, 0x4C454158, 0x00000000};
    physics::InternalNode node;
    const std::uint32_t tag = kTags[between(0, kTags.size() - 1)];
    node.node_type = physics::tag_text(tag);
    node.splitting_plane = plane();
    const auto children = physics::tag_children(tag);
    if (children.pos) node.pos_node.emplace(bsp_node(kind, depth_left - 1));
    if (children.neg) node.neg_node.emplace(bsp_node(kind, depth_left - 1));
    if (kind != BspTreeKind::Cell) node.bounding_sphere = sphere();
    if (kind == BspTreeKind::Drawing) node.poly_ids = u16s(4);
    return {std::move(node)};
  }

 private:
  std::mt19937 gen_;
};

}  // namespace quillfen::dat::testing
