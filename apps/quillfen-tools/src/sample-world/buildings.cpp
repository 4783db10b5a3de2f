// The buildings. Model space: the origin at the middle of the ground floor, z up, the
// front (with the door) facing -y. Walls are the parts that carry physics; the roofs,
// doors and signs are drawing-only.
#include "sample-world/buildings.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "sample-world/ids.hpp"
#include "sample-world/rng.hpp"
#include "sample-world/surface_numbers.hpp"

namespace quillfen::sample {
namespace {

constexpr GfxOptions kNoPhysics{.physics = false};

// A window in each side wall and in the back wall, just proud of the wall.
void add_windows(Mesh& mesh, double w, double d, double z, std::uint16_t slot) {
  mesh.add_face(facing_rect(vec(w / 2.0 + 0.02, 0.0, z), 1.0, 0.0, 1.1, 1.0), slot);
  mesh.add_face(facing_rect(vec(-w / 2.0 - 0.02, 0.0, z), -1.0, 0.0, 1.1, 1.0), slot);
  mesh.add_face(facing_rect(vec(-w / 4.0, d / 2.0 + 0.02, z), 0.0, 1.0, 1.1, 1.0), slot);
  mesh.add_face(facing_rect(vec(w / 4.0, d / 2.0 + 0.02, z), 0.0, 1.0, 1.1, 1.0), slot);
}

common::Sphere sphere(double z, double radius) { return {vec(0.0, 0.0, z), static_cast<float>(radius)}; }

std::uint32_t build_tavern(ModelCatalogue& catalogue, Rng& rng) {
  const double w = 14.0;
  const double d = 9.0;
  Mesh lower;
  add_walls_with_door(lower, vec(-w / 2, -d / 2, 0.0), vec(w / 2, d / 2, 3.5), 1.8, 2.5, 0);
  add_windows(lower, w, d, 1.8, 1);
  const std::uint32_t lower_id = catalogue.add_gfx(lower, surface_ids({sn::kWallCourses, sn::kWindowGlass}), {}, true);

  // The timber-framed upper storey overhangs the stone one a little.
  Mesh upper;
  add_box(upper, vec(-w / 2 - 0.3, -d / 2 - 0.3, 0.0), vec(w / 2 + 0.3, d / 2 + 0.3, 3.0), {0, 1, 1}, true);
  for (const double x : {-w / 2, -w / 6, w / 6, w / 2}) {
    add_box(upper, vec(x - 0.12, -d / 2 - 0.42, 0.0), vec(x + 0.12, -d / 2 - 0.3, 3.0), {1, 1, 1}, false);
  }
  add_windows(upper, w + 0.6, d + 0.6, 1.5, 2);
  const std::uint32_t upper_id =
      catalogue.add_gfx(upper, surface_ids({sn::kPlanks, sn::kBeams, sn::kWindowGlass}), {}, true);

  Mesh roof;
  add_gable_roof(roof, -w / 2 - 0.8, w / 2 + 0.8, -d / 2 - 0.8, d / 2 + 0.8, 0.0, 3.6, 0, 1);
  const std::uint32_t roof_id = catalogue.add_gfx(roof, surface_ids({sn::kShingles, sn::kPlanks}), kNoPhysics);

  // The sign hangs from an iron bracket over the door.
  Mesh sign;
  add_box(sign, vec(-0.05, -1.6, 0.0), vec(0.05, 0.0, 0.1), {0, 0, 0});
  add_panel(sign, 0.0, -1.0, 1.2, -1.0, -0.05, 1);
  const std::uint32_t sign_id = catalogue.add_gfx(sign, surface_ids({sn::kSignBracket, sn::kPurpleBanner}), kNoPhysics);

  const std::uint32_t chimney = build_chimney(catalogue, 4.2);
  const std::uint32_t door = build_door(catalogue, sn::kOakDoor, sn::kHingeIron);
  const std::uint32_t lantern = build_lantern(catalogue);

  SetupDesign design;
  design.parts = {
      {lower_id, place(0, 0, 0)},
      {upper_id, place(0, 0, 3.5), 0},
      {roof_id, place(0, 0, 6.5), 1},
      {chimney, place(-w / 3, d / 5, 6.5), 2},
      {chimney, place(w / 3, d / 5, 6.5), 2},  // the same chimney twice
      {sign_id, place(2.0, -d / 2, 3.2), 0},
      {door, place(0, -d / 2, 0), 0},
      {lantern, place(-1.6, -d / 2 - 0.3, 2.4), 0},
  };
  design.parent_indices = true;
  design.hooks = {make_hook(3, rng), make_hook(7, rng), make_hook(5, rng, true), make_hook(17, rng)};
  design.lights = {make_light(-1.6, -d / 2 - 0.3, 2.7, 0xFFFFC070, 0.8f, 5.0f),
                   make_light(0.0, 0.0, 1.5, 0xFFFF9040, 1.2f, 8.0f)};
  design.cyl_spheres = {make_cylinder(w / 2, 10.0)};
  design.spheres = {sphere(5.0, 9.0)};
  design.height = 10.1f;
  design.radius = 8.5f;
  design.sound_table = ids::kSoundTable | 0x0011;
  return catalogue.add_setup(design, true);
}

std::uint32_t build_tower(ModelCatalogue& catalogue, Rng& rng) {
  constexpr unsigned kSides = 10;
  const double r = 3.2;
  const double h = 14.0;
  // Face 7 of ten, centred at 270 degrees, looks down -y: the door is there.
  const double apothem = r * std::cos(std::numbers::pi / kSides);
  Mesh walls;
  add_prism(walls, 0, 0, r, 0.6, h, kSides, 0, 0, false);
  add_prism(walls, 0, 0, r + 0.3, 0.0, 0.6, kSides, 1, 1, true);
  for (unsigned k : {2u, 4u, 9u}) {
    const double angle = (k + 0.5) * 2.0 * std::numbers::pi / kSides;
    const double nx = std::cos(angle);
    const double ny = std::sin(angle);
    for (const double z : {4.0, 8.5, 12.0}) {
      walls.add_face(facing_rect(vec(nx * (apothem + 0.03), ny * (apothem + 0.03), z), nx, ny, 0.35, 1.1), 2);
    }
  }
  walls.add_portal(facing_rect(vec(0.0, -apothem - 0.02, 1.8), 0.0, -1.0, 1.2, 2.4));
  const std::uint32_t walls_id =
      catalogue.add_gfx(walls, surface_ids({sn::kTowerStone, sn::kFoundation, sn::kWindowGlass}), {}, true);

  Mesh roof;
  add_cone(roof, 0, 0, r + 0.6, 0.0, 5.0, kSides, 0);
  const std::uint32_t roof_id = catalogue.add_gfx(roof, surface_ids({sn::kTowerCapSnow}), kNoPhysics);

  // A pole on the roof's point flying a banner, long since faded.
  Mesh banner;
  add_prism(banner, 0, 0, 0.06, 0.0, 4.0, 6, 0, 0);
  add_panel(banner, 0.8, 0.0, 1.5, 2.6, 3.8, 1);
  const std::uint32_t banner_id = catalogue.add_gfx(banner, surface_ids({sn::kLampIron, sn::kFadedBanner}),
                                                    {.physics = false, .degrade_id = ids::kDegradeInfo | 0x0102});

  const std::uint32_t door = build_door(catalogue, sn::kOakDoor, sn::kHingeIron);
  SetupDesign design;
  design.parts = {
      {walls_id, place(0, 0, 0)},
      {roof_id, place(0, 0, h), 0},
      {banner_id, place(0, 0, h + 4.8), 1},
      {door, place(0, -apothem, 0.6), 0},
  };
  design.parent_indices = true;
  design.default_scales = true;
  design.parts[2].scale = vec(1.0, 1.0, 1.2);
  design.hooks = {make_hook(13, rng), make_hook(0, rng), make_hook(12, rng)};
  design.lights = {make_light(0.0, 0.0, h + 1.0, 0xFFFFE0A0, 1.5f, 12.0f)};
  design.cyl_spheres = {make_cylinder(r + 0.3, h + 5.0)};
  design.spheres = {sphere(h / 2, h / 2 + 3.0)};
  design.height = static_cast<float>(h + 9.0);
  design.radius = static_cast<float>(r + 0.6);
  design.physics_script = ids::kPhysicsScript | 0x0040;
  return catalogue.add_setup(design);
}

std::uint32_t build_smithy(ModelCatalogue& catalogue, Rng& rng) {
  const double w = 10.0;
  const double d = 7.0;
  // An open-fronted shed: stone back and side walls, oak posts at the front. The back room
  // lies behind the back wall; its doorway faces into the shed.
  Mesh shed;
  add_box(shed, vec(-w / 2, d / 2 - 0.4, 0.0), vec(w / 2, d / 2, 3.2), {0, 0, 0}, false);
  add_box(shed, vec(-w / 2, -d / 2, 0.0), vec(-w / 2 + 0.4, d / 2 - 0.4, 3.2), {0, 0, 0}, false);
  for (const double x : {-w / 2 + 0.2, w / 2 - 0.2}) add_prism(shed, x, -d / 2 + 0.2, 0.18, 0.0, 3.2, 8, 1, 1);
  add_prism(shed, w / 2 - 0.2, d / 2 - 0.6, 0.18, 0.0, 3.2, 8, 1, 1);
  shed.add_portal(facing_rect(vec(1.5, d / 2 - 0.42, 1.1), 0.0, -1.0, 1.2, 2.2));
  const std::uint32_t shed_id = catalogue.add_gfx(shed, surface_ids({sn::kWallStone, sn::kBeams}), {}, true);

  Mesh roof;
  add_gable_roof(roof, -w / 2 - 0.5, w / 2 + 0.5, -d / 2 - 0.5, d / 2 + 0.5, 0.0, 2.2, 0, 1);
  const std::uint32_t roof_id = catalogue.add_gfx(roof, surface_ids({sn::kShingles, sn::kPlanks}), kNoPhysics);

  Mesh forge;
  add_box(forge, vec(-1.0, -0.8, 0.0), vec(1.0, 0.8, 1.0), {0, 1, 0});
  add_box(forge, vec(-0.7, -0.5, 2.0), vec(0.7, 0.5, 5.8), {2, 3, 2}, true);
  const std::uint32_t forge_id =
      catalogue.add_gfx(forge, surface_ids({sn::kHearthStone, sn::kForgeCoals, sn::kChimneyCourses, sn::kSoot}));

  Mesh anvil;
  add_prism(anvil, 0, 0, 0.35, 0.0, 0.55, 7, 1, 1);
  add_box(anvil, vec(-0.45, -0.15, 0.55), vec(0.45, 0.15, 0.85), {0, 0, 0});
  const std::uint32_t anvil_id = catalogue.add_gfx(anvil, surface_ids({sn::kAnvilSteel, sn::kBark}));

  Mesh trough;
  add_box(trough, vec(-1.0, -0.35, 0.0), vec(1.0, 0.35, 0.7), {0, 0, 0}, false);
  add_ground(trough, -0.9, -0.25, 0.9, 0.25, 0.72, 1);
  const std::uint32_t trough_id = catalogue.add_gfx(trough, surface_ids({sn::kPlanks, sn::kTroughWater}));

  Mesh brazier;
  add_prism(brazier, 0, 0, 0.4, 0.0, 0.8, 8, 0, 0, false);
  add_disc(brazier, 0, 0, 0.38, 0.75, 8, 1);
  const std::uint32_t brazier_id =
      catalogue.add_gfx(brazier, surface_ids({sn::kLampIron, sn::kBrazierEmbers}), kNoPhysics);

  SetupDesign design;
  design.parts = {
      {shed_id, place(0, 0, 0)},        {roof_id, place(0, 0, 3.2)},
      {forge_id, place(-2.5, 1.5, 0)},  {anvil_id, place(0.5, -0.5, 0, 20)},
      {trough_id, place(3.0, -2.4, 0)}, {brazier_id, place(-w / 2 + 1.2, -d / 2 + 1.0, 0)},
  };
  design.hooks = {make_hook(1, rng), make_hook(8, rng), make_hook(21, rng), make_hook(5, rng)};
  design.lights = {make_light(-2.5, 1.5, 1.4, 0xFFFF7020, 2.0f, 6.0f)};
  design.cyl_spheres = {make_cylinder(w / 2, 5.4)};
  design.spheres = {sphere(2.7, 7.0)};
  design.height = 5.8f;
  design.radius = 6.2f;
  design.sound_table = ids::kSoundTable | 0x0021;
  return catalogue.add_setup(design);
}

}  // namespace

// A lantern: an iron frame with glass sides round a candle flame.
std::uint32_t build_lantern(ModelCatalogue& catalogue) {
  Mesh mesh;
  add_box(mesh, vec(-0.2, -0.2, 0.0), vec(0.2, 0.2, 0.06), {0, 0, 0});
  add_box(mesh, vec(-0.22, -0.22, 0.5), vec(0.22, 0.22, 0.56), {0, 0, 0});
  constexpr std::array<std::pair<double, double>, 4> kSides = {{{1.0, 0.0}, {-1.0, 0.0}, {0.0, 1.0}, {0.0, -1.0}}};
  for (const auto& [nx, ny] : kSides) {
    mesh.add_face(facing_rect(vec(nx * 0.19, ny * 0.19, 0.28), nx, ny, 0.36, 0.42), 1);
  }
  add_box(mesh, vec(-0.04, -0.04, 0.06), vec(0.04, 0.04, 0.3), {2, 2, 2});
  return catalogue.add_gfx(mesh, surface_ids({sn::kLampIron, sn::kWindowGlass, sn::kCandleFlame}), kNoPhysics);
}

std::uint32_t build_door(ModelCatalogue& catalogue, std::uint16_t door, std::uint16_t hinge) {
  Mesh mesh;
  add_box(mesh, vec(-0.6, -0.06, 0.0), vec(0.6, 0.0, 2.2), {0, 0, 0});
  for (const double z : {0.4, 1.7}) add_box(mesh, vec(-0.6, -0.09, z), vec(-0.1, -0.06, z + 0.08), {1, 1, 1});
  return catalogue.add_gfx(mesh, surface_ids({door, hinge}), kNoPhysics);
}

std::uint32_t build_chimney(ModelCatalogue& catalogue, double height) {
  Mesh mesh;
  add_box(mesh, vec(-0.45, -0.45, 0.0), vec(0.45, 0.45, height), {0, 1, 0}, false);
  return catalogue.add_gfx(mesh, surface_ids({sn::kChimneyCourses, sn::kSoot}));
}

std::uint32_t build_house(ModelCatalogue& catalogue, const HouseStyle& s, Rng& rng) {
  const double w = s.width;
  const double d = s.depth;
  const double h = s.wall_height;
  Mesh shell;
  add_walls_with_door(shell, vec(-w / 2, -d / 2, 0.4), vec(w / 2, d / 2, h), 1.3, 2.2, 0);
  add_box(shell, vec(-w / 2 - 0.15, -d / 2 - 0.15, 0.0), vec(w / 2 + 0.15, d / 2 + 0.15, 0.4), {1, 1, 1}, false);
  add_windows(shell, w, d, 1.9, 2);
  const std::uint32_t shell_id =
      catalogue.add_gfx(shell, surface_ids({s.wall, s.foundation, sn::kWindowGlass}), {}, true);

  Mesh roof;
  add_gable_roof(roof, -w / 2 - 0.4, w / 2 + 0.4, -d / 2 - 0.4, d / 2 + 0.4, 0.0, s.roof_height, 0, 1);
  const std::uint32_t roof_id = catalogue.add_gfx(roof, surface_ids({s.roof, s.gable}), kNoPhysics);
  const std::uint32_t door_id = build_door(catalogue, s.door, s.hinge);

  SetupDesign design;
  design.parts = {{shell_id, place(0, 0, 0)}, {roof_id, place(0, 0, h), 0}, {door_id, place(0, -d / 2, 0.4), 0}};
  if (s.chimney != 0)
    design.parts.push_back({build_chimney(catalogue, s.roof_height + 1.2), place(w / 4, d / 6, h), 1});
  design.parent_indices = true;
  design.hooks = {make_hook(1, rng), make_hook(5, rng, false)};
  design.lights = {make_light(w / 2 + 0.6, 0.0, 1.9, 0xFFFFC070, 0.6f, 4.0f)};
  design.cyl_spheres = {make_cylinder(std::max(w, d) / 2, h + s.roof_height)};
  design.spheres = {sphere((h + s.roof_height) / 2, std::max(w, d) / 2 + 1.0)};
  design.height = static_cast<float>(h + s.roof_height);
  design.radius = static_cast<float>(std::max(w, d) / 2 + 0.4);
  design.sound_table = ids::kSoundTable | 0x0010;
  return catalogue.add_setup(design);
}

BuildingModels build_town_buildings(ModelCatalogue& catalogue, Rng& rng) {
  BuildingModels models;
  models.stone_house = build_house(catalogue,
                                   {.wall = sn::kWallStone,
                                    .foundation = sn::kFoundation,
                                    .roof = sn::kShingles,
                                    .gable = sn::kPlanks,
                                    .door = sn::kOakDoor,
                                    .hinge = sn::kHingeIron,
                                    .chimney = sn::kChimneyCourses},
                                   rng);
  models.plaster_house = build_house(catalogue,
                                     {.wall = sn::kPlaster,
                                      .foundation = sn::kGreyRubble,
                                      .roof = sn::kThatch,
                                      .gable = sn::kBeams,
                                      .door = sn::kRedDoorPaint,
                                      .hinge = sn::kHingeIron,
                                      .width = 9.0,
                                      .depth = 7.0,
                                      .wall_height = 3.0,
                                      .roof_height = 3.0},
                                     rng);
  models.snowy_house = build_house(catalogue,
                                   {.wall = sn::kWallCourses,
                                    .foundation = sn::kFoundation,
                                    .roof = sn::kRoofSnow,
                                    .gable = sn::kPlanks,
                                    .door = sn::kOakDoor,
                                    .hinge = sn::kHingeIron,
                                    .chimney = sn::kChimneyCourses,
                                    .width = 7.0,
                                    .depth = 6.5},
                                   rng);
  models.tavern = build_tavern(catalogue, rng);
  models.tower = build_tower(catalogue, rng);
  models.smithy = build_smithy(catalogue, rng);
  return models;
}

}  // namespace quillfen::sample
