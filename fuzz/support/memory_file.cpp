// memfd-backed files for the harnesses; a harness that cannot make one stops at once,
// since every later input would be tested against nothing.
#include "support/memory_file.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quillfen::fuzz {

MemoryFile::MemoryFile() {
  fd_ = ::memfd_create("quillfen-fuzz", MFD_CLOEXEC);
  if (fd_ < 0) {
    std::perror("memfd_create");
    std::abort();
  }
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
  if (fd_ >= 0) ::close(fd_);
}

void MemoryFile::assign(std::span<const std::uint8_t> bytes) {
  if (::ftruncate(fd_, 0) != 0) std::abort();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
}

SplitInput split_input(std::span<const std::uint8_t> data) {
  if (data.size() < 4) return {data, {}};
  const std::uint32_t word = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
                             (static_cast<std::uint32_t>(data[2]) << 16) |
                             (static_cast<std::uint32_t>(data[3]) << 24);
  const auto rest = data.subspan(4);
  const std::size_t at = word % (rest.size() + 1);
  return {rest.first(at), rest.subspan(at)};
}

}  // namespace quillfen::fuzz
