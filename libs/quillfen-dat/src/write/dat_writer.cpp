// Block chains and the B-tree directory of a DAT file, written sequentially.
#include "quillfen/dat/write/dat_writer.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <fmt/format.h>

#include "quillfen/dat/internal/dat_writer_layout.hpp"
#include "quillfen/dat/write/lrs_compress.hpp"

namespace quillfen::dat::write {
namespace {

constexpr std::size_t kFlushThreshold = std::size_t{4} << 20;
constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;

std::expected<void, DatError> write_all_at(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(IoError::from_errno(errno));
    }
    if (n == 0) return std::unexpected(IoError::write_zero());
    done += static_cast<std::size_t>(n);
  }
  return {};
}

// A directory node as planned before any offset is known.
struct PlannedNode {
  std::vector<std::uint32_t> entry_indices;  // into the sorted entry list
  std::vector<std::size_t> children;         // indices into the node list
};

// Largest number of entries a full tree of `height` levels holds: 62^height - 1.
std::uint64_t capacity(unsigned height) {
  std::uint64_t cap = 0;
  for (unsigned h = 0; h < height; ++h) cap = cap * kBranchSlots + kMaxNodeEntries;
  return cap;
}

// Builds the subtree over entries [first, first + count) with every leaf `height` levels
// down, children filled as evenly as possible; nodes are appended in pre-order.
std::size_t plan_subtree(std::vector<PlannedNode>& nodes, std::uint32_t first, std::uint32_t count, unsigned height) {
  const std::size_t index = nodes.size();
  nodes.emplace_back();
  if (height <= 1) {
    for (std::uint32_t i = 0; i < count; ++i) nodes[index].entry_indices.push_back(first + i);
    return index;
  }
  const std::uint64_t child_capacity = capacity(height - 1);
  std::uint64_t children = (count + 1 + child_capacity) / (child_capacity + 1);
  children = std::clamp<std::uint64_t>(children, 2, kBranchSlots);
  children = std::min<std::uint64_t>(children, std::uint64_t{count} + 1);
  const auto separators = static_cast<std::uint32_t>(children - 1);
  const std::uint32_t below = count - separators;
  const auto base = static_cast<std::uint32_t>(below / children);
  const auto extra = static_cast<std::uint32_t>(below % children);
  std::uint32_t next = first;
  for (std::uint64_t c = 0; c < children; ++c) {
    const std::uint32_t size = base + (c < extra ? 1u : 0u);
    const std::size_t child = plan_subtree(nodes, next, size, height - 1);
    nodes[index].children.push_back(child);
    next += size;
    if (c + 1 < children) nodes[index].entry_indices.push_back(next++);
  }
  return index;
}

}  // namespace

DatWriter::DatWriter(FileHandle file, DatWriterOptions options) : file_(std::move(file)), options_(options) {}

std::expected<DatWriter, DatError> DatWriter::create(const std::filesystem::path& path, DatWriterOptions options) {
  if (options.block_size <= 4) {
    return std::unexpected(dat_error::Other{fmt::format("block size {} leaves no room for data", options.block_size)});
  }
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::unexpected(dat_error::PathError{path, IoError::from_errno(errno)});
  DatWriter writer(FileHandle(fd), options);
  // The first block starts after the header, on a block boundary.
  const std::uint64_t header_end = kHeaderOffset + kHeaderSize;
  writer.end_ = (header_end + options.block_size - 1) / options.block_size * options.block_size;
  writer.pending_.assign(static_cast<std::size_t>(writer.end_), 0);
  return writer;
}

std::expected<DatWriter, DatError> DatWriterInternals::create_with_descending_chains(const std::filesystem::path& path,
                                                                                   DatWriterOptions options) {
  auto writer = DatWriter::create(path, options);
  if (writer) writer->descending_chains_ = true;
  return writer;
}

std::expected<void, DatError> DatWriter::add_file(std::uint32_t id, std::span<const std::uint8_t> bytes,
                                                  FileOptions file_options) {
  std::vector<std::uint8_t> compressed;
  if (file_options.compress) {
    compressed = compress_lrs(bytes);
    bytes = compressed;
  }
  if (bytes.size() > kMaxFileSize) return std::unexpected(dat_error::Other{"file larger than 4 GiB"});
  DatFileEntry entry;
  entry.bit_flags = file_options.compress ? DatFileEntry::kCompressed : 0;
  entry.id = id;
  entry.size = static_cast<std::uint32_t>(bytes.size());
  entry.timestamp = file_options.timestamp;
  entry.version = file_options.version;
  if (!bytes.empty()) {
    auto offset = write_chain(bytes);
    if (!offset) return std::unexpected(std::move(offset).error());
    entry.offset = *offset;
  }
  entries_.push_back(entry);
  return {};
}

