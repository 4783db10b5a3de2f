// The town's buildings as SetupModels: three houses of different build, the tavern, the
// watchtower and the smithy. Each is assembled from GfxObj parts (walls with a doorway
// portal, roof, door, chimneys and the like) placed by its default placement.
#pragma once

#include <cstdint>

#include "sample-world/model_catalogue.hpp"

namespace quillfen::sample {

class Rng;

struct BuildingModels {
  std::uint32_t stone_house = 0;    // stone walls, shingle roof
  std::uint32_t plaster_house = 0;  // whitewashed walls, thatch, a red door
  std::uint32_t snowy_house = 0;    // dressed stone, snow on the roof
  std::uint32_t tavern = 0;
  std::uint32_t tower = 0;
  std::uint32_t smithy = 0;
};

// A house of a given build, for the neighbours' cabins and barns too.
struct HouseStyle {
  std::uint16_t wall = 0;  // surface numbers
  std::uint16_t foundation = 0;
  std::uint16_t roof = 0;
  std::uint16_t gable = 0;
  std::uint16_t door = 0;
  std::uint16_t hinge = 0;
  std::uint16_t chimney = 0;  // 0: no chimney
  double width = 8.0;
  double depth = 6.0;
  double wall_height = 3.2;
  double roof_height = 2.4;
};

std::uint32_t build_house(ModelCatalogue& catalogue, const HouseStyle& style, Rng& rng);

BuildingModels build_town_buildings(ModelCatalogue& catalogue, Rng& rng);

// Parts shared with other models.
std::uint32_t build_door(ModelCatalogue& catalogue, std::uint16_t door, std::uint16_t hinge);
std::uint32_t build_chimney(ModelCatalogue& catalogue, double height);
// A lantern: an iron frame with glass sides round a candle flame.
std::uint32_t build_lantern(ModelCatalogue& catalogue);

}  // namespace quillfen::sample
