// Outdoor objects. Model space: the origin on the ground at the object's middle, z up.
// Foliage, water and ground patches are drawing-only; what one bumps into has physics.
#include "sample-world/props.hpp"

#include "sample-world/buildings.hpp"
#include "sample-world/ids.hpp"
#include "sample-world/rng.hpp"
#include "sample-world/surface_numbers.hpp"

namespace quillfen::sample {
namespace {

constexpr GfxOptions kNoPhysics{.physics = false};

std::uint32_t build_elm(ModelCatalogue& catalogue, Rng& rng) {
  Mesh trunk;
  add_prism(trunk, 0, 0, 0.45, 0.0, 6.0, 8, 0, 0);
  // Ivy climbing the south side of the trunk.
  trunk.add_face(facing_rect(vec(0.0, -0.47, 2.0), 0.0, -1.0, 0.6, 3.0), 1, 1.0, true);
  const std::uint32_t trunk_id = catalogue.add_gfx(trunk, surface_ids({sn::kBark, sn::kIvy}));
  Mesh crown;
  add_blob(crown, Vector3{}, 3.2, 3.0, 2.6, 8, 5, 0);
  const std::uint32_t crown_id = catalogue.add_gfx(crown, surface_ids({sn::kElmLeaves}), kNoPhysics);
  SetupDesign design;
  // One crown mesh twice: a big one on top and a smaller one lower down.
  design.parts = {{trunk_id, place(0, 0, 0)}, {crown_id, place(0, 0, 7.5), 0}, {crown_id, place(1.2, 0.8, 5.0, 40), 0}};
  design.parent_indices = true;
  design.default_scales = true;
  design.parts[2].scale = vec(0.7, 0.7, 0.7);
  design.hooks = {make_hook(19, rng), make_hook(4, rng)};
  design.cyl_spheres = {make_cylinder(0.45, 6.0)};
  design.spheres = {{vec(0.0, 0.0, 7.5), 3.3f}};
  design.height = 10.1f;
  design.radius = 3.3f;
  design.motion_table = ids::kMotionTable | 0x0201;
  return catalogue.add_setup(design);
}

std::uint32_t build_well(ModelCatalogue& catalogue, Rng& rng) {
  Mesh ring;
  add_prism(ring, 0, 0, 1.1, 0.0, 0.9, 10, 0, 0, false);
  add_prism(ring, 0, 0, 0.85, 0.0, 0.9, 10, 0, 0, false);
  add_disc(ring, 0, 0, 0.85, 0.55, 10, 1);
  const std::uint32_t ring_id = catalogue.add_gfx(ring, surface_ids({sn::kWellStone, sn::kWellWater}));
  Mesh frame;
  for (const double x : {-1.0, 1.0}) add_box(frame, vec(x - 0.1, -0.1, 0.0), vec(x + 0.1, 0.1, 2.4), {0, 0, 0});
  add_box(frame, vec(-1.1, -0.06, 2.0), vec(1.1, 0.06, 2.12), {0, 0, 0});
  add_gable_roof(frame, -1.4, 1.4, -1.0, 1.0, 2.4, 3.2, 1, 0);
  const std::uint32_t frame_id = catalogue.add_gfx(frame, surface_ids({sn::kBeams, sn::kShingles}));
  Mesh bucket;
  add_prism(bucket, 0, 0, 0.18, 0.0, 0.3, 8, 0, 0);
  const std::uint32_t bucket_id = catalogue.add_gfx(bucket, surface_ids({sn::kBucketTin}), kNoPhysics);
  SetupDesign design;
  design.parts = {{ring_id, place(0, 0, 0)}, {frame_id, place(0, 0, 0.9), 0}, {bucket_id, place(0, 0, 2.0), 1}};
  design.parent_indices = true;
  design.hooks = {make_hook(5, rng, true), make_hook(16, rng)};
  design.cyl_spheres = {make_cylinder(1.1, 0.9)};
  design.height = 4.1f;
  design.radius = 1.5f;
  design.sound_table = ids::kSoundTable | 0x0031;
  return catalogue.add_setup(design);
}

std::uint32_t build_fountain(ModelCatalogue& catalogue, Rng& rng) {
  Mesh basin;
  add_prism(basin, 0, 0, 2.2, 0.0, 0.6, 12, 0, 0, false);
  add_prism(basin, 0, 0, 1.95, 0.0, 0.6, 12, 0, 0, false);
  add_disc(basin, 0, 0, 1.95, 0.45, 12, 1);
  const std::uint32_t basin_id = catalogue.add_gfx(basin, surface_ids({sn::kPaving, sn::kFountainWater}), {}, true);
  Mesh column;
  add_prism(column, 0, 0, 0.3, 0.0, 1.8, 8, 0, 0);
  add_prism(column, 0, 0, 0.7, 1.8, 2.0, 8, 0, 0, false);
  add_disc(column, 0, 0, 0.7, 1.95, 8, 1);
  const std::uint32_t column_id = catalogue.add_gfx(column, surface_ids({sn::kWallCourses, sn::kFountainWater}));
  SetupDesign design;
  design.parts = {{basin_id, place(0, 0, 0)}, {column_id, place(0, 0, 0.1)}};
  design.hooks = {make_hook(22, rng), make_hook(9, rng)};
  design.cyl_spheres = {make_cylinder(2.2, 0.6)};
  design.height = 2.1f;
  design.radius = 2.2f;
  design.sound_table = ids::kSoundTable | 0x0032;
  return catalogue.add_setup(design);
}

std::uint32_t build_lamp_post(ModelCatalogue& catalogue, Rng& rng) {
  Mesh pole;
  add_box(pole, vec(-0.2, -0.2, 0.0), vec(0.2, 0.2, 0.3), {0, 0, 0}, false);
  add_prism(pole, 0, 0, 0.07, 0.3, 3.0, 6, 0, 0);
  const std::uint32_t pole_id = catalogue.add_gfx(pole, surface_ids({sn::kLampIron}));
  SetupDesign design;
  design.parts = {{pole_id, place(0, 0, 0)}, {build_lantern(catalogue), place(0, 0, 3.0), 0}};
  design.parent_indices = true;
  design.hooks = {make_hook(13, rng), make_hook(2, rng), make_hook(25, rng)};
  design.lights = {make_light(0.0, 0.0, 3.3, 0xFFFFD080, 1.0f, 7.0f)};
  design.cyl_spheres = {make_cylinder(0.2, 3.6)};
  design.height = 3.6f;
  design.radius = 0.3f;
  design.physics_script = ids::kPhysicsScript | 0x0011;
  return catalogue.add_setup(design);
}

std::uint32_t build_market_stall(ModelCatalogue& catalogue, std::uint32_t crate, Rng& rng) {
  Mesh frame;
  for (const double x : {-1.5, 1.5}) {
    for (const double y : {-1.0, 1.0})
      add_box(frame, vec(x - 0.06, y - 0.06, 0.0), vec(x + 0.06, y + 0.06, 2.4), {0, 0, 0});
  }
  const std::uint32_t frame_id = catalogue.add_gfx(frame, surface_ids({sn::kBeams}));
  Mesh counter;
  add_box(counter, vec(-1.4, -1.0, 0.0), vec(1.4, -0.4, 0.9), {1, 0, 1}, false);
  const std::uint32_t counter_id = catalogue.add_gfx(counter, surface_ids({sn::kTableTop, sn::kSacking}));
  // The awning slopes down to the front and is seen from both sides.
  Mesh awning;
  awning.add_face({vec(-1.7, -1.4, 2.2), vec(1.7, -1.4, 2.2), vec(1.7, 1.1, 2.6), vec(-1.7, 1.1, 2.6)}, 0, 1.5, true);
  const std::uint32_t awning_id = catalogue.add_gfx(awning, surface_ids({sn::kAwning}), kNoPhysics);
  SetupDesign design;
  design.parts = {{frame_id, place(0, 0, 0)},
                  {counter_id, place(0, 0, 0)},
                  {awning_id, place(0, 0, 0)},
                  {crate, place(0.9, 0.5, 0, 15)}};
  design.hooks = {make_hook(20, rng)};
  design.cyl_spheres = {make_cylinder(1.8, 2.6)};
  design.height = 2.6f;
  design.radius = 1.8f;
  return catalogue.add_setup(design);
}

std::uint32_t build_barrel(ModelCatalogue& catalogue) {
  Mesh mesh;
  add_prism(mesh, 0, 0, 0.45, 0.0, 1.1, 10, 0, 0);
  for (const double z : {0.12, 0.86}) add_prism(mesh, 0, 0, 0.47, z, z + 0.08, 10, 1, 1, false);
  return catalogue.add_gfx(mesh, surface_ids({sn::kBarrelStaves, sn::kBarrelHoops}));
}

std::uint32_t build_fence(ModelCatalogue& catalogue) {
  Mesh mesh;
  for (const double x : {-1.5, 1.5}) add_box(mesh, vec(x - 0.08, -0.08, 0.0), vec(x + 0.08, 0.08, 1.2), {0, 0, 0});
  for (const double z : {0.4, 0.9}) add_box(mesh, vec(-1.5, -0.04, z), vec(1.5, 0.04, z + 0.12), {0, 0, 0});
  return catalogue.add_gfx(mesh, surface_ids({sn::kFenceRails}));
}

std::uint32_t build_signpost(ModelCatalogue& catalogue) {
  Mesh mesh;
  add_prism(mesh, 0, 0, 0.08, 0.0, 2.6, 6, 0, 0);
  // The board's paint is stored in a pixel format nothing here can read.
  add_box(mesh, vec(0.1, -0.04, 1.9), vec(1.3, 0.04, 2.3), {1, 1, 1});
  add_box(mesh, vec(0.0, -0.03, 2.35), vec(1.2, 0.03, 2.4), {2, 2, 2});
  return catalogue.add_gfx(mesh, surface_ids({sn::kFenceRails, sn::kWeatheredSign, sn::kSignBracket}));
}

std::uint32_t build_pond(ModelCatalogue& catalogue) {
  Mesh mesh;
  add_disc(mesh, 0, 0, 6.0, 0.05, 16, 0);
  // Reeds along the northern and eastern banks.
  for (int i = 0; i < 8; ++i) {
    const double x = -4.0 + i * 1.1;
    add_panel(mesh, x, 5.2 - (i % 3) * 0.4, 0.9, 0.0, 1.3, 1);
  }
  for (int i = 0; i < 4; ++i) add_panel(mesh, 5.3, -2.0 + i * 1.2, 0.8, 0.0, 1.1, 1);
  return catalogue.add_gfx(mesh, surface_ids({sn::kPondWater, sn::kReeds}), kNoPhysics, true);
}

std::uint32_t build_garden(ModelCatalogue& catalogue) {
  Mesh mesh;
  add_ground(mesh, -3.0, -2.0, 3.0, 2.0, 0.04, 0);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 4; ++col) add_panel(mesh, -2.2 + col * 1.5, -1.2 + row * 1.2, 0.5, 0.04, 0.45, 1);
  }
  return catalogue.add_gfx(mesh, surface_ids({sn::kGardenSoil, sn::kGrass}), kNoPhysics);
}

