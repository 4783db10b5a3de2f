// Reading and writing of Palette records.
#include "quillfen/dat/file_type/palette.hpp"

#include <fmt/format.h>

#include "pack_count.hpp"

namespace quillfen::dat::file_type {

ReadResult<Palette> Palette::unpack(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  Palette palette;
  QF_FIELD(palette.id, reader.read_u32_le(), "id", "Palette");
  QF_FIELD(const std::int32_t count, reader.read_i32_le(), "colors", "Palette");
  if (count < 0) {
    auto error = ReadError::custom(
        fmt::format("colors count {} is negative, expected 0 or more", count), reader.position());
    error.add_context("colors", "Palette");
    return std::unexpected(std::move(error));
  }
  // The count is hostile: reserve only what the remaining bytes can hold.
  palette.colors.reserve(reader.capacity_for(static_cast<std::uint64_t>(count), 4));
  for (std::int32_t i = 0; i < count; ++i) {
    QF_FIELD(const std::uint32_t color, reader.read_u32_le(), "colors", "Palette");
    palette.colors.push_back(color);
  }
  return palette;
}

PackResult Palette::pack(ByteWriter& writer) const {
  writer.write_u32_le(id);
  QF_TRY_VOID(packing::write_count<std::int32_t>(writer, colors.size(), "Palette", "colors"));
  for (const std::uint32_t color : colors) writer.write_u32_le(color);
  return {};
}

}  // namespace quillfen::dat::file_type
