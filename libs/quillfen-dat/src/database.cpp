// Opening a DAT database: header, directory walk into the index, and file lookup.
#include "quillfen/dat/database.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <unordered_set>

#include <fmt/format.h>

#include "quillfen/dat/utils.hpp"

namespace quillfen::dat {

// Directory nodes are copied into branch words, counts and DatFileEntry values as they lie
// in the file, which is little-endian.
static_assert(std::endian::native == std::endian::little, "the directory walk loads little-endian words directly");

ReadResult<DatHeader> DatHeader::read(Reader& reader) {
  DatHeader h;
  QF_FIELD(h.magic, reader.read_u32_le(), "magic", "DatHeader");
  QF_FIELD(h.block_size, reader.read_u32_le(), "block_size", "DatHeader");
  QF_FIELD(h.file_size, reader.read_u32_le(), "file_size", "DatHeader");
  QF_FIELD(h.dataset, reader.read_u32_le(), "dataset", "DatHeader");
  QF_FIELD(h.subset, reader.read_u32_le(), "subset", "DatHeader");
  QF_FIELD(h.free_head, reader.read_u32_le(), "free_head", "DatHeader");
  QF_FIELD(h.free_tail, reader.read_u32_le(), "free_tail", "DatHeader");
  QF_FIELD(h.free_count, reader.read_u32_le(), "free_count", "DatHeader");
  QF_FIELD(h.root_offset, reader.read_u32_le(), "root_offset", "DatHeader");
  QF_FIELD(h.new_lru, reader.read_u32_le(), "new_lru", "DatHeader");
  QF_FIELD(h.old_lru, reader.read_u32_le(), "old_lru", "DatHeader");
  QF_FIELD(h.use_lru, reader.read_u32_le(), "use_lru", "DatHeader");
  QF_FIELD(h.master_map_id, reader.read_u32_le(), "master_map_id", "DatHeader");
  QF_FIELD(h.engine_version, reader.read_u32_le(), "engine_version", "DatHeader");
  QF_FIELD(h.game_version, reader.read_u32_le(), "game_version", "DatHeader");
  QF_FIELD(const auto version, reader.read_bytes(16), "version_string", "DatHeader");
  std::copy(version.begin(), version.end(), h.version_string.begin());
  QF_FIELD(h.version_minor, reader.read_u32_le(), "version_minor", "DatHeader");
  return h;
}

void DatHeader::pack(ByteWriter& w) const {
  for (const std::uint32_t v : {magic, block_size, file_size, dataset, subset, free_head, free_tail, free_count,
                                root_offset, new_lru, old_lru, use_lru, master_map_id, engine_version,
                                game_version}) {
    w.write_u32_le(v);
  }
  w.write_bytes(version_string);
  w.write_u32_le(version_minor);
}

ReadResult<DatFileEntry> DatFileEntry::read(Reader& reader) {
  DatFileEntry e;
  QF_FIELD(e.bit_flags, reader.read_u32_le(), "bit_flags", "DatFileEntry");
  QF_FIELD(e.id, reader.read_u32_le(), "id", "DatFileEntry");
  QF_FIELD(e.offset, reader.read_u32_le(), "offset", "DatFileEntry");
  QF_FIELD(e.size, reader.read_u32_le(), "size", "DatFileEntry");
  QF_FIELD(e.timestamp, reader.read_u32_le(), "timestamp", "DatFileEntry");
  QF_FIELD(e.version, reader.read_u32_le(), "version", "DatFileEntry");
  return e;
}

void DatFileEntry::pack(ByteWriter& w) const {
  for (const std::uint32_t v : {bit_flags, id, offset, size, timestamp, version}) w.write_u32_le(v);
}

const DatFileEntry* FileIndex::find(std::uint32_t id) const {
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                                   [](const DatFileEntry& e, std::uint32_t key) { return e.id < key; });
  return it != entries_.end() && it->id == id ? &*it : nullptr;
}

