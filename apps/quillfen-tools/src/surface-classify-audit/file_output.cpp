// Whole-file writes through open(2)/write(2), with the retry rules of the tool's outputs.
#include "surface-classify-audit/file_output.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace quillfen::audit {

std::expected<OutputFile, IoError> OutputFile::create(const std::filesystem::path& path) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::unexpected(IoError::from_errno(errno));
  return OutputFile(fd);
}

OutputFile::OutputFile(OutputFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::expected<void, IoError> OutputFile::write_all(std::span<const std::uint8_t> bytes) {
  return write_raw(bytes.data(), bytes.size());
}

std::expected<void, IoError> OutputFile::write_all(std::string_view text) {
  return write_raw(text.data(), text.size());
}

std::expected<void, IoError> OutputFile::write_raw(const void* data, std::size_t size) {
  if (fd_ < 0) return std::unexpected(IoError::from_errno(EBADF));
  const auto* next = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ::ssize_t written = ::write(fd_, next, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(IoError::from_errno(errno));
    }
    if (written == 0) return std::unexpected(IoError::write_zero());
    const auto count = static_cast<std::size_t>(written);
    next += count;
    size -= count;
  }
  return {};
}

std::expected<void, IoError> OutputFile::close() {
  const int fd = std::exchange(fd_, -1);
  if (fd < 0) return {};
  // On Linux the descriptor is released even when close reports EINTR, so retrying
  // could close a descriptor another part of the process has just been given.
  if (::close(fd) != 0 && errno != EINTR) return std::unexpected(IoError::from_errno(errno));
  return {};
}

namespace {

template <class Bytes>
std::expected<void, IoError> create_and_write(const std::filesystem::path& path, Bytes bytes) {
  auto file = OutputFile::create(path);
  if (!file) return std::unexpected(std::move(file).error());
  if (auto written = file->write_all(bytes); !written) return written;
  return file->close();
}

}  // namespace

std::expected<void, IoError> write_whole_file(const std::filesystem::path& path,
                                              std::span<const std::uint8_t> bytes) {
  return create_and_write(path, bytes);
}

std::expected<void, IoError> write_whole_file(const std::filesystem::path& path,
                                              std::string_view bytes) {
  return create_and_write(path, bytes);
}

void create_parent_directories(const std::filesystem::path& path) {
  const std::filesystem::path parent = path.parent_path();
  if (parent.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(parent, ignored);
}

}  // namespace quillfen::audit