std::expected<std::uint32_t, DatError> DatWriter::write_chain(std::span<const std::uint8_t> data) {
  const std::uint64_t block = options_.block_size;
  const std::uint64_t payload = block - 4;
  const std::uint64_t blocks = (data.size() + payload - 1) / payload;
  const std::uint64_t base = end_;
  if (base + blocks * block > kMaxFileSize) {
    return std::unexpected(dat_error::Other{"DAT file would pass 4 GiB, the reach of its 32-bit offsets"});
  }
  const auto slot = [&](std::uint64_t i) {
    return descending_chains_ ? base + (blocks - 1 - i) * block : base + i * block;
  };
  const std::size_t start = pending_.size();
  pending_.resize(start + static_cast<std::size_t>(blocks * block), 0);
  for (std::uint64_t i = 0; i < blocks; ++i) {
    std::uint8_t* out = pending_.data() + start + (slot(i) - base);
    const auto next = static_cast<std::uint32_t>(i + 1 < blocks ? slot(i + 1) : 0);
    for (int b = 0; b < 4; ++b) out[b] = static_cast<std::uint8_t>(next >> (8 * b));
    const std::size_t from = static_cast<std::size_t>(i * payload);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(payload), data.size() - from);
    std::copy_n(data.data() + from, n, out + 4);
  }
  end_ = base + blocks * block;
  if (pending_.size() >= kFlushThreshold) {
    if (auto r = flush(); !r) return std::unexpected(std::move(r).error());
  }
  return static_cast<std::uint32_t>(slot(0));
}

std::expected<void, DatError> DatWriter::flush() {
  if (auto r = write_all_at(file_.fd(), pending_, flushed_to_); !r) return r;
  flushed_to_ += pending_.size();
  pending_.clear();
  return {};
}

std::expected<void, DatError> DatWriter::write_directory(std::vector<DatFileEntry>& sorted, std::uint32_t& root) {
  root = 0;
  if (sorted.empty()) return {};
  unsigned height = 1;
  while (capacity(height) < sorted.size()) ++height;
  std::vector<PlannedNode> nodes;
  plan_subtree(nodes, 0, static_cast<std::uint32_t>(sorted.size()), height);

  // Nodes are stored in pre-order, each in its own chain of equal length.
  const std::uint64_t payload = options_.block_size - 4;
  const std::uint64_t node_blocks = (kNodeSize + payload - 1) / payload;
  const std::uint64_t node_span = node_blocks * options_.block_size;
  const std::uint64_t first = end_;
  // Where each node's chain starts: its first block, the last of its span when reversed.
  const std::uint64_t first_block = descending_chains_ ? (node_blocks - 1) * options_.block_size : 0;
  const auto node_offset = [&](std::size_t i) { return static_cast<std::uint32_t>(first + i * node_span + first_block); };
  if (first + nodes.size() * node_span > kMaxFileSize) {
    return std::unexpected(dat_error::Other{"DAT file would pass 4 GiB, the reach of its 32-bit offsets"});
  }
  for (const PlannedNode& node : nodes) {
    ByteWriter w;
    for (std::size_t s = 0; s < kBranchSlots; ++s) {
      w.write_u32_le(s < node.children.size() ? node_offset(node.children[s]) : 0);
    }
    w.write_u32_le(static_cast<std::uint32_t>(node.entry_indices.size()));
    for (const std::uint32_t e : node.entry_indices) sorted[e].pack(w);
    w.write_zeros(kNodeSize - w.size());
    auto offset = write_chain(w.bytes());
    if (!offset) return std::unexpected(std::move(offset).error());
  }
  root = node_offset(0);
  return {};
}

std::expected<void, DatError> DatWriter::finish() {
  if (finished_) return std::unexpected(dat_error::Other{"DatWriter::finish called twice"});
  finished_ = true;
  std::vector<DatFileEntry> sorted = std::move(entries_);
  std::sort(sorted.begin(), sorted.end(), [](const DatFileEntry& a, const DatFileEntry& b) { return a.id < b.id; });
  for (std::size_t i = 1; i < sorted.size(); ++i) {
    if (sorted[i].id == sorted[i - 1].id) return std::unexpected(dat_error::DuplicateId{sorted[i].id});
  }
  std::uint32_t root = 0;
  if (auto r = write_directory(sorted, root); !r) return r;
  if (auto r = flush(); !r) return r;

  DatHeader header = options_.header;
  header.block_size = options_.block_size;
  header.file_size = static_cast<std::uint32_t>(end_);
  header.root_offset = root;
  header.free_head = header.free_tail = header.free_count = 0;
  ByteWriter w;
  header.pack(w);
  return write_all_at(file_.fd(), w.bytes(), kHeaderOffset);
}

}  // namespace quillfen::dat::write
