// LandblockBuilder: positions inside a building are turned with it, and rooms are linked
// to each other and to the outside through their portals.
#include "sample-world/landblock_builder.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sample-world/ids.hpp"

namespace quillfen::sample {

using dat::file_type::env_cell::CellPortal;
using dat::file_type::env_cell::EnvCell;

namespace {

// A cell's portal that leads outdoors names this as its other cell.
constexpr std::uint16_t kOutside = 0xFFFF;
// Cell flag: the cell can be seen from outside (its door opens onto the landblock).
constexpr std::uint32_t kSeenOutside = 0x01;

struct Placement {
  double x;
  double y;
  double z;
  double heading;
};

// `local` (relative to `parent`, which is turned by its heading) in landblock coordinates.
Placement within(const Placement& parent, double x, double y, double z, double heading) {
  const double angle = parent.heading * std::numbers::pi / 180.0;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  return {parent.x + c * x - s * y, parent.y + s * x + c * y, parent.z + z, parent.heading + heading};
}

Frame frame_of(const Placement& p) { return place(p.x, p.y, p.z, p.heading); }

}  // namespace

void LandblockBuilder::object(std::uint32_t model, double x, double y, double z, double heading) {
  info_.objects.push_back({model, place(x, y, z, heading)});
}

std::uint16_t LandblockBuilder::building(std::uint32_t model, double x, double y, double z, double heading,
                                         std::span<const Room> rooms) {
  const Placement origin{x, y, z, heading};
  dat::landblock::BuildInfo build;
  build.model_id = model;
  build.frame = frame_of(origin);
  build.num_leaves = static_cast<std::uint32_t>(rooms.size() + 1);
  const std::uint16_t first = next_cell_;
  if (rooms.empty()) {
    info_.buildings.push_back(std::move(build));
    return first;
  }

  std::vector<std::uint16_t> numbers;
  for (std::size_t i = 0; i < rooms.size(); ++i) numbers.push_back(static_cast<std::uint16_t>(first + i));
  // The door leads into the first room; every room of the building can be seen through it.
  build.portals.push_back({0, first, 0, numbers});
  info_.buildings.push_back(std::move(build));

  for (std::size_t i = 0; i < rooms.size(); ++i) {
    const Room& room = rooms[i];
    const Placement at = within(origin, room.x, room.y, room.z, 0.0);
    EnvCell cell;
    cell.id = ids::cell(key_, numbers[i]);
    cell.flags = (i == 0 ? kSeenOutside : 0) | (room.furniture.empty() ? 0 : dat::file_type::env_cell::kHasObjects);
    cell.unknown_int = room.environment != 0 ? room.environment : ids::kEnvironment | 0x0100;
    cell.surfaces = room.surfaces;
    cell.unknown_short_1 = static_cast<std::uint16_t>(i);
    cell.position = frame_of(at);
    // Back the way we came (outdoors for the first room), then on to the next room.
    cell.portals.push_back(
        CellPortal{0, 0, i == 0 ? kOutside : numbers[i - 1], static_cast<std::uint16_t>(i == 0 ? 0 : 1)});
    if (i + 1 < rooms.size()) cell.portals.push_back(CellPortal{1, 1, numbers[i + 1], 0});
    for (std::size_t j = 0; j < rooms.size(); ++j) {
      if (j != i) cell.cell_refs.push_back(numbers[j]);
    }
    for (const Furnishing& f : room.furniture) {
      cell.objects.push_back({f.model, frame_of(within(at, f.x, f.y, f.z, f.heading))});
    }
    if (room.trailing_id) {
      cell.flags |= dat::file_type::env_cell::kHasTrailingId;
      cell.trailing_id = room.trailing_id;
    }
    cells_.push_back(std::move(cell));
  }
  next_cell_ = static_cast<std::uint16_t>(first + rooms.size());
  return first;
}

void LandblockBuilder::restriction(std::uint32_t key, std::uint32_t value) { restrictions_.emplace_back(key, value); }

LandblockPlan LandblockBuilder::finish() {
  info_.id = ids::landblock_info(key_);
  info_.num_cells = static_cast<std::uint32_t>(cells_.size());
  if (!restrictions_.empty()) {
    info_.pack_mask |= dat::landblock::kHasRestrictionTable;
    info_.restriction_tables = dat::landblock::RestrictionTable{
        dat::FlatMap<std::uint32_t, std::uint32_t>::from_entries(std::move(restrictions_))};
  }
  return LandblockPlan{key_, std::move(info_), std::move(cells_)};
}

std::vector<std::uint32_t> referenced_surfaces(const LandblockPlan& plan,
                                               std::span<const ModelCatalogue* const> catalogues) {
  std::vector<std::uint32_t> found;
  const auto add_model = [&](std::uint32_t model) {
    const auto surfaces = model_surfaces(catalogues, model);
    found.insert(found.end(), surfaces.begin(), surfaces.end());
  };
  for (const auto& stab : plan.info.objects) add_model(stab.id);
  for (const auto& building : plan.info.buildings) add_model(building.model_id);
  for (const EnvCell& cell : plan.cells) {
    for (const std::uint16_t number : cell.surfaces) found.push_back(ids::surface(number));
    for (const auto& stab : cell.objects) add_model(stab.stab_id);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  std::erase(found, 0u);
  return found;
}

Status write_landblock(const LandblockPlan& plan, DatSink& cell, bool compress_info) {
  QF_TRY_VOID(cell.add_record(plan.info.id, plan.info, compress_info));
  for (const EnvCell& env_cell : plan.cells) QF_TRY_VOID(cell.add_record(env_cell.id, env_cell));
  return {};
}

}  // namespace quillfen::sample
