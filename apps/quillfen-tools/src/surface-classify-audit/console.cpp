// Standard streams that cannot stop a run: SIGPIPE ignored, closed descriptors filled with
// /dev/null, and a standard error stream that drops what it cannot write.
#include "surface-classify-audit/console.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace quillfen::audit {
namespace {

bool is_open(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// The write function of the lossy stream: everything is reported as written, so stdio
// never marks the stream failed and fmt::print never throws.
ssize_t write_dropping(void* cookie, const char* data, std::size_t size) {
  const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(cookie));
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // closed, full, or a reader that has gone: the rest is dropped
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(size);
}

// Puts descriptor `from` at `fd` and closes it; nothing to do when it is there already.
void move_to(int from, int fd) {
  if (from == fd) return;
  ::dup2(from, fd);
  ::close(from);
}

// Fills closed descriptor `fd`: standard input reads as empty, and an output becomes a
// pipe whose reader is gone, so that writing to it, or opening /dev/stdout for writing,
// fails as it would have while it was closed.
void fill_closed(int fd) {
  if (fd == STDIN_FILENO) {
    if (const int opened = ::open("/dev/null", O_RDONLY); opened >= 0) move_to(opened, fd);
    return;
  }
  int ends[2];
  if (::pipe(ends) != 0) return;
  // The read end may itself have landed on `fd`: moving the write end there replaces it.
  if (ends[0] != fd) ::close(ends[0]);
  move_to(ends[1], fd);
}

}  // namespace

StandardStreams prepare_console() {
  ::signal(SIGPIPE, SIG_IGN);
  StandardStreams streams;
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (is_open(fd)) continue;
    if (fd == STDOUT_FILENO) streams.output_was_closed = true;
    fill_closed(fd);
  }
  return streams;
}

std::FILE* lossy_standard_error() {
  static std::FILE* const stream = [] {
    const cookie_io_functions_t functions{nullptr, write_dropping, nullptr, nullptr};
    std::FILE* made = ::fopencookie(reinterpret_cast<void*>(std::intptr_t{STDERR_FILENO}), "w", functions);
    if (made == nullptr) return stderr;
    std::setvbuf(made, nullptr, _IONBF, 0);
    return made;
  }();
  return stream;
}

void console_write(std::FILE* stream, std::string_view text) noexcept {
  if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) std::clearerr(stream);
}

std::expected<void, common::IoError> write_and_flush(std::FILE* stream, std::string_view text) {
  errno = 0;
  const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  if (written && std::fflush(stream) == 0) return {};
  const int error = errno != 0 ? errno : EIO;
  std::clearerr(stream);
  return std::unexpected(common::IoError::from_errno(error));
}

}  // namespace quillfen::audit
