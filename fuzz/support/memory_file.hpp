// An anonymous in-memory file (memfd) that harnesses fill with the fuzzer's bytes and
// open by path, so the code under test reads a real file descriptor as it does on disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace quillfen::fuzz {

class MemoryFile {
 public:
  MemoryFile();
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // Replaces the file's contents with `bytes`.
  void assign(std::span<const std::uint8_t> bytes);
  // A path that opens this file anew (/proc/self/fd/N).
  const std::filesystem::path& path() const { return path_; }

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

// Splits the input at a point named by its first four bytes (little-endian, taken modulo
// the size of the rest), so one input carries two files.
struct SplitInput {
  std::span<const std::uint8_t> first;
  std::span<const std::uint8_t> second;
};
SplitInput split_input(std::span<const std::uint8_t> data);

}  // namespace quillfen::fuzz
