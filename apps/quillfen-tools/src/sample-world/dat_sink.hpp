// Where the generator's records go: a DatWriter with the count and size of what was
// written, record packing, and errors turned into the generator's own messages.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <string>

#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/write/dat_writer.hpp"

namespace quillfen::sample {

// Every failure of the generator is a message for the "Error: " line.
using Status = std::expected<void, std::string>;

class DatSink {
 public:
  static std::expected<DatSink, std::string> create(const std::filesystem::path& path, std::uint32_t block_size);

  // Stores one file; `compress` stores it LRS-compressed.
  Status add(std::uint32_t id, std::span<const std::uint8_t> bytes, bool compress = false);

  // Stores a record through its `pack`; a record its layout cannot hold is an error.
  template <class Record>
  Status add_record(std::uint32_t id, const Record& record, bool compress = false) {
    const auto bytes = dat::pack_record(record);
    if (!bytes) return std::unexpected(packing_failed(id, bytes.error()));
    return add(id, *bytes, compress);
  }

  // Writes the directory and header; the sink is spent afterwards.
  Status finish();

  const std::filesystem::path& path() const { return path_; }
  std::uint64_t file_count() const { return files_; }
  std::uint64_t compressed_files() const { return compressed_files_; }
  std::uint64_t content_bytes() const { return content_bytes_; }  // before compression

 private:
  std::string packing_failed(std::uint32_t id, const dat::PackError& error) const;

  DatSink(std::filesystem::path path, dat::write::DatWriter writer)
      : path_(std::move(path)), writer_(std::move(writer)) {}

  std::filesystem::path path_;
  dat::write::DatWriter writer_;
  std::uint64_t files_ = 0;
  std::uint64_t compressed_files_ = 0;
  std::uint64_t content_bytes_ = 0;
};

}  // namespace quillfen::sample