std::span<const DatFileEntry> FileIndex::range(std::uint32_t first, std::uint32_t last) const {
  if (first > last) return {};
  const auto lo = std::lower_bound(entries_.begin(), entries_.end(), first,
                                   [](const DatFileEntry& e, std::uint32_t key) { return e.id < key; });
  const auto hi = std::upper_bound(lo, entries_.end(), last,
                                   [](std::uint32_t key, const DatFileEntry& e) { return key < e.id; });
  return {lo, hi};
}

namespace {

// Asks for huge pages under a large index: a million entries touch 24 MB, and faulting
// that in 4 KiB pages costs more than parsing the entries. Only advice; errors are ignored.
void advise_huge_pages(void* data, std::size_t bytes) {
  constexpr std::size_t kWorthIt = std::size_t{4} << 20;
  if (bytes < kWorthIt) return;
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) / page * page;
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

// Walks the directory tree depth first. Each node's entries go into the index before its
// children are read, and a later entry for an id replaces an earlier one.
//
// The walk collects the entries in key order (child, entry, child, ..., as a B-tree holds
// them), so that a well-formed tree yields a sorted index with no sorting at all. Only a
// tree whose keys come out of order (or repeat) is walked a second time in the format's
// own insertion order and sorted, with the last insertion of each id kept.
class DirectoryWalk {
 public:
  DirectoryWalk(const BlockReader& blocks, FileIndex& index)
      : blocks_(blocks),
        index_(index),
        max_nodes_(std::max<std::uint64_t>(1, blocks.file_length() / kNodeSize)),
        buffers_(kMaxDirectoryDepth + 1) {}

  std::expected<void, DatError> run(std::uint32_t root) {
    auto& out = index_.entries_;
    // No directory can list more entries than its nodes hold; the reservation is address
    // space, touched only as entries arrive.
    out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(max_nodes_ * kMaxNodeEntries, 1u << 22)));
    advise_huge_pages(out.data(), out.capacity() * sizeof(DatFileEntry));
    if (auto r = read_node(root, 0); !r) return r;
    if (in_key_order_) return {};

    out.clear();
    visited_.clear();
    insertion_order_ = true;
    if (auto r = read_node(root, 0); !r) return r;
    // Stable: among entries of one id the last inserted stays last.
    std::stable_sort(out.begin(), out.end(),
                     [](const DatFileEntry& a, const DatFileEntry& b) { return a.id < b.id; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (i + 1 < out.size() && out[i + 1].id == out[i].id) continue;
      out[kept++] = out[i];
    }
    out.resize(kept);
    return {};
  }

 private:
  std::expected<void, DatError> read_node(std::uint32_t offset, std::size_t depth) {
    if (offset == 0) return {};
    if (depth > kMaxDirectoryDepth) {
      return std::unexpected(dat_error::Corruption{
          fmt::format("directory node 0x{:08X} lies deeper than {} levels", offset, kMaxDirectoryDepth)});
    }
    if (!visited_.insert(offset).second) {
      return std::unexpected(dat_error::Corruption{
          fmt::format("directory node 0x{:08X} is reached twice (its branches loop or are shared)", offset)});
    }
    // The node is read before it is counted: a node that runs past the end of the file
    // reports that, even where the count alone would already be too high.
    auto& node = buffers_[depth];
    if (auto r = blocks_.read_chain(offset, node); !r) return r;
    if (visited_.size() > max_nodes_) {
      return std::unexpected(dat_error::Corruption{
          fmt::format("directory has more than {} nodes, more than the file can hold", max_nodes_)});
    }

    std::array<std::uint32_t, kBranchSlots> branches{};
    std::memcpy(branches.data(), node.data(), sizeof branches);
    std::uint32_t count = 0;
    std::memcpy(&count, node.data() + kBranchSlots * 4, 4);
    if (count > kMaxNodeEntries) {
      // Entries past the 61st run off the end of the node: the reader reports the first.
      Reader reader(node, kBranchSlots * 4 + 4);
      for (std::uint32_t i = 0; i < count; ++i) {
        if (auto e = DatFileEntry::read(reader); !e) return std::unexpected(std::move(e).error());
      }
    }
    const auto entry = [&](std::uint32_t i) {
      DatFileEntry e;
      std::memcpy(&e, node.data() + kBranchSlots * 4 + 4 + i * kEntrySize, kEntrySize);
      return e;
    };

    const bool leaf = branches[0] == 0;
    if (leaf || insertion_order_) {
      for (std::uint32_t i = 0; i < count; ++i) append(entry(i));
      if (leaf) return {};
    }
    // Entry count + 1 children, never more than the slots that exist.
    const std::size_t slots = std::min<std::size_t>(count + 1, kBranchSlots);
    for (std::size_t s = 0; s < slots; ++s) {
      if (branches[s] != 0) {
        if (auto r = read_node(branches[s], depth + 1); !r) return r;
      }
      if (!insertion_order_ && s < count) append(entry(static_cast<std::uint32_t>(s)));
    }
    return {};
  }

