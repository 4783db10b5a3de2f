// Reading and writing of Surface records.
#include "quillfen/dat/file_type/surface.hpp"

namespace quillfen::dat::file_type {

ReadResult<TextureRefs> TextureRefs::read(Reader& reader) {
  TextureRefs refs;
  QF_FIELD(refs.orig_texture_id, reader.read_u32_le(), "orig_texture_id", "TextureRefs");
  QF_FIELD(refs.orig_palette_id, reader.read_u32_le(), "orig_palette_id", "TextureRefs");
  return refs;
}

void TextureRefs::pack(ByteWriter& writer) const {
  writer.write_u32_le(orig_texture_id);
  writer.write_u32_le(orig_palette_id);
}

ReadResult<Surface> Surface::unpack(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  Surface surface;
  QF_FIELD(surface.surface_type, reader.read_u32_le(), "surface_type", "Surface");
  // Bit 0x01 plays no part in the layout: only 0x02 and 0x04 mean "textured".
  if (surface.is_textured()) {
    QF_FIELD(surface.texture_refs, TextureRefs::read(reader), "texture_refs", "Surface");
  } else {
    QF_FIELD(surface.color_value, reader.read_u32_le(), "color_value", "Surface");
  }
  QF_FIELD(surface.translucency, reader.read_f32_le(), "translucency", "Surface");
  QF_FIELD(surface.luminosity, reader.read_f32_le(), "luminosity", "Surface");
  QF_FIELD(surface.diffuse, reader.read_f32_le(), "diffuse", "Surface");
  return surface;
}

void Surface::pack(ByteWriter& writer) const {
  writer.write_u32_le(surface_type);
  if (is_textured()) {
    texture_refs.value_or(TextureRefs{}).pack(writer);
  } else {
    writer.write_u32_le(color_value.value_or(0));
  }
  writer.write_f32_le(translucency);
  writer.write_f32_le(luminosity);
  writer.write_f32_le(diffuse);
}

}  // namespace quillfen::dat::file_type
