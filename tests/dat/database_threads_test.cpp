// A DatDatabase shared by threads: concurrent get_file calls (contiguous and fragmented
// chains, compressed files, missing ids) give every thread exactly what one thread gets.
// Reads are positioned (pread) on an index that never changes after opening, so nothing
// is shared but the file descriptor.
#include "quillfen/dat/database.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <random>
#include <thread>
#include <vector>

#include "quillfen/dat/internal/dat_writer_layout.hpp"
#include "quillfen/dat/write/dat_writer.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::dat {
namespace {

using Bytes = std::vector<std::uint8_t>;

class DatabaseThreadsTest : public ::testing::TestWithParam<bool> {};

TEST_P(DatabaseThreadsTest, ConcurrentGetFileMatchesOneThread) {
  const bool fragmented = GetParam();
  testing::TempDir dir;
  std::mt19937 rng(fragmented ? 11 : 12);
  std::map<std::uint32_t, Bytes> files;
  while (files.size() < 300) {
    Bytes data(rng() % 4 == 0 ? rng() % 20000 : rng() % 600);
    const auto alphabet = 1 + rng() % 40;
    for (auto& b : data) b = static_cast<std::uint8_t>(rng() % alphabet);
    files[static_cast<std::uint32_t>(rng()) | 1u] = std::move(data);  // odd: even ids are missing
  }
  const write::DatWriterOptions options{.block_size = 256};
  auto writer = fragmented ? write::DatWriterInternals::create_with_descending_chains(dir / "shared.dat", options)
                           : write::DatWriter::create(dir / "shared.dat", options);
  ASSERT_TRUE(writer) << writer.error().message();
  for (const auto& [id, data] : files) ASSERT_TRUE(writer->add_file(id, data, {.compress = id % 3 == 0}));
  ASSERT_TRUE(writer->finish());

  const auto db = DatDatabase::open(dir / "shared.dat");
  ASSERT_TRUE(db) << db.error().message();
  std::vector<std::uint32_t> ids;
  for (const auto& [id, data] : files) {
    ids.push_back(id);
    ids.push_back(id + 1);
  }

  constexpr unsigned kThreads = 6;
  constexpr int kRounds = 4;
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      // Each thread walks the ids from its own starting point, so different files are in
      // flight at once.
      for (int round = 0; round < kRounds; ++round) {
        for (std::size_t k = 0; k < ids.size(); ++k) {
          const std::uint32_t id = ids[(k + t * 97 + static_cast<std::size_t>(round) * 13) % ids.size()];
          const auto got = db->get_file(id);
          const auto expected = files.find(id);
          const bool ok = expected == files.end() ? (!got && got.error().get_if<dat_error::NotFound>() != nullptr)
                                                  : (got && *got == expected->second);
          if (!ok) ++mismatches;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, DatabaseThreadsTest, ::testing::Values(false, true),
                         [](const auto& test) { return test.param ? "FragmentedChains" : "ContiguousChains"; });

}  // namespace
}  // namespace quillfen::dat
