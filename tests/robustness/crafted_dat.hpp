// DAT files crafted to cost a reader as much as possible for their size: entries that
// share one chain, entries far larger than their data, chains of 4-byte blocks that loop,
// files stretched sparse to gigabytes. Written by the tests themselves; nothing large is
// kept in the tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "quillfen/dat/database.hpp"

namespace quillfen::testing {

// A DAT assembled entry by entry. Every chain and every directory node is stored as one
// last block (link 0, then all its bytes), which reads the same whatever the block size;
// the directory is a root with up to 62 leaf children, 61 entries each.
class CraftedDat {
 public:
  explicit CraftedDat(std::uint32_t block_size);

  // Stores `bytes` as one chain at the end of the data; returns its first block.
  std::uint32_t add_chain(std::span<const std::uint8_t> bytes);
  // A directory entry for any chain, shared or not, real or not.
  void add_entry(std::uint32_t id, std::uint32_t offset, std::uint32_t size, bool compressed = false);
  // add_chain and add_entry in one (stored as given; pass LRS bytes with compressed).
  std::uint32_t add_file(std::uint32_t id, std::span<const std::uint8_t> bytes, bool compressed = false);
  // Space for hand-made blocks at the end of the data; returns its offset.
  std::uint32_t reserve(std::size_t size);
  void put_u32(std::size_t offset, std::uint32_t value);
  std::uint32_t end() const { return static_cast<std::uint32_t>(data_.size()); }

  // Writes the data and the directory behind it, then stretches the file to `length`
  // bytes when that is longer (a sparse tail that reads as zeros).
  void write(const std::filesystem::path& path, std::optional<std::uint64_t> length = std::nullopt) const;

 private:
  dat::DatHeader header_;
  std::vector<std::uint8_t> data_;
  std::vector<dat::DatFileEntry> entries_;
};

// An LRS stream that expands to `size` zero bytes from about size / 8 bytes: one literal,
// then back-references of 17 bytes at distance 1.
std::vector<std::uint8_t> zeros_stream(std::uint32_t size);

}  // namespace quillfen::testing
