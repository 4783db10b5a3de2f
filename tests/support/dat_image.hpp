// Builds DAT file images byte by byte, block by block, for tests that need layouts no
// writer would produce: chains that end early, loops, odd block sizes, damaged nodes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "quillfen/dat/database.hpp"

namespace quillfen::testing {

class DatImage {
 public:
  explicit DatImage(std::uint32_t block_size);

  dat::DatHeader header;

  void put_u32(std::size_t offset, std::uint32_t value);
  void put_bytes(std::size_t offset, std::span<const std::uint8_t> bytes);

  // Stores `data` in the blocks at `blocks`, in order: each gets the link to the next
  // (0 after the last) and up to block_size - 4 bytes; the last block takes all that is
  // left, contiguously, however long.
  void put_chain(std::span<const std::uint32_t> blocks, std::span<const std::uint8_t> data);

  // The bytes of the whole file, header included.
  std::vector<std::uint8_t> bytes() const;
  void write(const std::filesystem::path& path) const;

  // Makes sure the file is at least `size` bytes long.
  void reserve_file(std::size_t size);

 private:
  std::vector<std::uint8_t> data_;
};

// The 1716 bytes of a directory node: branch slots (missing ones 0), the entry count
// (the number of entries unless overridden) and the entries.
std::vector<std::uint8_t> node_bytes(std::span<const std::uint32_t> branches,
                                     std::span<const dat::DatFileEntry> entries,
                                     std::optional<std::uint32_t> count_override = std::nullopt);

dat::DatFileEntry entry(std::uint32_t id, std::uint32_t offset, std::uint32_t size, std::uint32_t flags = 0);

}  // namespace quillfen::testing
