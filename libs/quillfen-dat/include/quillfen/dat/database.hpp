// An open DAT database: its header, its directory index and file lookup by id.
#pragma once

#include "quillfen/common/config.hpp"

#include <array>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <type_traits>
#include <vector>

#include "quillfen/dat/block_reader.hpp"
#include "quillfen/dat/error.hpp"
#include "quillfen/dat/reader.hpp"
#include "quillfen/dat/work_budget.hpp"

namespace quillfen::dat {

inline constexpr std::uint64_t kHeaderOffset = 0x140;
inline constexpr std::size_t kHeaderSize = 80;
inline constexpr std::size_t kNodeSize = 0x6B4;
inline constexpr std::size_t kBranchSlots = 62;
inline constexpr std::size_t kMaxNodeEntries = 61;
inline constexpr std::size_t kEntrySize = 24;
static_assert(kBranchSlots * 4 + 4 + kMaxNodeEntries * kEntrySize == kNodeSize);

// Limits of the directory walk, which the format itself leaves open.
// Real trees are a handful of levels deep (61 entries a node); 32 levels would hold more
// entries than any 32-bit id space, and keep a hostile tree from exhausting the stack.
inline constexpr std::size_t kMaxDirectoryDepth = 32;

struct DatHeader {
  std::uint32_t magic = 0;
  std::uint32_t block_size = 0;
  std::uint32_t file_size = 0;
  std::uint32_t dataset = 0;
  std::uint32_t subset = 0;
  std::uint32_t free_head = 0;
  std::uint32_t free_tail = 0;
  std::uint32_t free_count = 0;
  std::uint32_t root_offset = 0;
  std::uint32_t new_lru = 0;
  std::uint32_t old_lru = 0;
  std::uint32_t use_lru = 0;
  std::uint32_t master_map_id = 0;
  std::uint32_t engine_version = 0;
  std::uint32_t game_version = 0;
  std::array<std::uint8_t, 16> version_string{};
  std::uint32_t version_minor = 0;

  static ReadResult<DatHeader> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const DatHeader&) const = default;
};

struct DatFileEntry {
  std::uint32_t bit_flags = 0;
  std::uint32_t id = 0;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  std::uint32_t timestamp = 0;
  std::uint32_t version = 0;

  static constexpr std::uint32_t kCompressed = 0x1;
  bool is_compressed() const { return (bit_flags & kCompressed) != 0; }

  static ReadResult<DatFileEntry> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const DatFileEntry&) const = default;
};
static_assert(sizeof(DatFileEntry) == kEntrySize);
// The directory walk copies entries straight out of a node's bytes.
static_assert(std::is_trivially_copyable_v<DatFileEntry> && std::is_standard_layout_v<DatFileEntry>);

// The directory index (`files`): one entry per distinct id, held sorted by id in one
// contiguous array, so lookups are a binary search and an id range is one slice.
class FileIndex {
 public:
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const DatFileEntry* find(std::uint32_t id) const;
  bool contains(std::uint32_t id) const { return find(id) != nullptr; }
  // Every entry whose id lies in [first, last], ascending.
  std::span<const DatFileEntry> range(std::uint32_t first, std::uint32_t last) const;
  // All entries, ascending by id.
  std::span<const DatFileEntry> entries() const { return entries_; }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

 private:
  friend class DirectoryWalk;
  std::vector<DatFileEntry> entries_;
};

struct DatOpenOptions {
  // Bytes that get_file may read and expand over the database's life (work_budget.hpp);
  // absent: default_work_budget of the file's length.
  std::optional<std::uint64_t> work_budget;
};

// Safe for concurrent get_file calls from several threads: the index never changes after
// opening, reads are positioned, and the work budget is one atomic counter.
class DatDatabase {
 public:
  // Opens the file read-only, reads the header and walks the whole directory.
  static std::expected<DatDatabase, DatError> open(const std::filesystem::path& path,
                                                   const DatOpenOptions& options = {});

  const DatHeader& header() const { return header_; }
  const FileIndex& files() const { return files_; }
  // The length of the file in bytes when it was opened.
  std::uint64_t file_length() const { return blocks_.file_length(); }

  // The contents of file `id`, decompressed when its entry says so. The bytes it reads,
  // and then for a compressed file the bytes its stream declares, are taken from the
  // work budget before that work is done; a step that no longer fits fails with Other
  // and takes nothing (a read already done stays spent). A buffer that cannot be
  // allocated fails as Io (reading) or DecompressionFailed (expanding).
  std::expected<std::vector<std::uint8_t>, DatError> get_file(std::uint32_t id) const;
  // get_file for each of `entries` (taken from files()), in order, handing each result to
  // `each` as it comes. Files that lie close together in the file, as a writer lays out a
  // landblock's cells, are read with one system call between them; the results, errors
  // and budget taken are get_file's, file by file.
  using FileResult = std::expected<std::vector<std::uint8_t>, DatError>;
  void get_files(std::span<const DatFileEntry> entries,
                 const std::function<void(const DatFileEntry&, FileResult&&)>& each) const;
  // Exactly `size` bytes of the block chain starting at `offset` (outside the budget).
  std::expected<std::vector<std::uint8_t>, DatError> read_file_data(std::uint32_t offset,
                                                                    std::uint32_t size) const;
  // What this database's lookups may still cost, and whether one was refused.
  const WorkBudget& work_budget() const { return budget_; }

 private:
  DatDatabase(BlockReader blocks, DatHeader header, std::uint64_t work_budget)
      : blocks_(std::move(blocks)), header_(header), budget_(work_budget) {}

  std::expected<void, DatError> read_directory();
  // get_file for an entry of the index, its chain taken from `window` (file bytes from
  // `window_offset`) when it lies whole inside it.
  FileResult get_entry(const DatFileEntry& entry, std::span<const std::uint8_t> window = {},
                       std::uint64_t window_offset = 0) const;
  // The entry's stored bytes from the window, or nothing when the window cannot give them.
  std::optional<FileResult> read_from_window(const DatFileEntry& entry, std::span<const std::uint8_t> window,
                                             std::uint64_t window_offset) const;

  BlockReader blocks_;
  DatHeader header_;
  FileIndex files_;
  mutable WorkBudget budget_;
};

}  // namespace quillfen::dat
