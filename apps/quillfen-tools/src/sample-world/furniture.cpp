// Furniture. Model space: the origin on the floor under the piece, its front facing -y;
// things hung on walls stand against the wall at y = 0.
#include "sample-world/furniture.hpp"

#include <cmath>

#include "sample-world/ids.hpp"
#include "sample-world/rng.hpp"
#include "sample-world/surface_numbers.hpp"

namespace quillfen::sample {
namespace {

constexpr GfxOptions kNoPhysics{.physics = false};

void add_legs(Mesh& mesh, double half_w, double half_d, double height, std::uint16_t slot) {
  for (const double x : {-half_w, half_w}) {
    for (const double y : {-half_d, half_d}) {
      add_box(mesh, vec(x - 0.05, y - 0.05, 0.0), vec(x + 0.05, y + 0.05, height), {slot, slot, slot}, false);
    }
  }
}

// A flat hanging on the wall behind it (at y = 0), facing into the room.
std::uint32_t build_hanging(ModelCatalogue& catalogue, std::uint16_t surface, double width, double height) {
  Mesh mesh;
  mesh.add_face(facing_rect(vec(0.0, -0.02, 1.0 + height / 2), 0.0, -1.0, width, height), 0, width);
  return catalogue.add_gfx(mesh, surface_ids({surface}), kNoPhysics);
}

std::uint32_t build_bed(ModelCatalogue& catalogue, Rng& rng) {
  Mesh frame;
  add_box(frame, vec(-0.5, -1.0, 0.0), vec(0.5, 1.0, 0.35), {0, 0, 0}, false);
  add_box(frame, vec(-0.5, 0.95, 0.0), vec(0.5, 1.05, 0.9), {0, 0, 0}, false);
  const std::uint32_t frame_id = catalogue.add_gfx(frame, surface_ids({sn::kPlanks}));
  Mesh linen;
  add_box(linen, vec(-0.45, -0.95, 0.0), vec(0.45, 0.95, 0.15), {0, 0, 0}, false);
  add_box(linen, vec(-0.3, 0.6, 0.15), vec(0.3, 0.9, 0.25), {0, 0, 0}, false);
  const std::uint32_t linen_id = catalogue.add_gfx(linen, surface_ids({sn::kLinen}), kNoPhysics);
  SetupDesign design;
  design.parts = {{frame_id, place(0, 0, 0)}, {linen_id, place(0, 0, 0.35), 0}};
  design.parent_indices = true;
  design.hooks = {make_hook(14, rng)};
  design.height = 0.9f;
  design.radius = 1.1f;
  return catalogue.add_setup(design);
}

std::uint32_t build_chandelier(ModelCatalogue& catalogue, Rng& rng) {
  Mesh ring;
  add_prism(ring, 0, 0, 0.7, 0.0, 0.08, 12, 0, 0, false);
  add_prism(ring, 0, 0, 0.03, 0.08, 1.2, 4, 0, 0);
  const std::uint32_t ring_id = catalogue.add_gfx(ring, surface_ids({sn::kChandelier}), kNoPhysics);
  Mesh candles;
  for (int i = 0; i < 6; ++i) {
    const double a = i * 1.0471975511965976;  // a sixth of a turn
    add_prism(candles, 0.7 * std::cos(a), 0.7 * std::sin(a), 0.03, 0.08, 0.22, 4, 0, 0);
  }
  const std::uint32_t candles_id = catalogue.add_gfx(candles, surface_ids({sn::kCandleFlame}), kNoPhysics);
  SetupDesign design;
  design.parts = {{ring_id, place(0, 0, 0)}, {candles_id, place(0, 0, 0), 0}};
  design.parent_indices = true;
  design.hooks = {make_hook(2, rng), make_hook(6, rng), make_hook(26, rng)};
  design.lights = {make_light(0.0, 0.0, 0.2, 0xFFFFD890, 1.1f, 6.0f),
                   make_light(0.0, 0.0, -0.5, 0xFFFFC060, 0.4f, 3.0f)};
  design.height = 1.2f;
  design.radius = 0.75f;
  return catalogue.add_setup(design);
}

}  // namespace

FurnitureModels build_furniture(ModelCatalogue& catalogue, Rng& rng) {
  FurnitureModels m;
  {
    Mesh table;
    add_box(table, vec(-0.8, -0.5, 0.72), vec(0.8, 0.5, 0.78), {0, 0, 0});
    add_legs(table, 0.7, 0.4, 0.72, 1);
    m.table = catalogue.add_gfx(table, surface_ids({sn::kTableTop, sn::kBeams}));
  }
  {
    Mesh chair;
    add_box(chair, vec(-0.22, -0.22, 0.42), vec(0.22, 0.22, 0.46), {0, 0, 0});
    add_box(chair, vec(-0.22, 0.18, 0.46), vec(0.22, 0.22, 0.95), {0, 0, 0});
    add_legs(chair, 0.18, 0.18, 0.42, 0);
    m.chair = catalogue.add_gfx(chair, surface_ids({sn::kPlanks}));
  }
  m.bed = build_bed(catalogue, rng);
  {
    Mesh bar;
    add_box(bar, vec(-2.5, -0.35, 0.0), vec(2.5, 0.35, 1.05), {0, 1, 0}, false);
    m.bar_counter = catalogue.add_gfx(bar, surface_ids({sn::kPlanks, sn::kTableTop}));
  }
  {
    Mesh shelf;
    for (const double z : {0.6, 1.2, 1.8}) add_box(shelf, vec(-0.9, -0.3, z), vec(0.9, 0.0, z + 0.04), {0, 0, 0});
    for (int i = 0; i < 5; ++i) add_prism(shelf, -0.7 + i * 0.35, -0.15, 0.06, 1.24, 1.38, 6, 1, 1);
    m.shelf = catalogue.add_gfx(shelf, surface_ids({sn::kShelfBoard, sn::kPewter}));
  }
  {
    Mesh books;
    add_box(books, vec(-0.9, -0.35, 0.0), vec(0.9, 0.0, 2.0), {0, 0, 0}, false);
    for (int i = 0; i < 8; ++i) {
      add_box(books, vec(-0.85 + i * 0.2, -0.33, 1.0), vec(-0.7 + i * 0.2, -0.1, 1.3), {1, 1, 1}, false);
    }
    m.bookshelf = catalogue.add_gfx(books, surface_ids({sn::kShelfBoard, sn::kWallHanging}));
  }
  m.chandelier = build_chandelier(catalogue, rng);
  {
    Mesh hearth;
    add_box(hearth, vec(-1.2, -0.6, 0.0), vec(1.2, 0.0, 1.6), {0, 0, 0}, false);
    hearth.add_face(facing_rect(vec(0.0, -0.61, 0.5), 0.0, -1.0, 1.0, 0.7), 1);
    hearth.add_face(facing_rect(vec(0.0, -0.62, 1.1), 0.0, -1.0, 1.0, 0.4), 2);
    m.hearth = catalogue.add_gfx(hearth, surface_ids({sn::kHearthStone, sn::kHearthFire, sn::kSoot}));
  }
  {
    Mesh stove;
    add_box(stove, vec(-0.7, -0.5, 0.0), vec(0.7, 0.5, 0.9), {0, 0, 0}, false);
    stove.add_face(facing_rect(vec(0.0, -0.51, 0.4), 0.0, -1.0, 0.6, 0.4), 1);
    m.stove = catalogue.add_gfx(stove, surface_ids({sn::kHearthStone, sn::kKitchenFire}));
  }
  m.tapestry = build_hanging(catalogue, sn::kOldTapestry, 2.0, 1.4);
  m.wall_hanging = build_hanging(catalogue, sn::kWallHanging, 1.0, 1.6);
  {
    Mesh carpet;
    add_ground(carpet, -1.5, -1.0, 1.5, 1.0, 0.01, 0);
    m.carpet = catalogue.add_gfx(carpet, surface_ids({sn::kCarpet}), kNoPhysics);
  }
  {
    Mesh sacks;
    add_blob(sacks, vec(0.0, 0.0, 0.3), 0.35, 0.3, 0.3, 6, 3, 0);
    add_blob(sacks, vec(0.6, 0.1, 0.3), 0.35, 0.3, 0.3, 6, 3, 0);
    m.sacks = catalogue.add_gfx(sacks, surface_ids({sn::kSacking}));
  }
  {
    Mesh rack;
    add_box(rack, vec(-1.0, -0.05, 1.4), vec(1.0, 0.0, 1.55), {0, 0, 0}, false);
    for (int i = 0; i < 4; ++i)
      add_box(rack, vec(-0.8 + i * 0.5, -0.1, 0.6), vec(-0.75 + i * 0.5, -0.05, 1.4), {1, 1, 1});
    m.tool_rack = catalogue.add_gfx(rack, surface_ids({sn::kBeams, sn::kLampIron}), kNoPhysics);
  }
  return m;
}

}  // namespace quillfen::sample
