// Benchmark DATs, generated on first use.
#include "support/bench_dats.hpp"

#include <cstdlib>
#include <limits>
#include <string>

#include <fmt/format.h>

#include "quillfen/dat/write/dat_writer.hpp"

namespace quillfen::bench {

std::filesystem::path bench_data_dir() {
  const char* env = std::getenv("QUILLFEN_BENCH_DIR");
  std::filesystem::path dir = env != nullptr ? std::filesystem::path(env)
                                             : std::filesystem::temp_directory_path() / "quillfen-bench";
  std::filesystem::create_directories(dir);
  return dir;
}

std::filesystem::path directory_dat(std::uint32_t entries, std::uint32_t block_size) {
  const auto path = bench_data_dir() / fmt::format("directory-{}-{}.dat", entries, block_size);
  if (std::filesystem::exists(path)) return path;
  const auto partial = std::filesystem::path(path.string() + ".partial");
  auto writer = dat::write::DatWriter::create(partial, {.block_size = block_size});
  if (!writer) throw std::runtime_error(writer.error().message());
  for (std::uint32_t i = 0; i < entries; ++i) {
    // Ids spread like a cell DAT's: landblock in the high half, cell number in the low.
    const std::uint32_t id = ((i / 64) << 16) | (i % 64 + 1);
    if (auto r = writer->add_file(id, {}); !r) throw std::runtime_error(r.error().message());
  }
  if (auto r = writer->finish(); !r) throw std::runtime_error(r.error().message());
  std::filesystem::rename(partial, path);
  return path;
}

std::expected<dat::DatDatabase, dat::DatError> open_for_repeated_reads(const std::filesystem::path& path) {
  dat::DatOpenOptions options;
  options.work_budget = std::numeric_limits<std::uint64_t>::max();
  return dat::DatDatabase::open(path, options);
}

}  // namespace quillfen::bench
