// Contact sheet layout, tile sampling, placement and the PPM file.
#include "surface-classify-audit/contact_sheet.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "surface-classify-audit/file_output.hpp"

namespace quillfen::audit {
namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kMaxPixels = kMax32 / 3;  // most pixels whose RGB bytes fit in 32 bits

RunError too_large(std::uint64_t width, std::uint64_t height, std::string_view what) {
  return RunError{fmt::format("{} of {} x {} pixels is too large", what, width, height), {}};
}

}  // namespace

std::expected<SheetLayout, RunError> plan_contact_sheet(std::size_t tile_count, std::uint32_t tile,
                                                        std::uint32_t cols) {
  const std::uint64_t columns = cols == 0 ? 1 : cols;
  const std::uint64_t rows = tile_count / columns + (tile_count % columns != 0 ? 1 : 0);
  if (rows > kMax32) {
    return std::unexpected(RunError{fmt::format("contact sheet of {} tiles is too large", tile_count), {}});
  }
  // Each factor is below 2^32, so these products cannot wrap in 64 bits.
  const std::uint64_t width = columns * tile;
  const std::uint64_t height = rows * tile;
  if (std::uint64_t{tile} * tile > kMaxPixels) return std::unexpected(too_large(tile, tile, "contact sheet tile"));
  if (width > kMax32 || height > kMax32 || width * height > kMaxPixels) {
    return std::unexpected(too_large(width, height, "contact sheet"));
  }
  return SheetLayout{
      .tile = tile,
      .columns = static_cast<std::uint32_t>(columns),
      .rows = static_cast<std::uint32_t>(rows),
      .width = static_cast<std::uint32_t>(width),
      .height = static_cast<std::uint32_t>(height),
  };
}

std::vector<std::uint8_t> sample_tile(const RgbaImage& image, std::uint32_t tile) {
  const std::uint64_t tile_pixels = std::uint64_t{tile} * tile;
  if (tile_pixels > kMaxPixels) return {};
  std::vector<std::uint8_t> out(static_cast<std::size_t>(tile_pixels) * 3, 0);  // black by default
  if (image.width == 0 || image.height == 0) return out;

  // Nearest neighbour with 64-bit products: tile x width can exceed 32 bits for large
  // images, and a wrapped product would pick the wrong source pixel.
  std::vector<std::uint64_t> source_column(tile);
  for (std::uint32_t tx = 0; tx < tile; ++tx) {
    source_column[tx] = std::min<std::uint64_t>(std::uint64_t{tx} * image.width / tile, image.width - 1);
  }
  // A pixel is drawn only if all four of its bytes are there; the rest stay black.
  const std::uint64_t available = image.pixels.size() / 4;
  const std::uint8_t* pixels = image.pixels.data();
  std::uint8_t* dst = out.data();
  for (std::uint32_t ty = 0; ty < tile; ++ty) {
    const std::uint64_t sy = std::min<std::uint64_t>(std::uint64_t{ty} * image.height / tile, image.height - 1);
    const std::uint64_t row_start = sy * image.width;  // below 2^64: both factors are below 2^32
    for (std::uint32_t tx = 0; tx < tile; ++tx, dst += 3) {
      const std::uint64_t index = row_start + source_column[tx];
      if (index >= available) continue;
      std::memcpy(dst, pixels + static_cast<std::size_t>(index) * 4, 3);  // R, G, B; alpha ignored
    }
  }
  return out;
}

TilePicture keep_for_tile(const RgbaImage& image, std::uint32_t tile) {
  if (tile == 0) return {};
  if (image.width == 0 || image.height == 0) return {image.width, image.height, {}};
  if (std::uint64_t{image.width} * image.height > std::uint64_t{tile} * tile) {
    return {tile, tile, sample_tile(image, tile)};
  }
  // No more pixels than the tile: keep them as they are, less alpha and any partial pixel.
  const std::size_t pixels =
      std::min<std::size_t>(image.pixels.size() / 4, std::size_t{image.width} * image.height);
  TilePicture kept{image.width, image.height, std::vector<std::uint8_t>(pixels * 3)};
  for (std::size_t i = 0; i < pixels; ++i) std::memcpy(&kept.rgb[i * 3], &image.pixels[i * 4], 3);
  return kept;
}

