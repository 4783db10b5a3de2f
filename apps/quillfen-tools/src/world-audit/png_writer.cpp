// The encoder writes into its own buffer, which is copied out and freed: the caller then
// writes the file atomically like every other output.
#include "world-audit/png_writer.hpp"

#include <fmt/format.h>
#include <spng.h>

#include <cstdlib>
#include <memory>

namespace quillfen::world {
namespace {

struct ContextDeleter {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};

std::string spng_failure(std::string_view step, int error) {
  return fmt::format("PNG encoder: {}: {}", step, spng_strerror(error));
}

}  // namespace

std::expected<std::vector<std::uint8_t>, std::string> encode_png(std::uint32_t width, std::uint32_t height,
                                                                 PngChannels channels,
                                                                 std::span<const std::uint8_t> pixels,
                                                                 PngEffort effort) {
  const auto channel_count = static_cast<std::uint64_t>(channels);
  if (std::uint64_t{width} * height * channel_count != pixels.size()) {
    return std::unexpected(fmt::format("PNG encoder: {} bytes of pixels for a {} x {} image", pixels.size(), width, height));
  }
  const std::unique_ptr<spng_ctx, ContextDeleter> context(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!context) return std::unexpected(std::string("PNG encoder: out of memory"));
  spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1);
  if (effort == PngEffort::Fast) {
    spng_set_option(context.get(), SPNG_IMG_COMPRESSION_LEVEL, 3);
    spng_set_option(context.get(), SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_PAETH);
  }

  spng_ihdr header{};
  header.width = width;
  header.height = height;
  header.bit_depth = 8;
  header.color_type = static_cast<std::uint8_t>(channels == PngChannels::Rgb ? SPNG_COLOR_TYPE_TRUECOLOR
                                                                            : SPNG_COLOR_TYPE_TRUECOLOR_ALPHA);
  if (const int error = spng_set_ihdr(context.get(), &header); error != 0) return std::unexpected(spng_failure("header", error));
  if (const int error = spng_encode_image(context.get(), pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
      error != 0) {
    return std::unexpected(spng_failure("image", error));
  }
  std::size_t size = 0;
  int error = 0;
  const std::unique_ptr<void, decltype(&std::free)> buffer(spng_get_png_buffer(context.get(), &size, &error), &std::free);
  if (!buffer) return std::unexpected(spng_failure("buffer", error));
  const auto* bytes = static_cast<const std::uint8_t*>(buffer.get());
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

}  // namespace quillfen::world
