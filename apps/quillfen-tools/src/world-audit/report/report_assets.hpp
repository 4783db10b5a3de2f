// The report's page, style sheet and scripts, built into the program from
// apps/quillfen-tools/report/ (see cmake/EmbedFiles.cmake) so that an installed binary
// needs no files beside it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quillfen::world {

struct EmbeddedFile {
  std::string_view path;  // relative to the report's folder, '/' separated
  std::span<const std::uint8_t> bytes;
};

// Every file of the report's source folder, in the order CMake lists them.
std::span<const EmbeddedFile> report_assets();

}  // namespace quillfen::world
