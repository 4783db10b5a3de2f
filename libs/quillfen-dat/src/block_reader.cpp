// Positioned reads and block chains. A chain stored in consecutive blocks, as writers lay
// them out, is gathered with one vectored read; anything else is followed block by block.
#include "quillfen/dat/block_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fmt/format.h>

namespace quillfen::dat {
namespace {

std::uint32_t load_u32_le(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Blocks gathered by one vectored read: two iovecs a block, well under IOV_MAX.
constexpr std::size_t kBlocksPerRun = 256;

}  // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

std::expected<BlockReader, DatError> BlockReader::open(const std::filesystem::path& path) {
  int fd = -1;
  // Non-blocking only for the open itself: a FIFO given as a DAT path would otherwise wait
  // for a writer forever. Its reads then fail like those of any file that is not a DAT.
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::unexpected(dat_error::PathError{path, IoError::from_errno(errno)});
  FileHandle file(fd);
  if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return std::unexpected(IoError::from_errno(errno));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::unexpected(IoError::from_errno(errno));
  return BlockReader(std::move(file), static_cast<std::uint64_t>(st.st_size));
}

std::expected<void, DatError> BlockReader::read_exact_at(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(file_.fd(), out.data() + done, out.size() - done,
                              static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(IoError::from_errno(errno));
    }
    if (n == 0) return std::unexpected(IoError::unexpected_eof());
    done += static_cast<std::size_t>(n);
  }
  return {};
}

std::expected<void, DatError> BlockReader::read_chain(std::uint32_t offset, std::span<std::uint8_t> out) const {
  if (out.empty()) return {};
  // No chain can deliver more bytes than the file holds without looping over itself.
  if (out.size() > file_length_) return std::unexpected(IoError::unexpected_eof());
  auto progress = read_contiguous_run(offset, out);
  if (!progress) return std::unexpected(std::move(progress).error());
  if (!*progress) return {};
  return read_block_by_block(**progress, out);
}

std::expected<std::optional<BlockReader::Progress>, DatError> BlockReader::read_contiguous_run(
    std::uint32_t offset, std::span<std::uint8_t> out) const {
  const std::uint32_t payload = block_size_ - 4;  // wraps for block sizes below 4, as the format does
  Progress at{offset, 0};
  if (payload == 0) return at;

  std::array<std::array<std::uint8_t, 4>, kBlocksPerRun> links{};
  std::array<iovec, 2 * kBlocksPerRun> iov{};
  while (true) {
    const std::size_t remaining = out.size() - at.filled;
    const std::size_t blocks = std::min<std::size_t>((remaining + payload - 1) / payload, kBlocksPerRun);
    const std::uint64_t last_chunk = remaining - static_cast<std::uint64_t>(blocks - 1) * payload;
    const std::uint64_t run_bytes = static_cast<std::uint64_t>(blocks - 1) * block_size_ + 4 +
                                    std::min<std::uint64_t>(last_chunk, payload);
    // Block offsets are 32-bit; a run that would wrap or pass the end of the file is left
    // to the block-by-block walk, which reports exactly where the chain fails.
    if (static_cast<std::uint64_t>(at.offset) + static_cast<std::uint64_t>(blocks - 1) * block_size_ >
            0xFFFFFFFBu ||
        at.offset + run_bytes > file_length_) {
      return at;
    }
    for (std::size_t i = 0; i < blocks; ++i) {
      const std::size_t chunk = std::min<std::size_t>(payload, remaining - i * payload);
      iov[2 * i] = {links[i].data(), 4};
      iov[2 * i + 1] = {out.data() + at.filled + i * payload, chunk};
    }
    ssize_t n;
    do {
      n = ::preadv(file_.fd(), iov.data(), static_cast<int>(2 * blocks), static_cast<off_t>(at.offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0 || static_cast<std::uint64_t>(n) != run_bytes) return at;

    for (std::size_t i = 0; i < blocks; ++i) {
      const std::size_t chunk = std::min<std::size_t>(payload, out.size() - at.filled);
      const std::uint32_t next = load_u32_le(links[i].data());
      // The block that completes the file ends the chain whatever its link says.
      if (at.filled + chunk == out.size()) return std::nullopt;
      // A last block (link 0) supplies the rest contiguously: let the block walk read it.
      if (next == 0) return at;
      at.filled += chunk;
      const std::uint32_t successor = at.offset + block_size_;
      at.offset = next;
      if (next != successor) return at;
    }
  }
}

std::expected<void, DatError> BlockReader::read_block_by_block(Progress at, std::span<std::uint8_t> out) const {
  const std::uint32_t payload = block_size_ - 4;
  // Every block but the last gives `payload` bytes, so a chain needs at most
  // remaining / payload blocks before its last; one that loops stops there too, having
  // repeated its data. A chain of distinct blocks also has no more blocks than the file.
  const std::uint64_t remaining = out.size() - at.filled;
  const std::uint64_t needed = payload == 0 ? 0 : (remaining + payload - 1) / payload;
  const std::uint64_t max_blocks =
      std::min(needed, file_length_ / std::max<std::uint32_t>(block_size_, 1)) + 1;
  const std::uint32_t first = at.offset;
  for (std::uint64_t visited = 0;; ++visited) {
    if (visited >= max_blocks) {
      return std::unexpected(dat_error::Corruption{fmt::format(
          "block chain through 0x{:08X} has more than {} blocks, more than the file can hold", first,
          max_blocks)});
    }
    std::array<std::uint8_t, 4> link{};
    if (auto r = read_exact_at(at.offset, link); !r) return r;
    const std::uint32_t next = load_u32_le(link.data());
    const std::uint32_t data_offset = at.offset + 4;  // 32-bit, wrapping
    if (next == 0) return read_exact_at(data_offset, out.subspan(at.filled));
    // Only a last block can deliver anything when blocks are all link: a chain that goes
    // on from one could never fill its size.
    if (payload == 0) {
      return std::unexpected(dat_error::Corruption{
          fmt::format("block chain through 0x{:08X} links on from block 0x{:08X}, but blocks of {} bytes carry "
                      "no payload",
                      first, at.offset, block_size_)});
    }
    const std::size_t chunk = std::min<std::size_t>(payload, out.size() - at.filled);
    if (auto r = read_exact_at(data_offset, out.subspan(at.filled, chunk)); !r) return r;
    at.filled += chunk;
    at.offset = next;
    if (at.filled == out.size()) return {};
  }
}

bool BlockReader::read_chain_from(std::span<const std::uint8_t> window, std::uint64_t window_offset,
                                  std::uint32_t offset, std::span<std::uint8_t> out) const {
  const std::uint32_t payload = block_size_ - 4;
  if (out.empty()) return true;
  if (payload == 0 || block_size_ < 4) return false;
  const std::uint64_t window_end = window_offset + window.size();
  // Copies `bytes` bytes at file offset `at` into `to`, if the window holds them all.
  const auto copy = [&](std::uint64_t at, std::uint8_t* to, std::size_t bytes) {
    if (at < window_offset || at + bytes > window_end) return false;
    std::memcpy(to, window.data() + (at - window_offset), bytes);
    return true;
  };
  // A well-formed chain needs no more blocks than its size; anything longer (a loop) is
  // left to read_chain, as is a block whose offset would wrap.
  std::uint64_t blocks_left = (out.size() + payload - 1) / payload;
  std::size_t filled = 0;
  std::uint32_t at = offset;
  while (blocks_left-- > 0) {
    if (at > 0xFFFFFFFBu) return false;
    std::array<std::uint8_t, 4> link{};
    if (!copy(at, link.data(), link.size())) return false;
    const std::uint32_t next = load_u32_le(link.data());
    if (next == 0) return copy(std::uint64_t{at} + 4, out.data() + filled, out.size() - filled);
    const std::size_t chunk = std::min<std::size_t>(payload, out.size() - filled);
    if (!copy(std::uint64_t{at} + 4, out.data() + filled, chunk)) return false;
    filled += chunk;
    if (filled == out.size()) return true;
    at = next;
  }
  return false;
}

}  // namespace quillfen::dat
