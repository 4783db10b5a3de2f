// DAT files for benchmarks, written once with DatWriter into a cache directory and
// reused by later runs.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>

#include "quillfen/dat/database.hpp"

namespace quillfen::bench {

// The cache directory: $QUILLFEN_BENCH_DIR, or a folder under the system temp directory.
std::filesystem::path bench_data_dir();

// A DAT whose directory lists `entries` empty files with spread-out ids.
std::filesystem::path directory_dat(std::uint32_t entries, std::uint32_t block_size);

// Opens a DAT that a benchmark reads over and over: without a work budget, which one run
// of a tool never spends but thousands of repetitions would, leaving later iterations
// to time refusals.
std::expected<dat::DatDatabase, dat::DatError> open_for_repeated_reads(const std::filesystem::path& path);

}  // namespace quillfen::bench