namespace {

// Row `ty` of the tile sampled from `picture`: tile x 3 bytes at `out`, with the rules of
// sample_tile (source column tx * width / tile, row ty * height / tile, both in 64 bits).
void draw_tile_row(const TilePicture& picture, std::uint32_t tile, std::uint32_t ty, std::uint8_t* out) {
  const std::size_t row_bytes = std::size_t{tile} * 3;
  if (picture.width == 0 || picture.height == 0) {
    std::memset(out, 0, row_bytes);
    return;
  }
  if (picture.width == tile && picture.height == tile && picture.rgb.size() == row_bytes * tile) {
    std::memcpy(out, picture.rgb.data() + std::size_t{ty} * row_bytes, row_bytes);  // a kept tile
    return;
  }
  const std::uint64_t width = picture.width;
  const std::uint64_t sy = std::min<std::uint64_t>(std::uint64_t{ty} * picture.height / tile, picture.height - 1);
  const std::uint64_t row_start = sy * width;
  const std::uint64_t available = picture.rgb.size() / 3;
  // sx = tx * width / tile without a division per pixel: width = step * tile + rest.
  const std::uint64_t step = width / tile;
  const std::uint64_t rest = width % tile;
  std::uint64_t sx = 0;
  std::uint64_t fraction = 0;
  for (std::uint32_t tx = 0; tx < tile; ++tx, out += 3) {
    const std::uint64_t index = row_start + std::min(sx, width - 1);
    if (index < available) {
      std::memcpy(out, picture.rgb.data() + static_cast<std::size_t>(index) * 3, 3);
    } else {
      std::memset(out, 0, 3);
    }
    sx += step;
    fraction += rest;
    if (fraction >= tile) {
      fraction -= tile;
      ++sx;
    }
  }
}

constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

}  // namespace

std::expected<void, RunError> stream_sheet_pixels(const SheetLayout& layout, std::span<const TilePicture> pictures,
                                                  const SheetSink& sink) {
  const std::uint64_t cells = std::uint64_t{layout.columns} * layout.rows;
  if (pictures.size() > cells) {
    return std::unexpected(RunError{fmt::format("tile {} lies outside the contact sheet of {} x {} tiles",
                                                pictures.size() - 1, layout.columns, layout.rows),
                                    {}});
  }
  if (layout.tile == 0) return {};
  // A tile row is at most 37837 x 3 bytes (plan_contact_sheet), so a piece always holds one.
  const std::size_t cell_bytes = std::size_t{layout.tile} * 3;
  std::vector<std::uint8_t> piece;
  piece.reserve(std::max(kPieceBytes, cell_bytes));
  for (std::uint32_t y = 0; y < layout.height; ++y) {
    const std::uint32_t band = y / layout.tile;
    const std::uint32_t ty = y % layout.tile;
    for (std::uint32_t column = 0; column < layout.columns; ++column) {
      if (piece.size() + cell_bytes > piece.capacity()) {
        if (auto sent = sink(piece); !sent) return sent;
        piece.clear();
      }
      const std::size_t at = piece.size();
      piece.resize(at + cell_bytes);
      const std::uint64_t index = std::uint64_t{band} * layout.columns + column;
      if (index < pictures.size()) {
        draw_tile_row(pictures[static_cast<std::size_t>(index)], layout.tile, ty, piece.data() + at);
      } else {
        std::memset(piece.data() + at, kSheetBackground, cell_bytes);
      }
    }
  }
  if (piece.empty()) return {};
  return sink(piece);
}

std::expected<void, RunError> write_ppm(const SheetLayout& layout, std::span<const TilePicture> pictures,
                                        const std::filesystem::path& path) {
  auto file = ReplacingFile::create(path);
  if (!file) {
    return std::unexpected(RunError{fmt::format("create {}", path.native()), {file.error().message()}});
  }
  const auto write = [&file, &path](std::span<const std::uint8_t> bytes) -> std::expected<void, RunError> {
    if (auto written = file->write_all(bytes); !written) {
      return std::unexpected(RunError{fmt::format("write {}", path.native()), {written.error().message()}});
    }
    return {};
  };
  const std::string header = fmt::format("P6\n{} {}\n255\n", layout.width, layout.height);
  if (auto written = write(std::span(reinterpret_cast<const std::uint8_t*>(header.data()), header.size()));
      !written) {
    return written;
  }
  if (auto streamed = stream_sheet_pixels(layout, pictures, write); !streamed) return streamed;
  if (auto committed = file->commit(); !committed) {
    return std::unexpected(RunError{fmt::format("write {}", path.native()), {committed.error().message()}});
  }
  return {};
}

std::expected<void, RunError> write_contact_sheet(const std::vector<Decoded>& decoded,
                                                  const std::filesystem::path& path, std::uint32_t tile,
                                                  std::uint32_t cols) {
  auto layout = plan_contact_sheet(decoded.size(), tile, cols);
  if (!layout) return std::unexpected(std::move(layout).error());
  std::vector<TilePicture> pictures;
  pictures.reserve(decoded.size());
  for (const Decoded& d : decoded) pictures.push_back(keep_for_tile(d.image, tile));
  return write_ppm(*layout, pictures, path);
}

}  // namespace quillfen::audit
