// The town's layout. Landblock coordinates run 0..192 in x (west to east) and y (south to
// north); the road crosses the landblock from west to east at y = 96, the market square
// lies north of it with the tavern at its head.
#include "sample-world/town.hpp"

#include "sample-world/ids.hpp"
#include "sample-world/rng.hpp"
#include "sample-world/surface_numbers.hpp"

namespace quillfen::sample {
namespace {

// Random streams of the town.
constexpr std::uint64_t kModelStream = 0x70A1;
constexpr std::uint64_t kLayoutStream = 0x70A2;

// The owner recorded in the restriction table for the stone house's cells.
constexpr std::uint32_t kHouseOwner = 0x7000A9B4;

class Layout {
 public:
  Layout(LandblockBuilder& builder, Rng& rng) : builder_(builder), rng_(rng) {}

  // Hand-placed things are never exactly where the plan says.
  void object(std::uint32_t model, double x, double y, double heading = 0.0, double z = 0.0) {
    builder_.object(model, x + jitter(0.6), y + jitter(0.6), z, heading + jitter(4.0));
  }
  // Ground patches lie exactly where they are put.
  void ground(std::uint32_t model, double x, double y, double z, double heading = 0.0) {
    builder_.object(model, x, y, z, heading);
  }
  std::uint16_t building(std::uint32_t model, double x, double y, double heading, std::vector<Room> rooms) {
    return builder_.building(model, x + jitter(0.3), y + jitter(0.3), 0.0, heading + jitter(1.5), rooms);
  }

 private:
  double jitter(double amount) { return rng_.uniform(static_cast<float>(-amount), static_cast<float>(amount)); }

