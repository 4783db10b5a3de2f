// DatWriter: files written with it read back through DatDatabase exactly, over block
// sizes, compression, chain layouts and directory sizes.
#include "quillfen/dat/write/dat_writer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "quillfen/dat/internal/dat_writer_layout.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::dat::write {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct RoundTripCase {
  std::uint32_t block_size;
  std::size_t files;
  bool reverse_chains;
};

class DatWriterRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(DatWriterRoundTripTest, EveryFileReadsBackExactly) {
  const auto [block_size, file_count, reverse] = GetParam();
  testing::TempDir dir;
  std::mt19937 rng(block_size * 31 + static_cast<unsigned>(file_count));
  std::map<std::uint32_t, Bytes> files;
  while (files.size() < file_count) {
    const std::size_t size = rng() % 8 == 0 ? rng() % 9000 : rng() % 300;
    Bytes data(size);
    const auto alphabet = 1 + rng() % 255;
    for (auto& b : data) b = static_cast<std::uint8_t>(rng() % alphabet);
    files[static_cast<std::uint32_t>(rng())] = std::move(data);
  }

  DatWriterOptions options;
  options.block_size = block_size;
  options.header.magic = 0x5442;
  auto writer = reverse ? DatWriterInternals::create_with_descending_chains(dir / "round.dat", options)
                        : DatWriter::create(dir / "round.dat", options);
  ASSERT_TRUE(writer) << writer.error().message();
  for (const auto& [id, data] : files) {
    ASSERT_TRUE(writer->add_file(id, data, {.compress = id % 3 == 0, .timestamp = id, .version = 2}));
  }
  ASSERT_TRUE(writer->finish());

  auto db = DatDatabase::open(dir / "round.dat");
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->header().magic, 0x5442u);
  EXPECT_EQ(db->header().block_size, block_size);
  EXPECT_EQ(db->header().file_size, std::filesystem::file_size(dir / "round.dat"));
  ASSERT_EQ(db->files().size(), files.size());
  for (const auto& [id, data] : files) {
    const auto* entry = db->files().find(id);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->is_compressed(), id % 3 == 0);
    EXPECT_EQ(entry->timestamp, id);
    const auto read = db->get_file(id);
    ASSERT_TRUE(read) << std::hex << id << ": " << read.error().message();
    ASSERT_EQ(*read, data) << std::hex << id;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, DatWriterRoundTripTest,
                         ::testing::Values(RoundTripCase{64, 1500, false}, RoundTripCase{256, 3000, false},
                                           RoundTripCase{256, 1000, true}, RoundTripCase{1024, 4000, false},
                                           RoundTripCase{4096, 500, true}, RoundTripCase{5, 40, false},
                                           RoundTripCase{1024, 0, false}, RoundTripCase{1024, 61, false},
                                           RoundTripCase{1024, 62, false}));

// Reads a node's first branch slot straight from the file.
std::uint32_t first_branch(const DatDatabase& db, std::uint32_t node) {
  const Bytes slot = db.read_file_data(node, 4).value();
  Reader reader(slot);
  return reader.read_u32_le().value();
}

TEST(DatWriterTest, LargeDirectoriesAreBalancedTreesOfSeveralLevels) {
  testing::TempDir dir;
  auto writer = DatWriter::create(dir / "deep.dat", {.block_size = 256});
  ASSERT_TRUE(writer);
  const Bytes one = {1};
  for (std::uint32_t id = 0; id < 20000; ++id) ASSERT_TRUE(writer->add_file(id * 3 + 1, one));
  ASSERT_TRUE(writer->finish());
  auto db = DatDatabase::open(dir / "deep.dat");
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->files().size(), 20000u);
  // 20000 entries need three levels: every path from the root reaches a leaf at depth 2.
  std::uint32_t node = db->header().root_offset;
  int depth = 0;
  while ((node = first_branch(*db, node)) != 0) ++depth;
  EXPECT_EQ(depth, 2);
}

TEST(DatWriterTest, DuplicateIdsAreRejected) {
  testing::TempDir dir;
  auto writer = DatWriter::create(dir / "dup.dat");
  ASSERT_TRUE(writer);
  const Bytes data = {1, 2};
  ASSERT_TRUE(writer->add_file(0x0800002A, data));
  ASSERT_TRUE(writer->add_file(0x0800002A, data));
  const auto done = writer->finish();
  ASSERT_FALSE(done);
  EXPECT_EQ(done.error().message(), "Duplicate File ID 0800002A detected");
}

TEST(DatWriterTest, BlockSizesWithoutRoomForDataAreRejected) {
  testing::TempDir dir;
  EXPECT_FALSE(DatWriter::create(dir / "tiny.dat", {.block_size = 4}));
}

}  // namespace
}  // namespace quillfen::dat::write
