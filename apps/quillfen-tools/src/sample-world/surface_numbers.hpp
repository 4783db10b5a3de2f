// The surface numbers of the town and its neighbours by name (the surface id is
// 0x08000000 | number). Models and interior cells name their surfaces through these.
#pragma once

#include <cstdint>

namespace quillfen::sample::sn {

// The town.
inline constexpr std::uint16_t kWallStone = 0x0100;
inline constexpr std::uint16_t kWallCourses = 0x0101;
inline constexpr std::uint16_t kTowerStone = 0x0102;
inline constexpr std::uint16_t kChimneyCourses = 0x0103;
inline constexpr std::uint16_t kWellStone = 0x0104;
inline constexpr std::uint16_t kPaving = 0x0105;
inline constexpr std::uint16_t kGreyRubble = 0x0106;
inline constexpr std::uint16_t kCellarStone = 0x0107;
inline constexpr std::uint16_t kHearthStone = 0x0108;
inline constexpr std::uint16_t kFoundation = 0x0109;
inline constexpr std::uint16_t kPlanks = 0x0110;
inline constexpr std::uint16_t kOakDoor = 0x0111;
inline constexpr std::uint16_t kBeams = 0x0112;
inline constexpr std::uint16_t kFloorboards = 0x0113;
inline constexpr std::uint16_t kFenceRails = 0x0114;
inline constexpr std::uint16_t kBarrelStaves = 0x0115;
inline constexpr std::uint16_t kBark = 0x0116;
inline constexpr std::uint16_t kShingles = 0x0117;
inline constexpr std::uint16_t kTableTop = 0x0118;
inline constexpr std::uint16_t kShelfBoard = 0x0119;
inline constexpr std::uint16_t kCrateSlats = 0x011A;
inline constexpr std::uint16_t kLampIron = 0x0120;
inline constexpr std::uint16_t kAnvilSteel = 0x0121;
inline constexpr std::uint16_t kHingeIron = 0x0122;
inline constexpr std::uint16_t kSignBracket = 0x0123;
inline constexpr std::uint16_t kBarrelHoops = 0x0124;
inline constexpr std::uint16_t kChandelier = 0x0125;
inline constexpr std::uint16_t kBucketTin = 0x0126;
inline constexpr std::uint16_t kMarketSand = 0x0130;
inline constexpr std::uint16_t kStraw = 0x0131;
inline constexpr std::uint16_t kThatch = 0x0132;
inline constexpr std::uint16_t kSacking = 0x0133;
inline constexpr std::uint16_t kForgeCoals = 0x0138;
inline constexpr std::uint16_t kHearthFire = 0x0139;
inline constexpr std::uint16_t kBrazierEmbers = 0x013A;
inline constexpr std::uint16_t kKitchenFire = 0x013B;
inline constexpr std::uint16_t kWellWater = 0x0140;
inline constexpr std::uint16_t kFountainWater = 0x0141;
inline constexpr std::uint16_t kTroughWater = 0x0142;
inline constexpr std::uint16_t kPondWater = 0x0143;
inline constexpr std::uint16_t kOakLeaves = 0x0148;
inline constexpr std::uint16_t kHedge = 0x0149;
inline constexpr std::uint16_t kIvy = 0x014A;
inline constexpr std::uint16_t kElmLeaves = 0x014B;
inline constexpr std::uint16_t kGrass = 0x014C;
inline constexpr std::uint16_t kReeds = 0x014D;
inline constexpr std::uint16_t kRoadDirt = 0x0150;
inline constexpr std::uint16_t kGardenSoil = 0x0151;
inline constexpr std::uint16_t kFootpath = 0x0152;
inline constexpr std::uint16_t kCellarFloor = 0x0153;
inline constexpr std::uint16_t kMud = 0x0154;
inline constexpr std::uint16_t kRoofSnow = 0x0158;
inline constexpr std::uint16_t kSnowdrift = 0x0159;
inline constexpr std::uint16_t kPlaster = 0x015A;
inline constexpr std::uint16_t kTowerCapSnow = 0x015B;
inline constexpr std::uint16_t kLinen = 0x015C;
inline constexpr std::uint16_t kPurpleBanner = 0x0160;
inline constexpr std::uint16_t kAwning = 0x0161;
inline constexpr std::uint16_t kWallHanging = 0x0162;
inline constexpr std::uint16_t kCarpet = 0x0163;
inline constexpr std::uint16_t kWindowGlass = 0x0170;
inline constexpr std::uint16_t kWhitewash = 0x0171;
inline constexpr std::uint16_t kPewter = 0x0172;
inline constexpr std::uint16_t kCandleFlame = 0x0173;
inline constexpr std::uint16_t kRedDoorPaint = 0x0174;
inline constexpr std::uint16_t kSoot = 0x0175;
inline constexpr std::uint16_t kSlate = 0x0176;
inline constexpr std::uint16_t kWeatheredSign = 0x0180;
inline constexpr std::uint16_t kFadedBanner = 0x0181;
inline constexpr std::uint16_t kOldTapestry = 0x0182;
inline constexpr std::uint16_t kCrackedTile = 0x0183;

// The neighbours.
inline constexpr std::uint16_t kBarnPlanks = 0x0400;
inline constexpr std::uint16_t kBarnThatch = 0x0401;
inline constexpr std::uint16_t kFieldSoil = 0x0402;
inline constexpr std::uint16_t kWheat = 0x0403;
inline constexpr std::uint16_t kHay = 0x0404;
inline constexpr std::uint16_t kPineNeedles = 0x0408;
inline constexpr std::uint16_t kMossyRock = 0x0409;
inline constexpr std::uint16_t kStream = 0x040A;
inline constexpr std::uint16_t kCabinLogs = 0x040B;
inline constexpr std::uint16_t kQuarryFace = 0x0410;
inline constexpr std::uint16_t kGravel = 0x0411;
inline constexpr std::uint16_t kLavaPool = 0x0412;
inline constexpr std::uint16_t kRailIron = 0x0413;
inline constexpr std::uint16_t kSnowfield = 0x0418;
inline constexpr std::uint16_t kIce = 0x0419;
inline constexpr std::uint16_t kShrineStone = 0x041A;
inline constexpr std::uint16_t kShrineBell = 0x041B;

}  // namespace quillfen::sample::sn
