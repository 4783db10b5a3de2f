// Writing the tool's output files: create or replace a file and write all of its bytes,
// retrying short and interrupted writes, and create missing parent directories.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <string_view>

#include "quillfen/common/read_error.hpp"

namespace quillfen::audit {

using common::IoError;

// A file opened for writing; closed when it goes out of scope. Kept apart from
// write_whole_file so that callers can tell a failed create from a failed write.
class OutputFile {
 public:
  // Creates the file or truncates an existing one; permission bits 0666 before the umask.
  static std::expected<OutputFile, IoError> create(const std::filesystem::path& path);

  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Writes every byte: a short write goes on with the rest, an interrupted one is
  // retried, a write that accepts nothing fails with "failed to write whole buffer".
  std::expected<void, IoError> write_all(std::span<const std::uint8_t> bytes);
  std::expected<void, IoError> write_all(std::string_view text);

  // Closes the file and reports a failure the system only notices at close time
  // (delayed write errors of network file systems); the destructor would drop it.
  std::expected<void, IoError> close();

 private:
  explicit OutputFile(int fd) : fd_(fd) {}
  std::expected<void, IoError> write_raw(const void* data, std::size_t size);

  int fd_ = -1;
};

// Creates or replaces the file at `path` with exactly `bytes`.
std::expected<void, IoError> write_whole_file(const std::filesystem::path& path,
                                              std::span<const std::uint8_t> bytes);
std::expected<void, IoError> write_whole_file(const std::filesystem::path& path,
                                              std::string_view bytes);

// Creates the missing parent directories of `path`. Every error is ignored on purpose:
// the write that follows fails with the error that actually matters to the user.
void create_parent_directories(const std::filesystem::path& path);

}  // namespace quillfen::audit
