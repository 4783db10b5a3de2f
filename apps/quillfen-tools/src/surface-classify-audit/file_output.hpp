// Writing the tool's output files: an output replaces the file at its path only once it
// is complete, every byte is written (short and interrupted writes are retried), and
// missing parent directories are created.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "quillfen/common/read_error.hpp"
#include "surface-classify-audit/pending_outputs.hpp"

namespace quillfen::audit {

using common::IoError;

// A file opened for writing in place; closed when it goes out of scope.
class OutputFile {
 public:
  // Creates the file or truncates an existing one; permission bits 0666 before the umask.
  // Never waits: a FIFO without a reader fails (ENXIO) instead of blocking the open.
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
  friend class ReplacingFile;
  explicit OutputFile(int fd) : fd_(fd) {}
  std::expected<void, IoError> write_raw(const void* data, std::size_t size);

  int fd_ = -1;
};

// An output that takes the place of the file at its path only once it is complete, so a
// failed or interrupted run leaves the previous file as it was, never a partial one.
//
// A regular file, or a path where nothing exists yet, is written to a new temporary file
// in the same directory, which commit() renames over the path: a new file gets the
// permission bits 0666 less the umask, a replaced one keeps its own. The temporary file is
// removed when the output is dropped uncommitted, and when SIGINT, SIGTERM or SIGHUP ends
// the process while it exists (unless the program handles those signals itself; then it
// calls remove_pending_outputs). Where that temporary file cannot be made beside an
// existing file that can be written (a directory that takes no new files), the file is
// written in place as before. Anything that is not a regular file (a FIFO, a terminal,
// /dev/stdout, /dev/null) is written in place; a FIFO without a reader fails at once.
//
// Creating the first output also makes writes past the file size limit fail with EFBIG
// instead of raising SIGXFSZ, which would end the process with a partial file.
class ReplacingFile {
 public:
  static std::expected<ReplacingFile, IoError> create(const std::filesystem::path& path);

  ReplacingFile(ReplacingFile&& other) noexcept;
  ReplacingFile& operator=(ReplacingFile&& other) noexcept;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();

  std::expected<void, IoError> write_all(std::span<const std::uint8_t> bytes);
  std::expected<void, IoError> write_all(std::string_view text);

  // Closes the file and puts it in place. Once this fails or the object is dropped
  // without it, the temporary file is gone and the path holds what it held before.
  std::expected<void, IoError> commit();

 private:
  ReplacingFile(OutputFile file, std::filesystem::path target, std::string temporary, long slot)
      : file_(std::move(file)), target_(std::move(target)), temporary_(std::move(temporary)), slot_(slot) {}
  void discard() noexcept;

  OutputFile file_;
  std::filesystem::path target_;  // where the file goes on commit
  std::string temporary_;         // the file being written; empty when writing in place
  long slot_ = -1;                // its ticket among the outputs removed on a signal
};

// Creates or replaces the file at `path` with exactly `bytes`, as a ReplacingFile.
std::expected<void, IoError> write_whole_file(const std::filesystem::path& path,
                                              std::span<const std::uint8_t> bytes);
std::expected<void, IoError> write_whole_file(const std::filesystem::path& path,
                                              std::string_view bytes);

// Creates the missing parent directories of `path`. Every error is ignored on purpose:
// the write that follows fails with the error that actually matters to the user.
void create_parent_directories(const std::filesystem::path& path);

}  // namespace quillfen::audit