  LandblockBuilder& builder_;
  Rng& rng_;
};

void lay_out_buildings(const Town& town, Layout& layout, LandblockBuilder& builder) {
  const FurnitureModels& f = town.furniture;
  const BuildingModels& b = town.buildings;

  // South of the road the houses face it (their fronts turned to +y).
  const std::uint16_t stone_house = layout.building(b.stone_house, 60, 80, 180,
                                                    {{.surfaces = {sn::kFloorboards, sn::kPlaster, sn::kBeams},
                                                      .furniture = {{f.table, 0.5, 0.0},
                                                                    {f.chair, 0.5, -0.8},
                                                                    {f.chair, 0.5, 0.8, 0, 180},
                                                                    {f.bed, -2.5, 1.5, 0, 90},
                                                                    {f.hearth, 0.0, 2.9, 0, 180},
                                                                    {f.wall_hanging, 3.6, 0.0, 0, 90}}}});
  builder.restriction(ids::cell(ids::kTown, stone_house), kHouseOwner);
  layout.building(b.plaster_house, 96, 78, 180,
                  {{.surfaces = {sn::kFloorboards, sn::kWhitewash, sn::kBeams},
                    .furniture = {{f.table, 0.0, 0.5}, {f.chair, 0.0, -0.3}, {f.stove, 3.5, 2.8, 0, 180}}},
                   {.surfaces = {sn::kPlanks, sn::kBeams, sn::kStraw},
                    .z = 3.0,
                    .furniture = {{f.bed, -2.0, 0.5, 0, 90}, {f.sacks, 2.0, 2.0}}}});
  layout.building(
      b.snowy_house, 132, 80, 180,
      {{.surfaces = {sn::kPaving, sn::kWallCourses, sn::kBeams},
        .furniture = {
            {f.shelf, -2.0, 2.9, 0, 180}, {f.table, 0.5, 0.5}, {f.chair, 0.5, -0.3}, {town.props.barrel, 2.6, 2.4}}}});

  // The tavern at the head of the market square: common room, kitchen, cellar.
  layout.building(
      b.tavern, 96, 148, 0,
      {{.surfaces = {sn::kFloorboards, sn::kPlaster, sn::kBeams, sn::kHearthStone},
        .furniture = {{f.bar_counter, -3.0, 2.5},
                      {f.table, 2.5, -1.5},
                      {f.table, 4.5, 1.0},
                      {f.table, -1.0, -2.0},
                      {f.chair, 2.5, -2.3},
                      {f.chair, 2.5, -0.7, 0, 180},
                      {f.chair, 4.5, 0.2},
                      {f.chair, -1.0, -2.8},
                      {f.hearth, 6.6, 0.0, 0, 90},
                      {f.chandelier, 0.0, 0.0, 3.0},
                      {f.carpet, 1.0, 0.0},
                      {f.tapestry, -6.6, 0.0, 1.0, 270},
                      {f.shelf, -3.0, 4.2, 0, 180}}},
       {.surfaces = {sn::kPaving, sn::kPlaster, sn::kSoot},
        .x = 4.0,
        .y = 2.5,
        .furniture =
            {{f.stove, 0.0, 1.5, 0, 180}, {f.table, -1.0, -0.5}, {town.props.barrel, 1.8, 1.2}, {f.sacks, -2.0, 1.4}}},
       {.surfaces = {sn::kCellarStone, sn::kCellarFloor, sn::kGreyRubble},
        .z = -3.0,
        .furniture = {{town.props.barrel, -3.0, 2.0},
                      {town.props.barrel, -2.0, 2.2},
                      {town.props.barrel, -1.0, 2.0},
                      {town.props.barrel, 0.0, 2.3},
                      {f.sacks, 3.0, -1.0},
                      {town.props.crate, 3.5, 1.5}}}});

  // The smithy opens onto the square's east side; its store room is behind the forge.
  layout.building(
      b.smithy, 150, 118, 270,
      {{.surfaces = {sn::kPlanks, sn::kWallStone, sn::kSoot, sn::kSlate},
        .y = 5.5,
        .furniture = {{f.tool_rack, 0.0, 1.4, 0, 180}, {f.shelf, -2.5, 0.0, 0, 90}, {town.props.crate, 2.0, -0.5}}}});

  // The watchtower on its rise in the north-west, three floors high; the ground floor's
  // tiles are cracked beyond decoding.
  layout.building(b.tower, 38, 152, 45,
                  {{.surfaces = {sn::kCrackedTile, sn::kTowerStone, sn::kBeams},
                    .furniture = {{town.props.crate, 1.0, 1.0}, {town.props.barrel, -1.0, 1.2}}},
                   {.surfaces = {sn::kFloorboards, sn::kTowerStone},
                    .z = 5.0,
                    .furniture = {{f.bookshelf, 0.0, 2.2, 0, 180}, {f.table, 0.0, 0.0}, {f.chair, 0.0, -0.8}}},
                   {.surfaces = {sn::kFloorboards, sn::kTowerStone, sn::kSlate},
                    .z = 10.0,
                    .furniture = {{f.bed, -1.2, 0.8, 0, 90}, {f.chandelier, 0.0, 0.0, 2.8}, {f.table, 1.2, -0.5}},
                    .trailing_id = 0x7000A9B5}});
}

void lay_out_outdoors(const Town& town, Layout& layout) {
  const PropModels& p = town.props;
  layout.ground(p.road, 96, 96, 0.02);
  layout.ground(p.market_square, 96, 122, 0.03);
  layout.ground(p.plaza, 58, 122, 0.03);
  layout.ground(p.footpath, 38, 132, 0.02, 20);
  layout.ground(p.footpath, 150, 106, 0.02);
  layout.ground(p.garden, 60, 64, 0.0);
  layout.ground(p.garden, 132, 64, 0.0, 5);
  layout.ground(p.pond, 160, 42, 0.0);
  layout.ground(p.snowdrift, 36, 164, 0.0, 30);
  layout.ground(p.mud, 101, 117, 0.0);

  layout.object(p.well, 96, 120);
  layout.object(p.fountain, 58, 122);
  for (const auto& [x, y] : {std::pair{84.0, 130.0}, {96.0, 132.0}, {108.0, 130.0}})
    layout.object(p.market_stall, x, y, 180);
  layout.object(p.signpost, 101, 92, 90);
  layout.object(p.rubble, 46, 146);

  for (const double x : {40.0, 78.0, 114.0, 152.0}) layout.object(p.lamp_post, x, 100.5);
  for (const auto& [x, y] : {std::pair{20.0, 60.0}, {28.0, 112.0}, {172.0, 62.0}, {176.0, 150.0}, {122.0, 172.0}}) {
    layout.object(p.oak, x, y);
  }
  for (const auto& [x, y] : {std::pair{70.0, 38.0}, {142.0, 36.0}, {14.0, 172.0}}) layout.object(p.elm, x, y);

  // Fences and hedges round the gardens behind the houses.
  for (const double gx : {60.0, 132.0}) {
    for (int i = 0; i < 3; ++i) layout.object(p.fence, gx - 3.0 + i * 3.0, 60.5);
    layout.object(p.hedge, gx - 5.0, 64.0, 90);
    layout.object(p.hedge, gx + 5.0, 64.0, 90);
  }

  for (const auto& [x, y] : {std::pair{86.0, 141.0}, {87.2, 142.1}, {156.5, 110.0}, {157.0, 111.3}})
    layout.object(p.barrel, x, y);
  for (const auto& [x, y] : {std::pair{81.0, 128.0}, {111.0, 128.5}, {104.0, 142.0}}) layout.object(p.crate, x, y, 30);
  for (const auto& [x, y] : {std::pair{157.0, 126.0}, {158.0, 127.5}, {90.0, 110.0}})
    layout.object(p.straw_bale, x, y, 10);
}

}  // namespace

Town build_town(std::uint64_t seed) {
  Town town{ModelCatalogue(ids::kTownModelFirst), {}, {}, {}, {}};
  Rng model_rng(derive_seed(seed, kModelStream));
  town.buildings = build_town_buildings(town.models, model_rng);
  town.props = build_town_props(town.models, model_rng);
  town.furniture = build_furniture(town.models, model_rng);

  Rng layout_rng(derive_seed(seed, kLayoutStream));
  LandblockBuilder builder(ids::kTown);
  Layout layout(builder, layout_rng);
  lay_out_buildings(town, layout, builder);
  lay_out_outdoors(town, layout);
  town.plan = builder.finish();
  return town;
}

std::vector<std::uint32_t> town_surface_ids(const Town& town) {
  const ModelCatalogue* catalogues[] = {&town.models};
  return referenced_surfaces(town.plan, catalogues);
}

}  // namespace quillfen::sample
