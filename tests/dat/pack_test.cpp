// Record writers refuse what their layout cannot hold: a list longer than its count field,
// lists that must match another count, hooks of the wrong length, BSP nodes whose tag or
// depth the reader would take differently. Each refusal names the record and field; the
// largest list that fits still round-trips, and a refusal deep inside a record is the
// whole record's.
#include "quillfen/dat/pack.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/graphics.hpp"
#include "quillfen/dat/landblock.hpp"
#include "quillfen/dat/physics.hpp"

namespace quillfen::dat {
namespace {

namespace ft = file_type;
using physics::BspNode;
using physics::BspTreeKind;
using physics::InternalNode;

graphics::Polygon polygon_with_points(std::size_t points) {
  graphics::Polygon polygon;
  polygon.vertex_ids.assign(points, 7);
  polygon.pos_uv_indices.assign(points, 0);
  return polygon;
}

ft::SetupModel setup_with_parts(std::size_t parts) {
  ft::SetupModel setup;
  setup.parts.assign(parts, 0x01000001);
  return setup;
}

// A chain of `levels` BPIn nodes ending in a leaf.
BspNode chain(std::size_t levels) {
  BspNode node{physics::BspLeaf{}};
  for (std::size_t i = 1; i < levels; ++i) {
    InternalNode inner;
    inner.node_type = {'B', 'P', 'I', 'n'};
    inner.pos_node.emplace(std::move(node));
    node = BspNode{std::move(inner)};
  }
  return node;
}

struct RefusalCase {
  const char* name;
  std::function<PackResult()> pack;
  std::string message;
};

template <class Record, class... Args>
PackResult pack_of(const Record& record, Args... args) {
  ByteWriter writer;
  return record.pack(writer, args...);
}

class PackRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PackRefusalTest, RefusesWithTheRecordAndField) {
  const PackResult result = GetParam().pack();
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PackRefusalTest,
    ::testing::Values(
        RefusalCase{"PolygonPoints", [] { return pack_of(polygon_with_points(256)); },
                    "Polygon: vertex_ids holds 256 entries, more than its count field can hold (255)"},
        RefusalCase{"PolygonUvs",
                    [] {
                      auto polygon = polygon_with_points(4);
                      polygon.pos_uv_indices.pop_back();
                      return pack_of(polygon);
                    },
                    "Polygon: pos_uv_indices holds 3 entries, but needs one per point (4)"},
        RefusalCase{"PolygonNegativeUvs",
                    [] {
                      auto polygon = polygon_with_points(3);
                      polygon.sides_type = graphics::kSidesTypeBoth;
                      return pack_of(polygon);
                    },
                    "Polygon: neg_uv_indices holds 0 entries, but needs one per point (3)"},
        RefusalCase{"VertexUvs",
                    [] {
                      graphics::SWVertex vertex;
                      vertex.uvs.resize(65536);
                      return pack_of(vertex);
                    },
                    "SWVertex: uvs holds 65536 entries, more than its count field can hold (65535)"},
        RefusalCase{"EnvCellSurfaces",
                    [] {
                      ft::env_cell::EnvCell cell;
                      cell.surfaces.assign(256, 1);
                      return pack_of(cell);
                    },
                    "EnvCell: surfaces holds 256 entries, more than its count field can hold (255)"},
        RefusalCase{"EnvCellPortals",
                    [] {
                      ft::env_cell::EnvCell cell;
                      cell.portals.resize(300);
                      return pack_of(cell);
                    },
                    "EnvCell: portals holds 300 entries, more than its count field can hold (255)"},
        RefusalCase{"EnvCellRefs",
                    [] {
                      ft::env_cell::EnvCell cell;
                      cell.cell_refs.resize(65536);
                      return pack_of(cell);
                    },
                    "EnvCell: cell_refs holds 65536 entries, more than its count field can hold (65535)"},
        RefusalCase{"LandblockBuildings",
                    [] {
                      landblock::LandblockInfo record;
                      record.buildings.resize(65536);
                      return pack_of(record);
                    },
                    "LandblockInfo: buildings holds 65536 entries, more than its count field can hold (65535)"},
        RefusalCase{"PortalStabs",
                    [] {
                      landblock::LandblockInfo record;
                      record.buildings.resize(1);
                      record.buildings[0].portals.resize(1);
                      record.buildings[0].portals[0].stab_list.resize(70000);
                      return pack_of(record);
                    },
                    "PortalInternal: stab_list holds 70000 entries, more than its count field can hold (65535)"},
        RefusalCase{"RestrictionTables",
                    [] {
                      landblock::LandblockInfo record;
                      record.pack_mask = landblock::kHasRestrictionTable;
                      record.restriction_tables.emplace();
                      std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;
                      for (std::uint32_t k = 0; k < 65536; ++k) entries.emplace_back(k, k);
                      record.restriction_tables->tables = FlatMap<std::uint32_t, std::uint32_t>::from_entries(std::move(entries));
                      return pack_of(record);
                    },
                    "RestrictionTable: tables holds 65536 entries, more than its count field can hold (65535)"},
        RefusalCase{"SetupParents",
                    [] {
                      auto setup = setup_with_parts(3);
                      setup.flags = ft::kSetupHasParentIndices;
                      setup.parent_indices = {0, 1};
                      return pack_of(setup);
                    },
                    "SetupModel: parent_indices holds 2 entries, but needs one per part (3)"},
        RefusalCase{"SetupScales",
                    [] {
                      auto setup = setup_with_parts(1);
                      setup.flags = ft::kSetupHasDefaultScales;
                      return pack_of(setup);
                    },
                    "SetupModel: default_scales holds 0 entries, but needs one per part (1)"},
        RefusalCase{"SetupPlacementFrames",
                    [] {
                      auto setup = setup_with_parts(2);
                      setup.placements.insert_or_assign(0x65, ft::PlacementType{.frames = {{}}, .hooks = {}});
                      return pack_of(setup);
                    },
                    "SetupModel: placements[101].frames holds 1 entries, but needs one per part (2)"},
        RefusalCase{"HookType",
                    [] { return pack_of(ft::AnimationHook{.hook_type = 27, .hook_param = 0, .payload = {}}); },
                    "AnimationHook: hook_type 27 is above the largest type 26"},
        RefusalCase{"HookPayload",
                    [] { return pack_of(ft::AnimationHook{.hook_type = 3, .hook_param = 0, .payload = {1, 2}}); },
                    "AnimationHook: payload holds 2 bytes, but hook type 3 carries 28"},
        RefusalCase{"VariableHookPayload",
                    [] {
                      // Its u16 says the long form: eight bytes, not four.
                      return pack_of(ft::AnimationHook{.hook_type = 5, .hook_param = 0, .payload = {1, 0, 0x80, 0}});
                    },
                    "AnimationHook: payload holds 4 bytes, but hook type 5 carries 8"},
        RefusalCase{"InternalNodeLeafTag",
                    [] {
                      InternalNode node;
                      node.node_type = {'L', 'E', 'A', 'F'};
                      return pack_of(BspNode{node}, BspTreeKind::Drawing);
                    },
                    "InternalNode: node_type is a LEAF or PORT tag"},
        RefusalCase{"InternalNodeChildren",
                    [] {
                      InternalNode node;
                      node.node_type = {'B', 'P', 'I', 'N'};
                      node.pos_node.emplace(BspNode{});
                      return pack_of(BspNode{node}, BspTreeKind::Physics);
                    },
                    "InternalNode: node_type 'BPIN' disagrees with the children present (positive: true, "
                    "negative: false)"},
        RefusalCase{"BspDepth", [] { return pack_of(chain(physics::kMaxBspDepth + 1), BspTreeKind::Cell); },
                    "BspNode: tree is nested deeper than 256 levels"},
        RefusalCase{"GfxObjNestedPolygon",
                    [] {
                      ft::GfxObj obj;
                      obj.flags = ft::kGfxObjHasDrawing;
                      obj.drawing_polygons.insert_or_assign(9, polygon_with_points(300));
                      return pack_of(obj);
                    },
                    "Polygon: vertex_ids holds 300 entries, more than its count field can hold (255)"}),
    [](const auto& test) { return std::string(test.param.name); });

// At the limit each record still writes, and reads back as it was.
TEST(PackTest, ListsAtTheirLimitRoundTrip) {
  const auto polygon = polygon_with_points(255);
  const auto polygon_bytes = pack_record(polygon);
  ASSERT_TRUE(polygon_bytes) << polygon_bytes.error().message;
  Reader polygon_reader(*polygon_bytes);
  EXPECT_EQ(graphics::Polygon::read(polygon_reader), polygon);

  ft::env_cell::EnvCell cell;
  cell.surfaces.assign(255, 3);
  cell.cell_refs.assign(65535, 4);
  const auto cell_bytes = pack_record(cell);
  ASSERT_TRUE(cell_bytes) << cell_bytes.error().message;
  Reader cell_reader(*cell_bytes);
  EXPECT_EQ(ft::env_cell::EnvCell::unpack(cell_reader), cell);

  const BspNode deepest = chain(physics::kMaxBspDepth);
  const auto tree_bytes = pack_record(deepest, BspTreeKind::Cell);
  ASSERT_TRUE(tree_bytes) << tree_bytes.error().message;
  Reader tree_reader(*tree_bytes);
  EXPECT_EQ(BspNode::read(tree_reader, BspTreeKind::Cell), deepest);
}

TEST(PackTest, PackRecordGivesTheBytesOfPack) {
  const auto setup = setup_with_parts(2);
  ByteWriter writer;
  ASSERT_TRUE(setup.pack(writer));
  EXPECT_EQ(pack_record(setup), writer.bytes());
  // Records of fixed layout go through the same call.
  EXPECT_EQ(pack_record(Vector3{1.0f, 2.0f, 3.0f})->size(), 12u);
}

}  // namespace
}  // namespace quillfen::dat
