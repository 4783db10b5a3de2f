// A DatWriter whose block chains run backwards through the file, so that no link points
// at the block after it: readers must then follow every chain block by block. Only the
// project's tests and fuzz corpora need such files; this header is not installed.
#pragma once

#include <expected>
#include <filesystem>

#include "quillfen/dat/write/dat_writer.hpp"

namespace quillfen::dat::write {

struct DatWriterInternals {
  static std::expected<DatWriter, DatError> create_with_descending_chains(const std::filesystem::path& path,
                                                                          DatWriterOptions options = {});
};

}  // namespace quillfen::dat::write
