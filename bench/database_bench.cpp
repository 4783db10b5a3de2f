// Opening a DAT (header, directory walk, index) against a baseline that issues the same
// node reads through the same chain reader and parses nothing; file lookup and LRS.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "support/bench_main.hpp"
#include "quillfen/dat/database.hpp"
#include "quillfen/dat/utils.hpp"
#include "quillfen/dat/write/dat_writer.hpp"
#include "quillfen/dat/write/lrs_compress.hpp"
#include "support/bench_dats.hpp"

namespace quillfen::bench {
namespace {

// The node offsets of a directory, in walk order (found once, outside the timing).
void collect_nodes(const dat::BlockReader& blocks, std::uint32_t offset, std::vector<std::uint32_t>& out) {
  if (offset == 0) return;
  out.push_back(offset);
  std::array<std::uint8_t, dat::kNodeSize> node{};
  if (!blocks.read_chain(offset, node)) return;
  std::array<std::uint32_t, dat::kBranchSlots> branches{};
  std::memcpy(branches.data(), node.data(), sizeof branches);
  std::uint32_t count = 0;
  std::memcpy(&count, node.data() + dat::kBranchSlots * 4, 4);
  if (branches[0] == 0) return;
  for (std::size_t s = 0; s <= count && s < dat::kBranchSlots; ++s) collect_nodes(blocks, branches[s], out);
}

// Opens `path` again and again.
void open_dat(benchmark::State& state, const std::filesystem::path& path) {
  for (auto _ : state) {
    auto db = dat::DatDatabase::open(path);
    if (!db) state.SkipWithError(db.error().message().c_str());
    benchmark::DoNotOptimize(db->files().size());
  }
}

// Opens the file and reads the header and every directory node exactly as open does,
// without parsing entries or building the index.
void read_nodes_only(benchmark::State& state, const std::filesystem::path& path) {
  auto db = dat::DatDatabase::open(path);
  std::vector<std::uint32_t> nodes;
  {
    auto blocks = dat::BlockReader::open(path);
    blocks->set_block_size(db->header().block_size);
    collect_nodes(*blocks, db->header().root_offset, nodes);
  }
  for (auto _ : state) {
    auto blocks = dat::BlockReader::open(path);
    std::array<std::uint8_t, dat::kHeaderSize> header{};
    benchmark::DoNotOptimize(blocks->read_exact_at(dat::kHeaderOffset, header));
    blocks->set_block_size(db->header().block_size);
    std::array<std::uint8_t, dat::kNodeSize> node{};
    for (const std::uint32_t offset : nodes) {
      benchmark::DoNotOptimize(blocks->read_chain(offset, node));
      benchmark::ClobberMemory();
    }
  }
  state.counters["nodes"] = static_cast<double>(nodes.size());
  state.counters["entries"] = static_cast<double>(db->files().size());
}

std::filesystem::path directory_dat_of(const benchmark::State& state) {
  return directory_dat(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
}

void BM_OpenDat(benchmark::State& state) { open_dat(state, directory_dat_of(state)); }
void BM_OpenDatBaselineNodeReads(benchmark::State& state) { read_nodes_only(state, directory_dat_of(state)); }

void directory_args(benchmark::internal::Benchmark* b) {
  for (const int entries : {10'000, 100'000, 1'000'000}) {
    for (const int block_size : {256, 1024}) b->Args({entries, block_size});
  }
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_OpenDat)->Apply(directory_args);
BENCHMARK(BM_OpenDatBaselineNodeReads)->Apply(directory_args);

// A DAT with files of one size, some compressed, for get_file.
std::filesystem::path lookup_dat(std::uint32_t file_size) {
  const auto path = bench_data_dir() / ("lookup-" + std::to_string(file_size) + ".dat");
  if (std::filesystem::exists(path)) return path;
  auto writer = dat::write::DatWriter::create(path, {.block_size = 1024});
  std::mt19937 rng(file_size);
  std::vector<std::uint8_t> data(file_size);
  for (std::uint32_t id = 0; id < 256; ++id) {
    for (auto& b : data) b = static_cast<std::uint8_t>(rng() % 16);
    (void)writer->add_file(id, data, {.compress = id % 2 == 1});
  }
  (void)writer->finish();
  return path;
}

void BM_GetFile(benchmark::State& state) {
  const auto size = static_cast<std::uint32_t>(state.range(0));
  const bool compressed = state.range(1) != 0;
  auto db = open_for_repeated_reads(lookup_dat(size));
  std::uint32_t id = compressed ? 1 : 0;
  for (auto _ : state) {
    auto bytes = db->get_file(id);
    benchmark::DoNotOptimize(bytes->data());
    id = (id + 2) % 256;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}
BENCHMARK(BM_GetFile)->ArgsProduct({{256, 128 * 1024}, {0, 1}})->ArgNames({"size", "compressed"});

void BM_DecompressLrs(benchmark::State& state) {
  std::mt19937 rng(5);
  std::vector<std::uint8_t> data(static_cast<std::size_t>(state.range(0)));
  for (auto& b : data) b = static_cast<std::uint8_t>(rng() % 16);
  const auto stored = dat::write::compress_lrs(data);
  for (auto _ : state) {
    auto out = dat::utils::decompress_lrs(stored);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_DecompressLrs)->Arg(64 * 1024)->Arg(1024 * 1024);

// The full-scale sample world's cell DAT, when scripts/bench.sh has generated it.
void register_full_world() {
  const auto cell = bench_data_dir() / "full-world" / "client_cell_1.dat";
  if (!std::filesystem::exists(cell)) return;
  benchmark::RegisterBenchmark("BM_OpenFullWorldCellDat", [cell](benchmark::State& state) { open_dat(state, cell); })
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_OpenFullWorldCellDatBaselineNodeReads",
                               [cell](benchmark::State& state) { read_nodes_only(state, cell); })
      ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace quillfen::bench

int main(int argc, char** argv) {
  quillfen::bench::register_full_world();
  return quillfen::bench::run_benchmarks(argc, argv);
}
