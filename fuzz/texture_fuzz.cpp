// Texture::unpack of arbitrary bytes, then to_rgba8 (DXT decoders included) with a
// palette taken from the input's tail, then the image statistics and the classifier.
// A conversion that succeeds returns exactly width x height x 4 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/surface_classify.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace ft = quillfen::dat::file_type;
  namespace sc = quillfen::dat::surface_classify;
  // Byte 0: whether the palette lookup fails; bytes 1-2: the palette's byte count, taken
  // from the end of the input; the rest before it is the Texture record.
  if (size < 3) return 0;
  const bool lookup_fails = (data[0] & 1) != 0;
  const std::span<const std::uint8_t> rest(data + 3, size - 3);
  const std::size_t palette_bytes = (data[1] | (std::size_t{data[2]} << 8)) % (rest.size() + 1);
  const auto record = rest.first(rest.size() - palette_bytes);
  const auto palette_data = rest.subspan(rest.size() - palette_bytes);

  const auto texture = ft::Texture::unpack(record);
  if (!texture) return 0;

  int lookups = 0;
  const ft::PaletteLookup lookup = [&](std::uint32_t id) -> std::expected<ft::Palette, std::string> {
    ++lookups;
    if (lookup_fails) return std::unexpected(std::string("no palette"));
    ft::Palette palette{.id = id, .colors = {}};
    for (std::size_t i = 0; i + 4 <= palette_data.size(); i += 4) {
      palette.colors.push_back(static_cast<std::uint32_t>(palette_data[i]) |
                               (static_cast<std::uint32_t>(palette_data[i + 1]) << 8) |
                               (static_cast<std::uint32_t>(palette_data[i + 2]) << 16) |
                               (static_cast<std::uint32_t>(palette_data[i + 3]) << 24));
    }
    return palette;
  };
  const auto rgba = ft::to_rgba8(*texture, lookup);
  if (lookups > 1) std::abort();  // the palette is fetched once per conversion at most
  if (!rgba) {
    if (ft::describe(rgba.error()).empty()) std::abort();
    return 0;
  }
  const auto width = static_cast<std::uint32_t>(texture->width);
  const auto height = static_cast<std::uint32_t>(texture->height);
  if (texture->width < 0 || texture->height < 0 || rgba->size() != std::uint64_t{width} * height * 4) {
    std::abort();
  }
  const sc::ImageStats stats = sc::compute_stats(*rgba, width, height);
  static_cast<void>(sc::classify(stats, texture->id));
  return 0;
}
