// The recursive BSP reader and its writer. Children are read before a node's trailing
// fields, so a node is complete only once both its subtrees are.
#include "quillfen/dat/physics.hpp"

#include <fmt/format.h>

#include "pack_count.hpp"

namespace quillfen::dat::physics {

std::array<char, 4> tag_text(std::uint32_t tag) {
  return {static_cast<char>(tag >> 24), static_cast<char>((tag >> 16) & 0xFFu),
          static_cast<char>((tag >> 8) & 0xFFu), static_cast<char>(tag & 0xFFu)};
}

std::uint32_t tag_value(const std::array<char, 4>& text) {
  std::uint32_t tag = 0;
  for (const char c : text) tag = (tag << 8) | static_cast<std::uint8_t>(c);
  return tag;
}

TagChildren tag_children(std::uint32_t tag) {
  const auto [c1, c2, c3, c4] = tag_text(tag);
  if (c1 != 'B' || (c3 != 'I' && c3 != 'n')) return {};
  // 'P' brings a positive child and allows a negative one; 'p' allows only the negative.
  return {.pos = c2 == 'P', .neg = c4 == 'N' && (c2 == 'P' || c2 == 'p')};
}

ReadResult<PortalPoly> PortalPoly::read(Reader& reader) {
  PortalPoly poly;
  QF_FIELD(poly.portal_index, reader.read_u16_le(), "portal_index", "PortalPoly");
  QF_FIELD(poly.poly_id, reader.read_u16_le(), "poly_id", "PortalPoly");
  return poly;
}

void PortalPoly::pack(ByteWriter& writer) const {
  writer.write_u16_le(portal_index);
  writer.write_u16_le(poly_id);
}

namespace {

ReadResult<BspNode> read_node(Reader& reader, BspTreeKind kind, std::size_t level);

// A list of polygon ids; the bytes are taken in one read, so a hostile count costs nothing.
ReadResult<std::vector<std::uint16_t>> read_poly_ids(Reader& reader, std::uint32_t count) {
  QF_TRY_ASSIGN(const auto bytes, reader.read_bytes(2 * std::size_t{count}));
  std::vector<std::uint16_t> ids(count);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ids[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return ids;
}

void write_poly_ids(ByteWriter& writer, const std::vector<std::uint16_t>& ids) {
  for (const std::uint16_t id : ids) writer.write_u16_le(id);
}

ReadResult<BspNode> read_leaf(Reader& reader, BspTreeKind kind) {
  BspLeaf leaf;
  QF_TRY_ASSIGN(leaf.leaf_index, reader.read_u32_le());
  if (kind == BspTreeKind::Physics) {
    QF_TRY_ASSIGN(leaf.physics_word, reader.read_u32_le());
    QF_TRY_ASSIGN(leaf.bounding_sphere, Sphere::read(reader));
    QF_TRY_ASSIGN(const std::uint32_t count, reader.read_u32_le());
    QF_TRY_ASSIGN(leaf.poly_ids, read_poly_ids(reader, count));
  }
  return BspNode{std::move(leaf)};
}

ReadResult<BspNode> read_portal(Reader& reader, BspTreeKind kind, std::size_t level) {
  QF_TRY_ASSIGN(auto portal, BspPortal::read(reader, kind, level));
  return BspNode{std::move(portal)};
}

ReadResult<BspNode> read_internal(Reader& reader, BspTreeKind kind, std::uint32_t tag, std::size_t level) {
  InternalNode node;
  node.node_type = tag_text(tag);
  QF_TRY_ASSIGN(node.splitting_plane, Plane::read(reader));
  const TagChildren children = tag_children(tag);
  if (children.pos) {
    QF_TRY_ASSIGN(auto child, read_node(reader, kind, level + 1));
    node.pos_node.emplace(std::move(child));
  }
  if (children.neg) {
    QF_TRY_ASSIGN(auto child, read_node(reader, kind, level + 1));
    node.neg_node.emplace(std::move(child));
  }
  if (kind != BspTreeKind::Cell) {
    QF_TRY_ASSIGN(node.bounding_sphere, Sphere::read(reader));
    if (kind == BspTreeKind::Drawing) {
      QF_TRY_ASSIGN(const std::uint32_t count, reader.read_u32_le());
      QF_TRY_ASSIGN(node.poly_ids, read_poly_ids(reader, count));
    }
  }
  return BspNode{std::move(node)};
}

// Each kind of node is read in its own function, so that the frame that recurses holds
// little more than the tag: the depth limit is measured in levels, the stack in bytes.
ReadResult<BspNode> read_node(Reader& reader, BspTreeKind kind, std::size_t level) {
  const std::size_t tag_position = reader.position();
  QF_TRY_ASSIGN(const std::uint32_t tag, reader.read_u32_le());
  if (level > kMaxBspDepth) {
    return std::unexpected(ReadError::custom(
        fmt::format("BSP tree nested deeper than {} levels (tag 0x{:08X} at level {})", kMaxBspDepth, tag, level),
        tag_position));
  }
  if (tag == kTagLeaf) return read_leaf(reader, kind);
  if (tag == kTagPort) return read_portal(reader, kind, level);
  return read_internal(reader, kind, tag, level);
}

}  // namespace

ReadResult<BspPortal> BspPortal::read(Reader& reader, BspTreeKind kind, std::size_t level) {
  BspPortal portal;
  QF_TRY_ASSIGN(portal.splitting_plane, Plane::read(reader));
  QF_TRY_ASSIGN(portal.pos_node, read_node(reader, kind, level + 1));
  QF_TRY_ASSIGN(portal.neg_node, read_node(reader, kind, level + 1));
  if (kind != BspTreeKind::Drawing) return portal;
  QF_TRY_ASSIGN(portal.bounding_sphere, Sphere::read(reader));
  QF_TRY_ASSIGN(const std::uint32_t poly_count, reader.read_u32_le());
  QF_TRY_ASSIGN(const std::uint32_t portal_count, reader.read_u32_le());
  QF_TRY_ASSIGN(portal.poly_ids, read_poly_ids(reader, poly_count));
  portal.portals.reserve(reader.capacity_for(portal_count, 4));
  for (std::uint32_t i = 0; i < portal_count; ++i) {
    QF_TRY_ASSIGN(const PortalPoly poly, PortalPoly::read(reader));
    portal.portals.push_back(poly);
  }
  return portal;
}

ReadResult<BspNode> BspNode::read(Reader& reader, BspTreeKind kind) { return read_node(reader, kind, 1); }

namespace {

PackResult pack_node(ByteWriter& writer, const BspNode& node, BspTreeKind kind, std::size_t level);

PackResult pack_portal(ByteWriter& writer, const BspPortal& portal, BspTreeKind kind, std::size_t level) {
  portal.splitting_plane.pack(writer);
  QF_TRY_VOID(pack_node(writer, *portal.pos_node, kind, level + 1));
  QF_TRY_VOID(pack_node(writer, *portal.neg_node, kind, level + 1));
  if (kind != BspTreeKind::Drawing) return {};
  portal.bounding_sphere.value_or(Sphere{}).pack(writer);
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, portal.poly_ids.size(), "BspPortal", "poly_ids"));
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, portal.portals.size(), "BspPortal", "portals"));
  write_poly_ids(writer, portal.poly_ids);
  for (const auto& poly : portal.portals) poly.pack(writer);
  return {};
}

