// A fresh directory under the system's temporary directory, removed with everything in
// it when the test ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace quillfen::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> read_file_bytes(const std::filesystem::path& path);
void write_file_bytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace quillfen::testing
