// Positioned reads of a DAT file and of the block chains stored in it.
#pragma once

#include "quillfen/common/config.hpp"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <utility>

#include "quillfen/dat/error.hpp"

namespace quillfen::dat {

// An open read-only file descriptor, closed on destruction.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle();

  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

class BlockReader {
 public:
  // Opens `path` read-only and notes its length.
  static std::expected<BlockReader, DatError> open(const std::filesystem::path& path);

  std::uint64_t file_length() const { return file_length_; }
  std::uint32_t block_size() const { return block_size_; }
  void set_block_size(std::uint32_t block_size) { block_size_ = block_size; }

  // Fills `out` with the bytes at `offset`; short reads continue, interrupted reads are
  // retried, and the end of the file fails with "failed to fill whole buffer".
  std::expected<void, DatError> read_exact_at(std::uint64_t offset, std::span<std::uint8_t> out) const;

  // Fills `out` from the block chain that starts at `offset`. Each block is a 4-byte
  // link to the next block (0 on the last) and block_size - 4 bytes of payload; the last
  // block supplies whatever is still missing, contiguously, whatever the block size.
  std::expected<void, DatError> read_chain(std::uint32_t offset, std::span<std::uint8_t> out) const;

  // Fills `out` as read_chain would, from `window`, the bytes of the file that start at
  // `window_offset`, without reading the file. Returns false, with `out` undefined, when
  // the chain does not lie whole inside the window or is anything but well-formed; the
  // caller then reads it with read_chain, which reports what is wrong with it.
  bool read_chain_from(std::span<const std::uint8_t> window, std::uint64_t window_offset, std::uint32_t offset,
                       std::span<std::uint8_t> out) const;

 private:
  BlockReader(FileHandle file, std::uint64_t length) : file_(std::move(file)), file_length_(length) {}

  struct Progress {
    std::uint32_t offset;  // the block to read next
    std::size_t filled;    // bytes of `out` already in place
  };
  // Reads as many blocks as possible with one system call, assuming they follow each
  // other in the file; returns how far the chain got, or nothing when it is complete.
  std::expected<std::optional<Progress>, DatError> read_contiguous_run(std::uint32_t offset,
                                                                      std::span<std::uint8_t> out) const;
  std::expected<void, DatError> read_block_by_block(Progress progress, std::span<std::uint8_t> out) const;

  FileHandle file_;
  std::uint64_t file_length_ = 0;
  std::uint32_t block_size_ = 0;
};

}  // namespace quillfen::dat
