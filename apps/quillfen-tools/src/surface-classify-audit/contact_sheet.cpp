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

ContactSheet::ContactSheet(const SheetLayout& layout)
    : layout_(layout), pixels_(layout.sheet_bytes(), kSheetBackground) {}

void ContactSheet::add_row() {
  ++layout_.rows;
  layout_.height += layout_.tile;
  pixels_.resize(layout_.sheet_bytes(), kSheetBackground);
}

std::expected<void, RunError> ContactSheet::place(std::size_t index, std::span<const std::uint8_t> tile_pixels) {
  const std::uint64_t cells = std::uint64_t{layout_.columns} * layout_.rows;
  if (index >= cells) {
    return std::unexpected(RunError{
        fmt::format("tile {} lies outside the contact sheet of {} x {} tiles", index, layout_.columns, layout_.rows),
        {}});
  }
  if (tile_pixels.size() != layout_.tile_bytes()) {
    return std::unexpected(RunError{
        fmt::format("tile {} holds {} bytes, expected {}", index, tile_pixels.size(), layout_.tile_bytes()), {}});
  }
  const std::size_t tile = layout_.tile;
  const std::size_t row_bytes = tile * 3;
  const std::size_t x = (index % layout_.columns) * tile;
  const std::size_t y = (index / layout_.columns) * tile;
  for (std::size_t row = 0; row < tile; ++row) {
    const std::size_t offset = ((y + row) * layout_.width + x) * 3;
    std::memcpy(pixels_.data() + offset, tile_pixels.data() + row * row_bytes, row_bytes);
  }
  return {};
}

std::expected<ContactSheet, RunError> render_contact_sheet(const std::vector<Decoded>& decoded,
                                                           std::uint32_t tile, std::uint32_t cols) {
  auto layout = plan_contact_sheet(decoded.size(), tile, cols);
  if (!layout) return std::unexpected(std::move(layout).error());
  ContactSheet sheet(*layout);
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    if (auto placed = sheet.place(i, sample_tile(decoded[i].image, tile)); !placed) {
      return std::unexpected(std::move(placed).error());
    }
  }
  return sheet;
}

std::expected<void, RunError> write_ppm(const ContactSheet& sheet, const std::filesystem::path& path) {
  auto file = ReplacingFile::create(path);
  if (!file) {
    return std::unexpected(RunError{fmt::format("create {}", path.native()), {file.error().message()}});
  }
  const auto write_error = [&path](const IoError& error) {
    return RunError{fmt::format("write {}", path.native()), {error.message()}};
  };
  const SheetLayout& layout = sheet.layout();
  const std::string size_line = fmt::format("{} {}\n", layout.width, layout.height);
  for (const std::string_view piece : {std::string_view("P6\n"), std::string_view(size_line),
                                       std::string_view("255\n")}) {
    if (auto written = file->write_all(piece); !written) return std::unexpected(write_error(written.error()));
  }
  if (auto written = file->write_all(sheet.pixels()); !written) return std::unexpected(write_error(written.error()));
  if (auto committed = file->commit(); !committed) return std::unexpected(write_error(committed.error()));
  return {};
}

std::expected<void, RunError> write_contact_sheet(const std::vector<Decoded>& decoded,
                                                  const std::filesystem::path& path, std::uint32_t tile,
                                                  std::uint32_t cols) {
  auto sheet = render_contact_sheet(decoded, tile, cols);
  if (!sheet) return std::unexpected(std::move(sheet).error());
  return write_ppm(*sheet, path);
}

}  // namespace quillfen::audit