std::uint32_t build_ground(ModelCatalogue& catalogue, double width, double depth, std::uint16_t surface) {
  Mesh mesh;
  add_ground(mesh, -width / 2, -depth / 2, width / 2, depth / 2, 0.0, 0);
  return catalogue.add_gfx(mesh, surface_ids({surface}));
}

}  // namespace

std::uint32_t build_tree(ModelCatalogue& catalogue, Rng& rng, std::uint16_t bark, std::uint16_t leaves, bool pine) {
  Mesh trunk;
  add_prism(trunk, 0, 0, 0.35, 0.0, pine ? 2.5 : 4.0, 7, 0, 0);
  const std::uint32_t trunk_id = catalogue.add_gfx(trunk, surface_ids({bark}));
  Mesh crown;
  if (pine) {
    add_cone(crown, 0, 0, 2.4, 0.0, 3.5, 9, 0);
    add_cone(crown, 0, 0, 1.8, 2.2, 5.5, 9, 0);
    add_cone(crown, 0, 0, 1.2, 4.2, 7.2, 9, 0);
  } else {
    add_blob(crown, Vector3{}, 3.0, 3.0, 2.4, 8, 4, 0);
  }
  const std::uint32_t crown_id = catalogue.add_gfx(crown, surface_ids({leaves}), kNoPhysics);
  SetupDesign design;
  design.parts = {{trunk_id, place(0, 0, 0)}, {crown_id, place(0, 0, pine ? 2.0 : 5.0), 0}};
  design.parent_indices = true;
  design.default_scales = true;
  design.hooks = {make_hook(19, rng), make_hook(0, rng)};
  design.cyl_spheres = {make_cylinder(0.35, pine ? 2.5 : 4.0)};
  design.spheres = {{vec(0.0, 0.0, pine ? 4.5 : 5.0), 3.0f}};
  design.height = pine ? 9.2f : 7.4f;
  design.radius = 3.0f;
  design.motion_table = ids::kMotionTable | 0x0200;
  return catalogue.add_setup(design);
}

