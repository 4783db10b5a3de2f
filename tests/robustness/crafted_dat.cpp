// Assembling crafted DATs: data first, then the two-level directory, then a sparse tail.
#include "robustness/crafted_dat.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "support/dat_image.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::testing {

CraftedDat::CraftedDat(std::uint32_t block_size) : data_(1024, 0) { header_.block_size = block_size; }

std::uint32_t CraftedDat::reserve(std::size_t size) {
  const auto offset = static_cast<std::uint32_t>(data_.size());
  data_.resize(data_.size() + size, 0);
  return offset;
}

void CraftedDat::put_u32(std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) data_.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t CraftedDat::add_chain(std::span<const std::uint8_t> bytes) {
  const std::uint32_t offset = reserve(4 + bytes.size());  // link 0: the last block holds it all
  std::copy(bytes.begin(), bytes.end(), data_.begin() + offset + 4);
  return offset;
}

void CraftedDat::add_entry(std::uint32_t id, std::uint32_t offset, std::uint32_t size, bool compressed) {
  entries_.push_back(entry(id, offset, size, compressed ? dat::DatFileEntry::kCompressed : 0));
}

std::uint32_t CraftedDat::add_file(std::uint32_t id, std::span<const std::uint8_t> bytes, bool compressed) {
  const std::uint32_t offset = add_chain(bytes);
  add_entry(id, offset, static_cast<std::uint32_t>(bytes.size()), compressed);
  return offset;
}

void CraftedDat::write(const std::filesystem::path& path, std::optional<std::uint64_t> length) const {
  constexpr std::size_t kPerNode = dat::kMaxNodeEntries;
  if (entries_.size() > kPerNode + dat::kBranchSlots * kPerNode) throw std::invalid_argument("too many entries");
  CraftedDat copy = *this;
  // The root holds the first entries and one leaf for each further group; a root with c
  // entries visits c + 1 children, so it holds one entry fewer than it has leaves.
  std::vector<std::vector<dat::DatFileEntry>> leaves;
  for (std::size_t i = 0; i < entries_.size(); i += kPerNode) {
    leaves.emplace_back(entries_.begin() + static_cast<std::ptrdiff_t>(i),
                        entries_.begin() + static_cast<std::ptrdiff_t>(std::min(entries_.size(), i + kPerNode)));
  }
  std::vector<dat::DatFileEntry> root_entries;
  std::vector<std::uint32_t> branches;
  if (leaves.size() > 1) {
    root_entries.push_back(leaves.back().back());
    leaves.back().pop_back();
    root_entries.resize(leaves.size() - 1, root_entries.front());  // repeats of one id are allowed
    for (const auto& leaf : leaves) branches.push_back(copy.add_chain(node_bytes({}, leaf)));
  } else if (!leaves.empty()) {
    root_entries = leaves.front();
  }
  copy.header_.root_offset = copy.add_chain(node_bytes(branches, root_entries));
  copy.header_.file_size = static_cast<std::uint32_t>(std::max<std::uint64_t>(copy.data_.size(), length.value_or(0)));
  dat::ByteWriter header;
  copy.header_.pack(header);
  std::copy(header.bytes().begin(), header.bytes().end(), copy.data_.begin() + dat::kHeaderOffset);
  write_file_bytes(path, copy.data_);
  if (length && *length > copy.data_.size()) std::filesystem::resize_file(path, *length);
}

std::vector<std::uint8_t> zeros_stream(std::uint32_t size) {
  dat::ByteWriter w;
  w.write_u32_le(size);
  std::uint64_t out = 0;
  // One literal zero, then back-references of (distance 1, length 17): lo 0x01, hi 0x0F.
  w.write_u8(0x7F);
  w.write_u8(0);
  out = 1;
  for (int token = 1; token < 8; ++token, out += 17) {
    w.write_u8(0x01);
    w.write_u8(0x0F);
  }
  while (out < size) {
    w.write_u8(0xFF);
    for (int token = 0; token < 8; ++token, out += 17) {
      w.write_u8(0x01);
      w.write_u8(0x0F);
    }
  }
  return w.take();
}

}  // namespace quillfen::testing