  void append(const DatFileEntry& e) {
    auto& out = index_.entries_;
    if (!out.empty() && out.back().id >= e.id) in_key_order_ = false;
    out.push_back(e);
  }

  const BlockReader& blocks_;
  FileIndex& index_;
  std::uint64_t max_nodes_;
  std::vector<std::array<std::uint8_t, kNodeSize>> buffers_;  // one per depth level
  std::unordered_set<std::uint32_t> visited_;
  bool in_key_order_ = true;
  bool insertion_order_ = false;
};

std::expected<DatDatabase, DatError> DatDatabase::open(const std::filesystem::path& path,
                                                       const DatOpenOptions& options) {
  auto blocks = BlockReader::open(path);
  if (!blocks) return std::unexpected(std::move(blocks).error());

  // The header may be cut short: read what is there and let the field reads report it.
  std::array<std::uint8_t, kHeaderSize> raw{};
  const std::uint64_t length = blocks->file_length();
  const std::size_t available =
      length > kHeaderOffset ? static_cast<std::size_t>(std::min<std::uint64_t>(length - kHeaderOffset, kHeaderSize))
                             : 0;
  if (auto r = blocks->read_exact_at(kHeaderOffset, std::span(raw).first(available)); !r) {
    return std::unexpected(std::move(r).error());
  }
  Reader reader(std::span<const std::uint8_t>(raw).first(available));
  auto header = DatHeader::read(reader);
  if (!header) return std::unexpected(std::move(header).error());

  blocks->set_block_size(header->block_size);
  const std::uint64_t budget = options.work_budget.value_or(default_work_budget(length));
  DatDatabase db(std::move(*blocks), *header, budget);
  if (auto r = db.read_directory(); !r) return std::unexpected(std::move(r).error());
  return db;
}

std::expected<void, DatError> DatDatabase::read_directory() {
  return DirectoryWalk(blocks_, files_).run(header_.root_offset);
}

std::expected<std::vector<std::uint8_t>, DatError> DatDatabase::read_file_data(std::uint32_t offset,
                                                                               std::uint32_t size) const {
  if (size == 0) return std::vector<std::uint8_t>{};
  // Checked before allocating: a size beyond the file cannot be filled.
  if (size > blocks_.file_length()) return std::unexpected(IoError::unexpected_eof());
  // A size within a large (or sparse) file may still be more than the process can hold:
  // that file fails, the caller goes on.
  std::vector<std::uint8_t> data;
  try {
    data.resize(size);
  } catch (const std::bad_alloc&) {
    return std::unexpected(IoError::from_errno(ENOMEM));
  }
  if (auto r = blocks_.read_chain(offset, data); !r) return std::unexpected(std::move(r).error());
  return data;
}

namespace {

DatError budget_spent(std::uint32_t id, std::uint64_t needed, const WorkBudget& budget) {
  return dat_error::Other{fmt::format("work budget spent: file {:08X} needs {} more bytes, {} of {} are left", id,
                                      needed, budget.left(), budget.limit())};
}

}  // namespace

std::expected<std::vector<std::uint8_t>, DatError> DatDatabase::get_file(std::uint32_t id) const {
  const DatFileEntry* entry = files_.find(id);
  if (entry == nullptr) return std::unexpected(dat_error::NotFound{id});
  return get_entry(*entry);
}

