// Output files through open(2)/write(2)/rename(2), with the retry rules of the tool's
// outputs: written in place, or to a temporary file that replaces the path when complete.
#include "surface-classify-audit/file_output.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <system_error>
#include <utility>

#include <fmt/format.h>

namespace quillfen::audit {
namespace {

// Opens without waiting (a FIFO without a reader fails with ENXIO), then makes the writes
// blocking again so that a slow reader is waited for rather than failed.
int open_no_wait(const char* path, int flags, mode_t mode) {
  int fd = -1;
  do {
    fd = ::open(path, flags | O_CLOEXEC | O_NONBLOCK, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

}  // namespace

std::expected<OutputFile, IoError> OutputFile::create(const std::filesystem::path& path) {
  const int fd = open_no_wait(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
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

// Where an output goes and how it is written.
struct Destination {
  std::filesystem::path target;  // the file to create or replace
  bool replace = false;          // through a temporary file beside it
  std::optional<mode_t> keep_mode;  // the permission bits of the file being replaced
};

// A regular file (followed through symbolic links) or nothing at all is replaced; any
// other thing, or a path that cannot be examined, is opened as it is, so that the open
// reports the problem as it always has.
Destination destination_of(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return {path, false, std::nullopt};
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    if (error) return {path, false, std::nullopt};
    return {resolved, true, st.st_mode & 0777};
  }
  // Nothing there yet; a dangling symbolic link is followed by the open, as before.
  struct stat link {};
  if (errno == ENOENT && ::lstat(path.c_str(), &link) != 0) return {path, true, std::nullopt};
  return {path, false, std::nullopt};
}

// A name beside `target` that no other file has: hidden, marked with the process id and
// a counter, short enough for any file system whatever the target's own name.
std::filesystem::path temporary_name(const std::filesystem::path& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  constexpr std::size_t kKeptNameBytes = 160;
  const std::string name = target.filename().string().substr(0, kKeptNameBytes);
  return target.parent_path() /
         fmt::format(".{}.{}-{}-{}.tmp", name, ::getpid(), counter.fetch_add(1, std::memory_order_relaxed), attempt);
}

}  // namespace

std::expected<ReplacingFile, IoError> ReplacingFile::create(const std::filesystem::path& path) {
  const Destination destination = destination_of(path);
  if (destination.replace) {
    if (destination.keep_mode) {
      // Replacing is no licence to overwrite a file that could not be written in place.
      const int probe = open_no_wait(destination.target.c_str(), O_WRONLY, 0);
      if (probe < 0) return std::unexpected(IoError::from_errno(errno));
      ::close(probe);
    }
    int error = 0;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      const std::string temporary = temporary_name(destination.target, attempt).string();
      // Recorded before it exists, so that no moment is left in which a signal would leave
      // it behind.
      const long slot = add_pending_output(temporary);
      if (slot < 0) return std::unexpected(IoError::from_errno(errno));
      const int fd = open_no_wait(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
      if (fd >= 0) {
        if (destination.keep_mode) ::fchmod(fd, *destination.keep_mode);
        return ReplacingFile(OutputFile(fd), destination.target, temporary, slot);
      }
      error = errno;
      forget_pending_output(slot);
      if (error != EEXIST) break;
    }
    if (!destination.keep_mode) return std::unexpected(IoError::from_errno(error));
    // A directory that takes no new files: the existing file is written in place.
  }
  auto file = OutputFile::create(destination.target);
  if (!file) return std::unexpected(std::move(file).error());
  return ReplacingFile(std::move(*file), destination.target, {}, -1);
}

ReplacingFile::ReplacingFile(ReplacingFile&& other) noexcept
    : file_(std::move(other.file_)),
      target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})),
      slot_(std::exchange(other.slot_, -1)) {}

ReplacingFile& ReplacingFile::operator=(ReplacingFile&& other) noexcept {
  if (this != &other) {
    discard();
    file_ = std::move(other.file_);
    target_ = std::move(other.target_);
    temporary_ = std::exchange(other.temporary_, {});
    slot_ = std::exchange(other.slot_, -1);
  }
  return *this;
}

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::discard() noexcept {
  (void)file_.close();
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  forget_pending_output(slot_);  // after the unlink: a signal in between finds it gone
  temporary_.clear();
  slot_ = -1;
}

std::expected<void, IoError> ReplacingFile::write_all(std::span<const std::uint8_t> bytes) {
  return file_.write_all(bytes);
}

std::expected<void, IoError> ReplacingFile::write_all(std::string_view text) { return file_.write_all(text); }

std::expected<void, IoError> ReplacingFile::commit() {
  if (auto closed = file_.close(); !closed) {
    discard();
    return closed;
  }
  if (temporary_.empty()) return {};
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    discard();
    return std::unexpected(IoError::from_errno(error));
  }
  forget_pending_output(slot_);
  temporary_.clear();
  slot_ = -1;
  return {};
}

namespace {

template <class Bytes>
std::expected<void, IoError> create_and_write(const std::filesystem::path& path, Bytes bytes) {
  auto file = ReplacingFile::create(path);
  if (!file) return std::unexpected(std::move(file).error());
  if (auto written = file->write_all(bytes); !written) return written;
  return file->commit();
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
