// Opens a DAT file made of arbitrary bytes and fetches every file its directory lists:
// the header, the directory walk, block chains and LRS decompression on hostile input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/utils.hpp"
#include "support/memory_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static quillfen::fuzz::MemoryFile file;
  file.assign(std::span(data, size));
  const auto db = quillfen::dat::DatDatabase::open(file.path());
  if (!db) return 0;
  for (const auto& entry : db->files()) {
    const auto bytes = db->get_file(entry.id);
    if (!bytes) continue;
    // A stored file is exactly its entry's size; an expanded one never passes the bound.
    const std::uint64_t limit =
        entry.is_compressed() ? quillfen::dat::utils::lrs_output_bound(entry.size) : entry.size;
    if (bytes->size() > limit) std::abort();
  }
  return 0;
}
