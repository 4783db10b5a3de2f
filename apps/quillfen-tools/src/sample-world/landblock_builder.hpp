// Laying out one landblock: the objects standing on it, its buildings and the interior
// cells behind their doors, collected into the LandblockInfo and EnvCell records.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/landblock.hpp"
#include "sample-world/model_catalogue.hpp"

namespace quillfen::sample {

struct LandblockPlan {
  std::uint16_t key = 0;
  dat::landblock::LandblockInfo info;
  std::vector<dat::file_type::env_cell::EnvCell> cells;
};

// A model placed inside a room, relative to the room.
struct Furnishing {
  std::uint32_t model = 0;
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double heading = 0.0;
};

// One interior cell of a building; the first room of a building is the one its door
// opens into, and each further room opens off the one before it.
struct Room {
  std::vector<std::uint16_t> surfaces{};  // surface numbers (low 16 bits of the ids)
  double x = 0.0;                         // offset from the building's origin
  double y = 0.0;
  double z = 0.0;
  std::vector<Furnishing> furniture{};
  std::uint32_t environment = 0;  // the cell's shape, an environment id
  std::optional<std::uint32_t> trailing_id{};
};

class LandblockBuilder {
 public:
  explicit LandblockBuilder(std::uint16_t key) : key_(key) {}

  // An object standing on the landblock at (x, y, z) turned `heading` degrees.
  void object(std::uint32_t model, double x, double y, double z, double heading = 0.0);
  // A building with `rooms` behind its door. Returns the first cell number of its rooms.
  std::uint16_t building(std::uint32_t model, double x, double y, double z, double heading,
                         std::span<const Room> rooms);
  // An entry of the landblock's restriction table (which cells belong to whom).
  void restriction(std::uint32_t key, std::uint32_t value);

  LandblockPlan finish();

 private:
  std::uint16_t key_;
  std::uint16_t next_cell_ = 0x0100;
  dat::landblock::LandblockInfo info_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> restrictions_;
  std::vector<dat::file_type::env_cell::EnvCell> cells_;
};

// Every surface id of the plan as the audit discovers it: the objects' and buildings'
// models, each cell's own surfaces and its furniture; ascending, without duplicates or 0.
std::vector<std::uint32_t> referenced_surfaces(const LandblockPlan& plan,
                                               std::span<const ModelCatalogue* const> catalogues);

// Writes the LandblockInfo and the cells to the cell DAT; `compress_info` stores the
// LandblockInfo LRS-compressed.
Status write_landblock(const LandblockPlan& plan, DatSink& cell, bool compress_info = false);

}  // namespace quillfen::sample
