// A portal and a cell DAT assembled from records for end-to-end tests: records are
// packed with their own write side and stored under the ids a test chooses.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

#include "support/packed.hpp"

namespace quillfen::testing {

class DatPair {
 public:
  template <class Record>
  void portal(std::uint32_t id, const Record& record) {
    portal_raw(id, packed(record));
  }
  template <class Record>
  void cell(std::uint32_t id, const Record& record) {
    cell_raw(id, packed(record));
  }
  void portal_raw(std::uint32_t id, std::vector<std::uint8_t> bytes) { portal_[id] = std::move(bytes); }
  void cell_raw(std::uint32_t id, std::vector<std::uint8_t> bytes) { cell_[id] = std::move(bytes); }

  // Writes both DATs (every third file LRS-compressed, to go through that path too).
  void write(const std::filesystem::path& portal_path, const std::filesystem::path& cell_path) const;

 private:
  std::map<std::uint32_t, std::vector<std::uint8_t>> portal_;
  std::map<std::uint32_t, std::vector<std::uint8_t>> cell_;
};

}  // namespace quillfen::testing
