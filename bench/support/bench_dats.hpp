// DAT files for benchmarks, written once with DatWriter into a cache directory and
// reused by later runs.
#pragma once

#include <cstdint>
#include <filesystem>

namespace quillfen::bench {

// The cache directory: $QUILLFEN_BENCH_DIR, or a folder under the system temp directory.
std::filesystem::path bench_data_dir();

// A DAT whose directory lists `entries` empty files with spread-out ids.
std::filesystem::path directory_dat(std::uint32_t entries, std::uint32_t block_size);

}  // namespace quillfen::bench