PackResult pack_internal(ByteWriter& writer, const InternalNode& node, BspTreeKind kind, std::size_t level) {
  const std::uint32_t tag = tag_value(node.node_type);
  if (tag == kTagLeaf || tag == kTagPort) {
    return std::unexpected(PackError::unstorable("InternalNode", "node_type", "is a LEAF or PORT tag"));
  }
  const TagChildren children = tag_children(tag);
  if (children.pos != node.pos_node.has_value() || children.neg != node.neg_node.has_value()) {
    return std::unexpected(PackError::unstorable(
        "InternalNode", "node_type",
        fmt::format("'{}' disagrees with the children present (positive: {}, negative: {})",
                    std::string_view(node.node_type.data(), node.node_type.size()), node.pos_node.has_value(),
                    node.neg_node.has_value())));
  }
  writer.write_u32_le(tag);
  node.splitting_plane.pack(writer);
  if (node.pos_node) QF_TRY_VOID(pack_node(writer, **node.pos_node, kind, level + 1));
  if (node.neg_node) QF_TRY_VOID(pack_node(writer, **node.neg_node, kind, level + 1));
  if (kind == BspTreeKind::Cell) return {};
  node.bounding_sphere.value_or(Sphere{}).pack(writer);
  if (kind != BspTreeKind::Drawing) return {};
  QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, node.poly_ids.size(), "InternalNode", "poly_ids"));
  write_poly_ids(writer, node.poly_ids);
  return {};
}

// Mirrors read_node, level by level, so that whatever is written reads back.
PackResult pack_node(ByteWriter& writer, const BspNode& node, BspTreeKind kind, std::size_t level) {
  if (level > kMaxBspDepth) {
    return std::unexpected(
        PackError::unstorable("BspNode", "tree", fmt::format("is nested deeper than {} levels", kMaxBspDepth)));
  }
  if (const auto* leaf = std::get_if<BspLeaf>(&node.value)) {
    writer.write_u32_le(kTagLeaf);
    writer.write_u32_le(leaf->leaf_index);
    if (kind != BspTreeKind::Physics) return {};
    writer.write_u32_le(leaf->physics_word);
    leaf->bounding_sphere.value_or(Sphere{}).pack(writer);
    QF_TRY_VOID(packing::write_count<std::uint32_t>(writer, leaf->poly_ids.size(), "BspLeaf", "poly_ids"));
    write_poly_ids(writer, leaf->poly_ids);
    return {};
  }
  if (const auto* portal = std::get_if<BspPortal>(&node.value)) {
    writer.write_u32_le(kTagPort);
    return pack_portal(writer, *portal, kind, level);
  }
  return pack_internal(writer, std::get<InternalNode>(node.value), kind, level);
}

}  // namespace

PackResult BspPortal::pack(ByteWriter& writer, BspTreeKind kind) const { return pack_portal(writer, *this, kind, 1); }

PackResult BspNode::pack(ByteWriter& writer, BspTreeKind kind) const { return pack_node(writer, *this, kind, 1); }

}  // namespace quillfen::dat::physics
