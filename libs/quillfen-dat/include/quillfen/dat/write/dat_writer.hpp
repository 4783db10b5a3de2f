// DatWriter: writes a valid DAT file (header, block chains, a balanced B-tree directory).
// File data is streamed to disk as it comes; only the directory entries stay in memory
// until `finish`. Records become file bytes through `pack_record` (quillfen/dat/pack.hpp).
#pragma once

#include "quillfen/common/config.hpp"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <vector>

#include "quillfen/dat/block_reader.hpp"
#include "quillfen/dat/database.hpp"
#include "quillfen/dat/error.hpp"

namespace quillfen::dat::write {

struct DatWriterInternals;

struct DatWriterOptions {
  // Size of every block, its 4-byte link included; must exceed 4.
  std::uint32_t block_size = 1024;
  // Copied into the header; block_size, file_size, root_offset and the free list are the
  // writer's own.
  DatHeader header{};
};

struct FileOptions {
  bool compress = false;  // store LRS-compressed, flag bit 0 set
  std::uint32_t timestamp = 0;
  std::uint32_t version = 0;
};

class DatWriter {
 public:
  static std::expected<DatWriter, DatError> create(const std::filesystem::path& path, DatWriterOptions options = {});

  DatWriter(DatWriter&&) noexcept = default;
  DatWriter& operator=(DatWriter&&) noexcept = default;

  // Appends one file's blocks; ids must be distinct (checked by `finish`).
  std::expected<void, DatError> add_file(std::uint32_t id, std::span<const std::uint8_t> bytes,
                                         FileOptions file_options = {});
  // Writes the directory and the header. The writer is spent afterwards.
  std::expected<void, DatError> finish();

  std::size_t file_count() const { return entries_.size(); }

 private:
  friend struct DatWriterInternals;

  DatWriter(FileHandle file, DatWriterOptions options);

  // Appends `data` as one block chain; returns the offset of its first block.
  std::expected<std::uint32_t, DatError> write_chain(std::span<const std::uint8_t> data);
  std::expected<void, DatError> flush();
  std::expected<void, DatError> write_directory(std::vector<DatFileEntry>& sorted, std::uint32_t& root);

  FileHandle file_;
  DatWriterOptions options_;
  std::uint64_t end_ = 0;             // file offset where the next block goes
  std::uint64_t flushed_to_ = 0;      // bytes of the file already written
  std::vector<std::uint8_t> pending_; // blocks not yet written
  std::vector<DatFileEntry> entries_;
  bool descending_chains_ = false;  // see quillfen/dat/internal/dat_writer_layout.hpp
  bool finished_ = false;
};

}  // namespace quillfen::dat::write
