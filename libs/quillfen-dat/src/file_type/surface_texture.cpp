// Reading and writing of SurfaceTexture records.
#include "quillfen/dat/file_type/surface_texture.hpp"

#include <fmt/format.h>

#include "pack_count.hpp"

namespace quillfen::dat::file_type {

ReadResult<SurfaceTexture> SurfaceTexture::unpack(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  SurfaceTexture record;
  QF_FIELD(record.id, reader.read_u32_le(), "id", "SurfaceTexture");
  QF_FIELD(record.unknown_int, reader.read_u32_le(), "unknown_int", "SurfaceTexture");
  QF_FIELD(record.unknown_byte, reader.read_u8(), "unknown_byte", "SurfaceTexture");
  QF_FIELD(const std::int32_t count, reader.read_i32_le(), "textures", "SurfaceTexture");
  if (count < 0) {
    auto error = ReadError::custom(
        fmt::format("textures count {} is negative, expected 0 or more", count), reader.position());
    error.add_context("textures", "SurfaceTexture");
    return std::unexpected(std::move(error));
  }
  // The count is hostile: reserve only what the remaining bytes can hold.
  record.textures.reserve(reader.capacity_for(static_cast<std::uint64_t>(count), 4));
  for (std::int32_t i = 0; i < count; ++i) {
    QF_FIELD(const std::uint32_t texture_id, reader.read_u32_le(), "textures", "SurfaceTexture");
    record.textures.push_back(texture_id);
  }
  return record;
}

PackResult SurfaceTexture::pack(ByteWriter& writer) const {
  writer.write_u32_le(id);
  writer.write_u32_le(unknown_int);
  writer.write_u8(unknown_byte);
  QF_TRY_VOID(packing::write_count<std::int32_t>(writer, textures.size(), "SurfaceTexture", "textures"));
  for (const std::uint32_t texture_id : textures) writer.write_u32_le(texture_id);
  return {};
}

}  // namespace quillfen::dat::file_type
