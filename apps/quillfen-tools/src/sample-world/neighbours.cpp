// The neighbouring landblocks. Their own models come from the neighbours' id block; trees,
// fences, doors and furniture are borrowed from the town.
#include "sample-world/neighbours.hpp"

#include "sample-world/buildings.hpp"
#include "sample-world/ids.hpp"
#include "sample-world/props.hpp"
#include "sample-world/rng.hpp"
#include "sample-world/surface_numbers.hpp"

namespace quillfen::sample {
namespace {

constexpr std::uint64_t kModelStream = 0x4E1;
constexpr std::uint64_t kLayoutStream = 0x4E2;
constexpr GfxOptions kNoPhysics{.physics = false};

std::uint32_t ground(ModelCatalogue& c, double width, double depth, std::uint16_t surface) {
  Mesh mesh;
  add_ground(mesh, -width / 2, -depth / 2, width / 2, depth / 2, 0.0, 0);
  return c.add_gfx(mesh, surface_ids({surface}), kNoPhysics);
}

std::uint32_t rock(ModelCatalogue& c, std::uint16_t surface, double size) {
  Mesh mesh;
  add_blob(mesh, Vector3{}, size, size * 0.8, size * 0.6, 7, 4, 0);
  return c.add_gfx(mesh, surface_ids({surface}));
}

// West: a barn, fields of wheat, haystacks and a scarecrow.
LandblockPlan farmstead(const Town& town, ModelCatalogue& c, Rng& rng) {
  const std::uint32_t barn = build_house(c,
                                         {.wall = sn::kBarnPlanks,
                                          .foundation = sn::kFoundation,
                                          .roof = sn::kBarnThatch,
                                          .gable = sn::kBarnPlanks,
                                          .door = sn::kOakDoor,
                                          .hinge = sn::kHingeIron,
                                          .width = 12.0,
                                          .depth = 8.0,
                                          .wall_height = 4.0,
                                          .roof_height = 3.5},
                                         rng);
  Mesh field;
  add_ground(field, -12.0, -8.0, 12.0, 8.0, 0.02, 0);
  for (int row = 0; row < 6; ++row) {
    for (int col = 0; col < 8; ++col) add_panel(field, -10.5 + col * 3.0, -6.5 + row * 2.6, 2.4, 0.0, 0.9, 1);
  }
  const std::uint32_t field_id = c.add_gfx(field, surface_ids({sn::kFieldSoil, sn::kWheat}), kNoPhysics, true);
  const std::uint32_t haystack = rock(c, sn::kHay, 1.6);
  Mesh scarecrow;
  add_prism(scarecrow, 0, 0, 0.06, 0.0, 2.2, 5, 0, 0);
  add_panel(scarecrow, 0.0, 0.0, 1.4, 1.1, 1.9, 1);
  add_blob(scarecrow, vec(0.0, 0.0, 2.3), 0.2, 0.2, 0.22, 5, 3, 2);
  const std::uint32_t scarecrow_id =
      c.add_gfx(scarecrow, surface_ids({sn::kFenceRails, sn::kPurpleBanner, sn::kHay}), kNoPhysics);

  LandblockBuilder b(ids::kWest);
  b.building(barn, 120, 100, 0, 90,
             std::vector<Room>{{.surfaces = {sn::kBarnPlanks, sn::kHay, sn::kFieldSoil},
                                .furniture = {{town.props.straw_bale, -3.0, 2.0},
                                              {town.props.straw_bale, -3.0, 1.0},
                                              {town.props.crate, 3.0, -2.0},
                                              {town.furniture.sacks, 2.0, 2.5}}}});
  b.object(field_id, 60, 60, 0);
  b.object(field_id, 60, 130, 0, 90);
  for (int i = 0; i < 5; ++i) b.object(haystack, 90 + i * 6.0, 40 + (i % 2) * 4.0, 0);
  b.object(scarecrow_id, 62, 62, 0, 200);
  for (int i = 0; i < 10; ++i) b.object(town.props.fence, 40 + i * 3.0, 48, 0);
  b.object(town.props.oak, 150, 150, 0);
  b.object(town.props.well, 130, 80, 0);
  return b.finish();
}

// East: a forest of pines with a hunter's cabin, mossy rocks and a stream.
LandblockPlan forest(const Town& town, ModelCatalogue& c, Rng& rng, std::uint32_t pine) {
  const std::uint32_t cabin = build_house(c,
                                          {.wall = sn::kCabinLogs,
                                           .foundation = sn::kMossyRock,
                                           .roof = sn::kShingles,
                                           .gable = sn::kCabinLogs,
                                           .door = sn::kOakDoor,
                                           .hinge = sn::kHingeIron,
                                           .chimney = sn::kChimneyCourses,
                                           .width = 6.0,
                                           .depth = 5.0},
                                          rng);
  const std::uint32_t mossy = rock(c, sn::kMossyRock, 1.4);
  const std::uint32_t stream = ground(c, 4.0, 192.0, sn::kStream);

  LandblockBuilder b(ids::kEast);
  b.building(cabin, 80, 120, 0, 200,
             std::vector<Room>{{.surfaces = {sn::kCabinLogs, sn::kFloorboards},
                                .furniture = {{town.furniture.table, 0.0, 0.0},
                                              {town.furniture.chair, 0.0, -0.8},
                                              {town.furniture.bed, -1.8, 1.0, 0, 90},
                                              {town.furniture.hearth, 0.0, 2.2, 0, 180}}}});
  b.object(stream, 150, 96, 0, 8);
  Rng place_rng(rng.next());
  for (int i = 0; i < 40; ++i) {
    const double x = 10.0 + place_rng.uniform(0.0f, 172.0f);
    const double y = 10.0 + place_rng.uniform(0.0f, 172.0f);
    b.object(i % 5 == 0 ? town.props.elm : pine, x, y, 0, place_rng.uniform(0.0f, 360.0f));
  }
  for (int i = 0; i < 12; ++i) b.object(mossy, 20.0 + i * 13.0, 30.0 + (i % 4) * 35.0, 0, i * 31.0);
  return b.finish();
}

// South: a quarry's faces and blocks, and a mine running down to a lava pool.
LandblockPlan quarry(const Town& town, ModelCatalogue& c, Rng& rng) {
  Mesh face;
  add_box(face, vec(-10.0, -2.0, 0.0), vec(10.0, 2.0, 12.0), {0, 0, 0}, false);
  const std::uint32_t face_id = c.add_gfx(face, surface_ids({sn::kQuarryFace}), {}, true);
  Mesh block;
  add_box(block, vec(-0.8, -0.6, 0.0), vec(0.8, 0.6, 1.0), {0, 0, 0});
  const std::uint32_t block_id = c.add_gfx(block, surface_ids({sn::kQuarryFace}));
  const std::uint32_t gravel = ground(c, 60.0, 40.0, sn::kGravel);

  Mesh entrance;
  add_walls_with_door(entrance, vec(-3.0, -2.0, 0.0), vec(3.0, 2.0, 4.0), 2.2, 2.8, 0);
  add_box(entrance, vec(-1.3, -2.3, 0.0), vec(1.3, -2.0, 3.1), {1, 1, 1}, false);
  const std::uint32_t entrance_mesh = c.add_gfx(entrance, surface_ids({sn::kQuarryFace, sn::kBeams}), {}, false);
  SetupDesign mine;
  mine.parts = {{entrance_mesh, place(0, 0, 0)}};
  mine.hooks = {make_hook(24, rng), make_hook(10, rng)};
  mine.height = 4.0f;
  mine.radius = 3.6f;
  const std::uint32_t mine_id = c.add_setup(mine);

  Mesh cart_body;
  add_box(cart_body, vec(-0.9, -0.6, 0.4), vec(0.9, 0.6, 1.2), {0, 0, 1}, false);
  const std::uint32_t body_id = c.add_gfx(cart_body, surface_ids({sn::kPlanks, sn::kRailIron}));
  Mesh wheels;
  for (const double x : {-0.6, 0.6}) {
    for (const double y : {-0.62, 0.62}) add_prism(wheels, x, y, 0.3, 0.1, 0.14, 8, 0, 0);
  }
  const std::uint32_t wheels_id = c.add_gfx(wheels, surface_ids({sn::kRailIron}), kNoPhysics);
  SetupDesign cart;
  cart.parts = {{body_id, place(0, 0, 0)}, {wheels_id, place(0, 0, 0.3), 0}};
  cart.parent_indices = true;
  cart.hooks = {make_hook(5, rng, true), make_hook(15, rng)};
  cart.height = 1.2f;
  cart.radius = 1.1f;
  const std::uint32_t cart_id = c.add_setup(cart);

  Mesh pool;
  add_disc(pool, 0, 0, 2.5, 0.05, 12, 0);
  const std::uint32_t pool_id = c.add_gfx(pool, surface_ids({sn::kLavaPool}), kNoPhysics);

  LandblockBuilder b(ids::kSouth);
  b.building(mine_id, 96, 60, 0, 180,
             std::vector<Room>{{.surfaces = {sn::kQuarryFace, sn::kGravel, sn::kBeams},
                                .furniture = {{cart_id, 0.0, 1.0, 0, 90}, {town.props.crate, 1.5, -1.0}}},
                               {.surfaces = {sn::kQuarryFace, sn::kGravel},
                                .y = 8.0,
                                .z = -6.0,
                                .furniture = {{pool_id, 0.0, 2.0}, {cart_id, -1.5, -1.0}}}});
  b.object(gravel, 96, 110, 0.02);
  for (int i = 0; i < 3; ++i) b.object(face_id, 50.0 + i * 40.0, 150.0, 0, i * 10.0 - 10.0);
  for (int i = 0; i < 9; ++i) b.object(block_id, 80.0 + (i % 3) * 2.0, 100.0 + (i / 3) * 1.6, 0);
  b.object(cart_id, 110, 105, 0, 30);
  b.object(town.props.lamp_post, 92, 64, 0);
  return b.finish();
}

// North: a shrine in the snow with its bell, and a frozen pond.
LandblockPlan shrine(const Town& town, ModelCatalogue& c, Rng& rng, std::uint32_t pine) {
  const std::uint32_t shrine_id = build_house(c,
                                              {.wall = sn::kShrineStone,
                                               .foundation = sn::kShrineStone,
                                               .roof = sn::kRoofSnow,
                                               .gable = sn::kShrineStone,
                                               .door = sn::kOakDoor,
                                               .hinge = sn::kShrineBell,
                                               .width = 6.0,
                                               .depth = 8.0,
                                               .wall_height = 4.0,
                                               .roof_height = 3.0},
                                              rng);
  const std::uint32_t snowfield = ground(c, 192.0, 192.0, sn::kSnowfield);
  Mesh ice;
  add_disc(ice, 0, 0, 8.0, 0.05, 16, 0);
  const std::uint32_t ice_id = c.add_gfx(ice, surface_ids({sn::kIce}), kNoPhysics);
  Mesh bell;
  add_cone(bell, 0, 0, 0.5, 0.0, 0.7, 10, 0);
  add_prism(bell, 0, 0, 0.5, -0.1, 0.0, 10, 0, 0, false);
  const std::uint32_t bell_mesh = c.add_gfx(bell, surface_ids({sn::kShrineBell}), kNoPhysics);
  SetupDesign bell_design;
  bell_design.parts = {{bell_mesh, place(0, 0, 0)}};
  bell_design.hooks = {make_hook(1, rng), make_hook(11, rng), make_hook(23, rng)};
  bell_design.lights = {make_light(0.0, 0.0, -0.3, 0xFFB0C0FF, 0.3f, 2.0f)};
  bell_design.height = 0.8f;
  bell_design.radius = 0.5f;
  bell_design.sound_table = ids::kSoundTable | 0x0041;
  const std::uint32_t bell_id = c.add_setup(bell_design);

  LandblockBuilder b(ids::kNorth);
  b.object(snowfield, 96, 96, 0);
  b.building(shrine_id, 96, 100, 0, 180,
             std::vector<Room>{{.surfaces = {sn::kShrineStone, sn::kSlate},
                                .furniture = {{bell_id, 0.0, 1.5, 2.8}, {town.furniture.chandelier, 0.0, -1.0, 3.2}},
                                .trailing_id = 0x7000A9B6}});
  b.object(ice_id, 140, 140, 0.02);
  for (int i = 0; i < 14; ++i) b.object(pine, 20.0 + i * 11.0, 20.0 + (i % 3) * 60.0, 0, i * 23.0);
  b.restriction(ids::cell(ids::kNorth, 0x0100), 0x7000A9B6);
  return b.finish();
}

}  // namespace

Neighbours build_neighbours(const Town& town, std::uint64_t seed) {
  Neighbours n{ModelCatalogue(ids::kNeighbourModelFirst), {}};
  Rng model_rng(derive_seed(seed, kModelStream));
  Rng layout_rng(derive_seed(seed, kLayoutStream));
  const std::uint32_t pine = build_tree(n.models, model_rng, sn::kBark, sn::kPineNeedles, true);
  n.plans.push_back(farmstead(town, n.models, model_rng));
  n.plans.push_back(forest(town, n.models, layout_rng, pine));
  n.plans.push_back(quarry(town, n.models, model_rng));
  n.plans.push_back(shrine(town, n.models, model_rng, pine));
  return n;
}

}  // namespace quillfen::sample
