// Procedural RGBA textures for the sample world's materials: stone, stone courses, wood,
// lava, water, foliage, sand, snow, metal, dirt, and a purple banner that belongs to no
// material. Each image is drawn from a seed alone, tiles seamlessly, and is tuned so the
// surface classifier puts it in its category with room to spare at every size.
#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "quillfen/dat/image.hpp"
#include "quillfen/dat/surface_classify.hpp"

namespace quillfen::sample {

using dat::RgbaImage;

enum class Material : std::uint8_t {
  Stone,         // irregular flagstones with mortar between them
  StoneCourses,  // dressed blocks laid in offset courses, like brickwork
  Wood,          // planks with grain rings and streaks
  Lava,          // dark crust broken by glowing cracks
  Water,         // blue with ripples
  Foliage,       // overlapping leaves
  Sand,          // beige with grain and faint dune ripples
  Snow,          // near-white, very little variation
  Metal,         // brushed grey panels with rivets
  Dirt,          // mottled brown with pebbles
  Banner,        // saturated purple cloth: no material, classified Generic
};

inline constexpr std::array<Material, 11> kAllMaterials = {
    Material::Stone, Material::StoneCourses, Material::Wood,  Material::Lava,  Material::Water, Material::Foliage,
    Material::Sand,  Material::Snow,         Material::Metal, Material::Dirt,  Material::Banner};

// Textures are square with a power-of-two side in this range.
inline constexpr std::uint32_t kMinMaterialSize = 8;
inline constexpr std::uint32_t kMaxMaterialSize = 512;

// "stone", "stone-courses", ... for logs and file names.
std::string_view material_name(Material material);

// The `surface_type` bits the classifier looks at that a surface painted with this
// material must carry: 0x10 for water, 0x40 for lava, 0x04 for foliage, none otherwise.
// A textured surface also needs bit 0x02 (or 0x04) to refer to its texture at all.
std::uint32_t material_surface_flags(Material material);

// The category the classifier gives a surface of this material (with the flags above).
// Stone courses are stone; the banner is Generic.
dat::surface_classify::SurfaceCategory expected_category(Material material);

// A size x size texture of the material, the same for the same seed on every platform.
// Fails with a message when the size is not a power of two within the range above.
std::expected<RgbaImage, std::string> make_material(Material material, std::uint32_t size, std::uint64_t seed);

}  // namespace quillfen::sample
