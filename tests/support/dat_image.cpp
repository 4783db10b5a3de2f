// DAT images assembled by hand for tests.
#include "support/dat_image.hpp"

#include <algorithm>
#include <optional>

#include "support/temp_dir.hpp"

namespace quillfen::testing {

DatImage::DatImage(std::uint32_t block_size) : data_(dat::kHeaderOffset + dat::kHeaderSize, 0) {
  header.block_size = block_size;
}

void DatImage::reserve_file(std::size_t size) {
  if (data_.size() < size) data_.resize(size, 0);
}

void DatImage::put_u32(std::size_t offset, std::uint32_t value) {
  const std::uint8_t raw[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  put_bytes(offset, raw);
}

void DatImage::put_bytes(std::size_t offset, std::span<const std::uint8_t> bytes) {
  reserve_file(offset + bytes.size());
  std::copy(bytes.begin(), bytes.end(), data_.begin() + static_cast<std::ptrdiff_t>(offset));
}

void DatImage::put_chain(std::span<const std::uint32_t> blocks, std::span<const std::uint8_t> data) {
  const std::size_t payload = header.block_size - 4;
  std::size_t from = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const bool last = i + 1 == blocks.size();
    put_u32(blocks[i], last ? 0 : blocks[i + 1]);
    const std::size_t n = last ? data.size() - from : std::min(payload, data.size() - from);
    put_bytes(blocks[i] + 4, data.subspan(from, n));
    from += n;
  }
}

std::vector<std::uint8_t> DatImage::bytes() const {
  std::vector<std::uint8_t> out = data_;
  dat::ByteWriter w;
  header.pack(w);
  std::copy(w.bytes().begin(), w.bytes().end(), out.begin() + dat::kHeaderOffset);
  return out;
}

void DatImage::write(const std::filesystem::path& path) const { write_file_bytes(path, bytes()); }

std::vector<std::uint8_t> node_bytes(std::span<const std::uint32_t> branches,
                                     std::span<const dat::DatFileEntry> entries,
                                     std::optional<std::uint32_t> count_override) {
  dat::ByteWriter w;
  for (std::size_t s = 0; s < dat::kBranchSlots; ++s) w.write_u32_le(s < branches.size() ? branches[s] : 0);
  w.write_u32_le(count_override.value_or(static_cast<std::uint32_t>(entries.size())));
  for (const auto& e : entries) e.pack(w);
  w.write_zeros(dat::kNodeSize - std::min(w.size(), dat::kNodeSize));
  auto out = w.take();
  out.resize(dat::kNodeSize);
  return out;
}

dat::DatFileEntry entry(std::uint32_t id, std::uint32_t offset, std::uint32_t size, std::uint32_t flags) {
  dat::DatFileEntry e;
  e.bit_flags = flags;
  e.id = id;
  e.offset = offset;
  e.size = size;
  return e;
}

}  // namespace quillfen::testing
