// DatSink: DatWriter errors carry the file and id they concern.
#include "sample-world/dat_sink.hpp"

#include <fmt/format.h>

namespace quillfen::sample {

std::expected<DatSink, std::string> DatSink::create(const std::filesystem::path& path, std::uint32_t block_size) {
  auto writer = dat::write::DatWriter::create(path, {.block_size = block_size});
  if (!writer) return std::unexpected(writer.error().message());
  return DatSink(path, std::move(*writer));
}

Status DatSink::add(std::uint32_t id, std::span<const std::uint8_t> bytes, bool compress) {
  auto added = writer_.add_file(id, bytes, {.compress = compress});
  if (!added) {
    return std::unexpected(fmt::format("write file 0x{:08X} to {}: {}", id, path_.string(), added.error().message()));
  }
  ++files_;
  content_bytes_ += bytes.size();
  if (compress) ++compressed_files_;
  return {};
}

std::string DatSink::packing_failed(std::uint32_t id, const dat::PackError& error) const {
  return fmt::format("pack file 0x{:08X} for {}: {}", id, path_.string(), error.message);
}

Status DatSink::finish() {
  auto finished = writer_.finish();
  if (!finished) return std::unexpected(fmt::format("finish {}: {}", path_.string(), finished.error().message()));
  return {};
}

}  // namespace quillfen::sample