PropModels build_town_props(ModelCatalogue& catalogue, Rng& rng) {
  PropModels m;
  m.oak = build_tree(catalogue, rng, sn::kBark, sn::kOakLeaves, false);
  m.elm = build_elm(catalogue, rng);
  m.well = build_well(catalogue, rng);
  m.fountain = build_fountain(catalogue, rng);
  m.lamp_post = build_lamp_post(catalogue, rng);
  {
    Mesh crate;
    add_box(crate, vec(-0.4, -0.4, 0.0), vec(0.4, 0.4, 0.8), {0, 0, 0});
    m.crate = catalogue.add_gfx(crate, surface_ids({sn::kCrateSlats}));
  }
  m.market_stall = build_market_stall(catalogue, m.crate, rng);
  m.barrel = build_barrel(catalogue);
  {
    Mesh bale;
    add_box(bale, vec(-0.6, -0.4, 0.0), vec(0.6, 0.4, 0.5), {0, 0, 0});
    m.straw_bale = catalogue.add_gfx(bale, surface_ids({sn::kStraw}));
  }
  m.fence = build_fence(catalogue);
  {
    Mesh hedge;
    add_box(hedge, vec(-2.0, -0.4, 0.0), vec(2.0, 0.4, 1.2), {0, 0, 0}, false);
    m.hedge = catalogue.add_gfx(hedge, surface_ids({sn::kHedge}));
  }
  m.signpost = build_signpost(catalogue);
  m.road = build_ground(catalogue, 192.0, 6.0, sn::kRoadDirt);
  m.market_square = build_ground(catalogue, 36.0, 24.0, sn::kMarketSand);
  m.plaza = build_ground(catalogue, 16.0, 16.0, sn::kPaving);
  m.footpath = build_ground(catalogue, 2.0, 16.0, sn::kFootpath);
  m.garden = build_garden(catalogue);
  {
    Mesh mud;
    add_disc(mud, 0, 0, 1.5, 0.02, 9, 0);
    m.mud = catalogue.add_gfx(mud, surface_ids({sn::kMud}), kNoPhysics);
  }
  m.pond = build_pond(catalogue);
  {
    Mesh drift;
    add_blob(drift, Vector3{}, 3.0, 2.0, 0.6, 8, 3, 0);
    m.snowdrift = catalogue.add_gfx(drift, surface_ids({sn::kSnowdrift}), kNoPhysics);
  }
  {
    Mesh rubble;
    add_blob(rubble, Vector3{}, 1.2, 0.9, 0.5, 6, 3, 0);
    add_blob(rubble, vec(1.0, 0.6, 0.0), 0.7, 0.6, 0.4, 6, 3, 0);
    m.rubble = catalogue.add_gfx(rubble, surface_ids({sn::kGreyRubble}));
  }
  return m;
}

}  // namespace quillfen::sample