DatDatabase::FileResult DatDatabase::get_entry(const DatFileEntry& entry, std::span<const std::uint8_t> window,
                                               std::uint64_t window_offset) const {
  // A size that the file cannot hold is a read error, as for read_file_data, and costs
  // nothing.
  if (entry.size > blocks_.file_length()) return std::unexpected(IoError::unexpected_eof());
  if (!budget_.take(entry.size)) return std::unexpected(budget_spent(entry.id, entry.size, budget_));
  auto from_window = read_from_window(entry, window, window_offset);
  FileResult data = from_window ? std::move(*from_window) : read_file_data(entry.offset, entry.size);
  if (!data || !entry.is_compressed()) return data;
  const std::uint64_t expanded = utils::lrs_output_limit(*data);
  if (!budget_.take(expanded)) return std::unexpected(budget_spent(entry.id, expanded, budget_));
  try {
    return utils::decompress_lrs(*data);
  } catch (const std::bad_alloc&) {
    return std::unexpected(dat_error::DecompressionFailed{entry.id});
  }
}

namespace {

// A window is read for a run of files only when it is mostly theirs: its bytes are at
// most twice the blocks the files fill plus one page, and at most this many.
constexpr std::uint64_t kMaxWindow = std::uint64_t{256} << 10;
constexpr std::uint64_t kWindowSlack = 4096;

// The bytes a file fills when its blocks follow each other, as writers lay them out.
std::uint64_t footprint(const DatFileEntry& entry, std::uint32_t block_size) {
  const std::uint64_t payload = block_size > 4 ? block_size - 4 : 0;
  if (payload == 0 || entry.size == 0) return 0;
  return (entry.size + payload - 1) / payload * block_size;
}

struct Window {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::size_t files = 0;  // the entries it serves, from the first one planned
};

// The longest run of `entries` from the first whose blocks, laid out one after another,
// fit a window that is mostly theirs.
Window plan_window(std::span<const DatFileEntry> entries, std::uint32_t block_size, std::uint64_t file_length) {
  Window window{entries[0].offset, entries[0].offset + footprint(entries[0], block_size), 1};
  std::uint64_t filled = window.end - window.begin;
  for (const DatFileEntry& entry : entries.subspan(1)) {
    const std::uint64_t size = footprint(entry, block_size);
    if (entry.offset < window.begin || size == 0) break;
    const std::uint64_t end = std::max(window.end, std::uint64_t{entry.offset} + size);
    if (end - window.begin > kMaxWindow || end - window.begin > 2 * (filled + size) + kWindowSlack) break;
    window.end = end;
    filled += size;
    ++window.files;
  }
  window.end = std::min(window.end, file_length);
  return window;
}

}  // namespace

std::optional<DatDatabase::FileResult> DatDatabase::read_from_window(const DatFileEntry& entry,
                                                                     std::span<const std::uint8_t> window,
                                                                     std::uint64_t window_offset) const {
  if (window.empty() || entry.size == 0) return std::nullopt;
  std::vector<std::uint8_t> data;
  try {
    data.resize(entry.size);
  } catch (const std::bad_alloc&) {
    return std::unexpected(IoError::from_errno(ENOMEM));
  }
  if (!blocks_.read_chain_from(window, window_offset, entry.offset, data)) return std::nullopt;
  return data;
}

void DatDatabase::get_files(std::span<const DatFileEntry> entries,
                            const std::function<void(const DatFileEntry&, FileResult&&)>& each) const {
  std::vector<std::uint8_t> window;
  while (!entries.empty()) {
    const Window plan = plan_window(entries, blocks_.block_size(), blocks_.file_length());
    window.clear();
    // One file alone gains nothing from a window; a window that cannot be read leaves
    // every file to its own read, which reports its own error.
    if (plan.files > 1 && plan.end > plan.begin) {
      try {
        window.resize(plan.end - plan.begin);
      } catch (const std::bad_alloc&) {
        window.clear();
      }
      if (!window.empty() && !blocks_.read_exact_at(plan.begin, window)) window.clear();
    }
    for (const DatFileEntry& entry : entries.first(plan.files)) each(entry, get_entry(entry, window, plan.begin));
    entries = entries.subspan(plan.files);
  }
}

}  // namespace quillfen::dat
