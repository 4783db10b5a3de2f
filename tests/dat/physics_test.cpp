// BSP trees: the tag rules, what each node carries in each kind of tree, children before
// trailing fields, error handling, the depth limit and round trips of random trees.
#include "quillfen/dat/physics.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string_view>

#include "dat/model_test_support.hpp"

namespace quillfen::dat::physics {
namespace {

using testing::field;
using testing::frame_texts;
using testing::packed;
using testing::prefix;

std::uint32_t tag_of(std::string_view text) { return tag_value({text[0], text[1], text[2], text[3]}); }

// Builds a node stream field by field, in the order the reader takes it.
struct Stream {
  ByteWriter w;

  Stream& tag(std::string_view text) { return u32(tag_of(text)); }
  Stream& u32(std::uint32_t v) { w.write_u32_le(v); return *this; }
  Stream& u16(std::uint16_t v) { w.write_u16_le(v); return *this; }
  Stream& plane() { Plane{{0.0f, 0.0f, 1.0f}, 2.0f}.pack(w); return *this; }
  Stream& sphere() { Sphere{{1.0f, 2.0f, 3.0f}, 4.0f}.pack(w); return *this; }
  // A leaf with no polygon ids, as `kind` stores it.
  Stream& leaf(BspTreeKind kind, std::uint32_t index = 9) {
    tag("LEAF").u32(index);
    if (kind == BspTreeKind::Physics) u32(0xAB).sphere().u32(0);
    return *this;
  }
};

struct TagCase {
  const char* text;
  TagChildren children;
};

class TagRules : public ::testing::TestWithParam<TagCase> {};

TEST_P(TagRules, SelectTheChildren) {
  EXPECT_EQ(tag_children(tag_of(GetParam().text)), GetParam().children);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, TagRules,
    ::testing::Values(TagCase{"BPIN", {true, true}}, TagCase{"BPnN", {true, true}},
                      TagCase{"BPIn", {true, false}}, TagCase{"BPnn", {true, false}},
                      TagCase{"BpIN", {false, true}}, TagCase{"BpnN", {false, true}},
                      TagCase{"Bpnn", {false, false}}, TagCase{"BpIn", {false, false}},
                      TagCase{"BXIN", {false, false}}, TagCase{"BPXN", {false, false}},
                      TagCase{"XPIN", {false, false}}, TagCase{"bPIN", {false, false}},
                      TagCase{"BPIx", {true, false}}),
    [](const auto& test) { return std::string(test.param.text); });

TEST(Tags, AreStoredLastCharacterFirst) {
  ByteWriter w;
  w.write_u32_le(kTagLeaf);
  w.write_u32_le(kTagPort);
  w.write_u32_le(tag_of("BPIN"));
  EXPECT_EQ(w.bytes(), (std::vector<std::uint8_t>{0x46, 0x41, 0x45, 0x4C, 0x54, 0x52, 0x4F, 0x50,
                                                   0x4E, 0x49, 0x50, 0x42}));
  EXPECT_EQ(tag_text(tag_of("BpnN")), (std::array<char, 4>{'B', 'p', 'n', 'N'}));
}

struct ShapeCase {
  const char* name;
  BspTreeKind kind;
  std::function<void(Stream&)> build;
  std::size_t size;
  std::size_t alternative;  // 0 Leaf, 1 Portal, 2 Internal
};

class NodeShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(NodeShape, ConsumesExactlyItsBytes) {
  const auto& c = GetParam();
  Stream s;
  c.build(s);
  ASSERT_EQ(s.w.size(), c.size);
  s.u32(0xFFFFFFFF);  // whatever follows the tree
  Reader reader(s.w.bytes());
  const auto node = BspNode::read(reader, c.kind);
  ASSERT_TRUE(node.has_value()) << node.error().message();
  EXPECT_EQ(reader.position(), c.size);
  EXPECT_EQ(node->value.index(), c.alternative);
  EXPECT_EQ(packed(*node, c.kind), prefix(s.w.bytes(), c.size));
}

using K = BspTreeKind;
INSTANTIATE_TEST_SUITE_P(
    Kinds, NodeShape,
    ::testing::Values(
        ShapeCase{"physics_leaf", K::Physics, [](Stream& s) { s.leaf(K::Physics); }, 32, 0},
        ShapeCase{"drawing_leaf", K::Drawing, [](Stream& s) { s.leaf(K::Drawing); }, 8, 0},
        ShapeCase{"cell_leaf", K::Cell, [](Stream& s) { s.leaf(K::Cell); }, 8, 0},
        ShapeCase{"drawing_bpin_leaf", K::Drawing,
                  [](Stream& s) { s.tag("BPIn").plane().leaf(K::Drawing).sphere().u32(0); }, 48, 2},
        ShapeCase{"physics_bpin_leaf", K::Physics,
                  [](Stream& s) { s.tag("BPIn").plane().leaf(K::Physics).sphere(); }, 68, 2},
        ShapeCase{"cell_bpin_leaf", K::Cell, [](Stream& s) { s.tag("BPIn").plane().leaf(K::Cell); }, 28, 2},
        ShapeCase{"physics_portal", K::Physics,
                  [](Stream& s) { s.tag("PORT").plane().leaf(K::Physics).leaf(K::Physics); }, 84, 1},
        ShapeCase{"cell_portal", K::Cell, [](Stream& s) { s.tag("PORT").plane().leaf(K::Cell).leaf(K::Cell); }, 36,
                  1},
        ShapeCase{"drawing_unknown_tag", K::Drawing, [](Stream& s) { s.tag("BPXN").plane().sphere().u32(1).u16(5); },
                  42, 2},
        ShapeCase{"drawing_leaf_lookalike", K::Drawing, [](Stream& s) { s.tag("LEAX").plane().sphere().u32(0); },
                  40, 2},
        ShapeCase{"physics_foreign_tag", K::Physics, [](Stream& s) { s.tag("ABCD").plane().sphere(); }, 36, 2},
        ShapeCase{"drawing_both_children", K::Drawing,
                  [](Stream& s) {
                    s.tag("BPnN").plane().leaf(K::Drawing, 1).leaf(K::Drawing, 2).sphere().u32(2).u16(3).u16(4);
                  },
                  4 + 16 + 8 + 8 + 16 + 4 + 4, 2}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(BspNode, PhysicsLeafKeepsItsFields) {
  Stream s;
  s.tag("LEAF").u32(7).u32(0x55).sphere().u32(2).u16(10).u16(11);
  Reader reader(s.w.bytes());
  const auto node = BspNode::read(reader, BspTreeKind::Physics);
  ASSERT_TRUE(node.has_value());
  const auto& leaf = std::get<BspLeaf>(node->value);
  EXPECT_EQ(leaf.leaf_index, 7u);
  EXPECT_EQ(leaf.physics_word, 0x55u);
  EXPECT_EQ(leaf.bounding_sphere, (Sphere{{1.0f, 2.0f, 3.0f}, 4.0f}));
  EXPECT_EQ(leaf.poly_ids, (std::vector<std::uint16_t>{10, 11}));
}

TEST(BspNode, DrawingPortalReadsItsListsAfterBothSubtrees) {
  Stream s;
  s.tag("PORT").plane().leaf(K::Drawing, 1).leaf(K::Drawing, 2);
  s.sphere().u32(2).u32(1).u16(30).u16(31).u16(4).u16(5);
  Reader reader(s.w.bytes());
  const auto node = BspNode::read(reader, BspTreeKind::Drawing);
  ASSERT_TRUE(node.has_value()) << node.error().message();
  EXPECT_EQ(reader.remaining(), 0u);
  const auto& portal = std::get<BspPortal>(node->value);
  EXPECT_EQ(std::get<BspLeaf>(portal.pos_node->value).leaf_index, 1u);
  EXPECT_EQ(std::get<BspLeaf>(portal.neg_node->value).leaf_index, 2u);
  EXPECT_EQ(portal.splitting_plane, (Plane{{0.0f, 0.0f, 1.0f}, 2.0f}));
  EXPECT_EQ(portal.bounding_sphere, (Sphere{{1.0f, 2.0f, 3.0f}, 4.0f}));
  EXPECT_EQ(portal.poly_ids, (std::vector<std::uint16_t>{30, 31}));
  EXPECT_EQ(portal.portals, (std::vector<PortalPoly>{{4, 5}}));
}

TEST(BspNode, SingleChildTagsFillTheirSide) {
  for (const auto& [text, positive] : {std::pair{"BPIn", true}, std::pair{"BpIN", false}}) {
    Stream s;
    s.tag(text).plane().leaf(K::Cell, 3);
    Reader reader(s.w.bytes());
    const auto node = BspNode::read(reader, BspTreeKind::Cell);
    ASSERT_TRUE(node.has_value());
    const auto& internal = std::get<InternalNode>(node->value);
    EXPECT_EQ(internal.node_type, tag_text(tag_of(text)));
    EXPECT_EQ(internal.pos_node.has_value(), positive) << text;
    EXPECT_EQ(internal.neg_node.has_value(), !positive) << text;
    const auto& child = positive ? *internal.pos_node : *internal.neg_node;
    EXPECT_EQ(std::get<BspLeaf>(child->value).leaf_index, 3u);
    EXPECT_FALSE(internal.bounding_sphere.has_value());
  }
}

TEST(BspNode, TreeCutAnywhereFailsWhole) {
  Stream s;
  s.tag("BPIN").plane().leaf(K::Drawing, 1);
  s.tag("PORT").plane().leaf(K::Drawing, 2).leaf(K::Drawing, 3).sphere().u32(1).u32(1).u16(6).u16(7).u16(8);
  s.sphere().u32(0);
  for (std::size_t n = 0; n < s.w.size(); ++n) {
    const auto bytes = prefix(s.w.bytes(), n);
    Reader reader(bytes);
    const auto node = BspNode::read(reader, BspTreeKind::Drawing);
    ASSERT_FALSE(node.has_value()) << "cut at " << n;
    EXPECT_TRUE(node.error().is_eof());
  }
}

struct ErrorFrameCase {
  const char* name;
  std::function<void(Stream&)> build;
  std::vector<std::string> frames;
};

class BspErrorFrames : public ::testing::TestWithParam<ErrorFrameCase> {};

TEST_P(BspErrorFrames, OnlyTheNestedRecordsAddFrames) {
  Stream s;
  GetParam().build(s);
  Reader reader(s.w.bytes());
  const auto node = BspNode::read(reader, BspTreeKind::Drawing);
  ASSERT_FALSE(node.has_value());
  EXPECT_TRUE(node.error().is_eof());
  EXPECT_EQ(frame_texts(node.error()), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, BspErrorFrames,
    ::testing::Values(
        ErrorFrameCase{"tag", [](Stream& s) { s.u16(0); }, {}},
        ErrorFrameCase{"plane_d", [](Stream& s) { s.tag("BPIN").u32(0).u32(0).u32(0); }, {field("d", "Plane")}},
        ErrorFrameCase{"child_tag", [](Stream& s) { s.tag("BPIN").plane().leaf(K::Drawing); }, {}},
        ErrorFrameCase{"sphere_radius",
                       [](Stream& s) { s.tag("BPIn").plane().leaf(K::Drawing).u32(0).u32(0).u32(0); },
                       {field("radius", "Sphere")}},
        ErrorFrameCase{"polygon_ids",
                       [](Stream& s) { s.tag("BPIn").plane().leaf(K::Drawing).sphere().u32(3).u16(1).u16(2); },
                       {}},
        ErrorFrameCase{"portal_poly_id",
                       [](Stream& s) {
                         s.tag("PORT").plane().leaf(K::Drawing).leaf(K::Drawing).sphere().u32(0).u32(2);
                         s.u16(1).u16(2).u16(3);
                       },
                       {field("poly_id", "PortalPoly")}},
        ErrorFrameCase{"hostile_counts",
                       [](Stream& s) {
                         s.tag("PORT").plane().leaf(K::Drawing).leaf(K::Drawing).sphere();
                         s.u32(0).u32(0xFFFFFFFF);
                       },
                       {field("portal_index", "PortalPoly")}}),
    [](const auto& test) { return std::string(test.param.name); });

// A chain of `levels` nodes: BPIn nodes down to a leaf, as a drawing tree.
std::vector<std::uint8_t> chain(std::size_t levels) {
  Stream s;
  for (std::size_t i = 1; i < levels; ++i) s.tag("BPIn").plane();
  s.leaf(K::Drawing);
  for (std::size_t i = 1; i < levels; ++i) s.sphere().u32(0);
  return s.w.take();
}

TEST(BspDepth, TreeAtTheLimitDecodes) {
  const auto bytes = chain(kMaxBspDepth);
  Reader reader(bytes);
  const auto node = BspNode::read(reader, BspTreeKind::Drawing);
  ASSERT_TRUE(node.has_value()) << node.error().message();
  EXPECT_EQ(reader.remaining(), 0u);
  EXPECT_EQ(packed(*node, BspTreeKind::Drawing), bytes);
}

TEST(BspDepth, OneLevelMoreFailsAtTheOffendingTag) {
  const auto bytes = chain(kMaxBspDepth + 1);
  Reader reader(bytes);
  const auto node = BspNode::read(reader, BspTreeKind::Drawing);
  ASSERT_FALSE(node.has_value());
  const auto* custom = std::get_if<CustomError>(&node.error().cause());
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->message, "BSP tree nested deeper than 256 levels (tag 0x4C454146 at level 257)");
  EXPECT_EQ(custom->position, kMaxBspDepth * 20);  // the leaf's tag, after 256 tags and planes
  EXPECT_TRUE(node.error().frames().empty());
}

// Far beyond the limit, as a hostile file would nest it: the reader stops at the limit
// instead of recursing until the stack is gone (this runs under the sanitizer build too).
TEST(BspDepth, HostileNestingFailsCleanly) {
  constexpr std::size_t kLevels = 1'000'000;
  Stream node;
  node.tag("BPIn").plane();
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kLevels * node.w.size());
  for (std::size_t i = 0; i < kLevels; ++i) bytes.insert(bytes.end(), node.w.bytes().begin(), node.w.bytes().end());
  for (const auto kind : {BspTreeKind::Drawing, BspTreeKind::Physics, BspTreeKind::Cell}) {
    Reader reader(bytes);
    const auto tree = BspNode::read(reader, kind);
    ASSERT_FALSE(tree.has_value());
    const auto* custom = std::get_if<CustomError>(&tree.error().cause());
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->message, "BSP tree nested deeper than 256 levels (tag 0x4250496E at level 257)");
    EXPECT_EQ(custom->position, kMaxBspDepth * 20);
  }
}

class BspRoundTrip : public ::testing::TestWithParam<BspTreeKind> {};

TEST_P(BspRoundTrip, RandomTreesSurvivePackAndRead) {
  testing::RecordRng rng(0xB5B0 + static_cast<std::uint32_t>(GetParam()));
  for (int i = 0; i < 300; ++i) {
    const BspNode tree = rng.bsp_node(GetParam(), static_cast<int>(rng.between(0, 12)));
    const auto bytes = packed(tree, GetParam());
    Reader reader(bytes);
    const auto back = BspNode::read(reader, GetParam());
    ASSERT_TRUE(back.has_value()) << back.error().message();
    EXPECT_EQ(*back, tree);
    EXPECT_EQ(reader.remaining(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, BspRoundTrip,
                         ::testing::Values(BspTreeKind::Drawing, BspTreeKind::Physics, BspTreeKind::Cell));

TEST(BspNode, CopiesAreDeep) {
  testing::RecordRng rng(11);
  BspPortal portal;
  portal.pos_node = rng.bsp_node(BspTreeKind::Drawing, 3);
  BspNode original{portal};
  BspNode copy = original;
  EXPECT_EQ(copy, original);
  BspLeaf leaf;
  leaf.leaf_index = 12345;
  std::get<BspPortal>(copy.value).pos_node = BspNode{leaf};
  EXPECT_NE(copy, original);
}

}  // namespace
}  // namespace quillfen::dat::physics
