// Audits one surface of a portal DAT: decodes it to RGBA, prints its size, statistics and
// material category, and writes the image as a binary PPM (alpha dropped).
//   audit_surface PORTAL_DAT SURFACE_ID OUT.ppm      (SURFACE_ID e.g. 0x08000100)
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/surface_decode.hpp"

namespace dat = quillfen::dat;
namespace sc = quillfen::dat::surface_classify;

namespace {

// [write-ppm]
// P6: a text header, then red, green and blue bytes row by row from the top.
bool write_ppm(const char* path, const dat::RgbaImage& image) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  bool ok = std::fprintf(out, "P6\n%u %u\n255\n", image.width, image.height) > 0;
  for (std::size_t i = 0; ok && i + 4 <= image.pixels.size(); i += 4) {
    ok = std::fwrite(&image.pixels[i], 1, 3, out) == 3;
  }
  return std::fclose(out) == 0 && ok;
}
// [write-ppm]

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: audit_surface PORTAL_DAT SURFACE_ID OUT.ppm\n");
    return 2;
  }
  char* end = nullptr;
  errno = 0;
  const unsigned long parsed = std::strtoul(argv[2], &end, 0);
  if (errno != 0 || end == argv[2] || *end != '\0' || parsed > 0xFFFFFFFFul) {
    std::fprintf(stderr, "audit_surface: %s is not a 32-bit id\n", argv[2]);
    return 2;
  }
  const auto surface_id = static_cast<std::uint32_t>(parsed);

  auto portal = dat::DatDatabase::open(argv[1]);
  if (!portal) {
    std::fprintf(stderr, "audit_surface: %s\n", portal.error().message().c_str());
    return 1;
  }

  // [decode-surface]
  dat::PixelBudget budget;  // how many texture pixels this run may convert (2^30)
  const auto surface = dat::decode_surface(surface_id, *portal, budget);
  if (!surface) {
    std::fprintf(stderr, "audit_surface: %s\n", surface.error().reason.c_str());
    return 1;
  }
  const dat::SurfaceMeasure measure = dat::measure_surface(*surface);
  // [decode-surface]

  const sc::ImageStats& s = measure.stats;
  std::printf("surface 0x%08X: %u x %u%s, flags 0x%X\n", surface_id, surface->image.width, surface->image.height,
              surface->solid ? " (solid colour)" : "", surface->surface_type);
  std::printf("  mean rgb   %.6f %.6f %.6f\n", s.mean_rgb[0], s.mean_rgb[1], s.mean_rgb[2]);
  std::printf("  std dev    %.6f %.6f %.6f\n", s.std_dev[0], s.std_dev[1], s.std_dev[2]);
  std::printf("  luminance  %.6f (variance %.6f)\n", s.luminance, s.variance);
  std::printf("  hue        %.2f degrees, saturation %.6f\n", s.dominant_hue, s.saturation);
  std::printf("  category   %s\n", std::string(sc::display_name(measure.category)).c_str());

  if (!write_ppm(argv[3], surface->image)) {
    std::fprintf(stderr, "audit_surface: cannot write %s\n", argv[3]);
    return 1;
  }
  std::printf("wrote %s\n", argv[3]);
  return 0;
}
