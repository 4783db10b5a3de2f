// Block chains: the same data split across blocks at every position, chains that end
// early, chains that go on, loop or run off the file.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "support/dat_image.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::dat {
namespace {

using testing::DatImage;
using Bytes = std::vector<std::uint8_t>;

Bytes pattern(std::size_t size) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return out;
}

DatDatabase open_image(const DatImage& image) {
  static int serial = 0;
  static testing::TempDir dir;
  const auto path = dir / ("chain-" + std::to_string(serial++) + ".dat");
  image.write(path);
  auto db = DatDatabase::open(path);
  EXPECT_TRUE(db) << db.error().message();
  return std::move(*db);
}

enum class Layout { Consecutive, Reversed, Scattered };

struct SplitCase {
  std::uint32_t block_size;
  Layout layout;
};

class ChainSplitTest : public ::testing::TestWithParam<SplitCase> {};

// Every size from 1 to three blocks and a bit, so the data ends at every position of a block.
TEST_P(ChainSplitTest, ReassemblesTheDataWhateverTheSplit) {
  const auto [block, layout] = GetParam();
  const std::uint32_t payload = block - 4;
  for (std::uint32_t size = 1; size <= 3 * payload + 2; ++size) {
    DatImage image(block);
    const std::uint32_t count = (size + payload - 1) / payload;
    std::vector<std::uint32_t> blocks(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t slot = layout == Layout::Consecutive ? i
                                 : layout == Layout::Reversed  ? count - 1 - i
                                                               : (i * 5) % 11 + 2 * (i / 11) * 11;
      blocks[i] = 4096 + slot * block;
    }
    const Bytes data = pattern(size);
    image.put_chain(blocks, data);
    image.reserve_file(4096 + 64 * block);
    const DatDatabase db = open_image(image);
    const auto read = db.read_file_data(blocks[0], size);
    ASSERT_TRUE(read) << "size " << size << ": " << read.error().message();
    ASSERT_EQ(*read, data) << "size " << size;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ChainSplitTest,
                         ::testing::Values(SplitCase{5, Layout::Consecutive}, SplitCase{8, Layout::Reversed},
                                           SplitCase{16, Layout::Consecutive}, SplitCase{16, Layout::Scattered},
                                           SplitCase{64, Layout::Reversed}, SplitCase{256, Layout::Consecutive}));

TEST(BlockChainTest, SizeZeroReadsNothing) {
  DatImage image(1024);
  const DatDatabase db = open_image(image);
  const auto read = db.read_file_data(0xFFFFFFF0, 0);
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->empty());
}

TEST(BlockChainTest, SecondBlockGivesTheRestWhetherOrNotItLinksOn) {
  for (const std::uint32_t second_link : {0u, 0x7FFFFFF0u}) {
    DatImage image(1024);
    const Bytes data = pattern(2000);
    const std::uint32_t blocks[] = {1024, 3072};
    image.put_chain(blocks, data);
    image.put_u32(3072, second_link);  // a chain that goes on is not followed
    const DatDatabase db = open_image(image);
    EXPECT_EQ(*db.read_file_data(1024, 2000), data) << second_link;
  }
}

TEST(BlockChainTest, LastBlockSuppliesEverythingContiguously) {
  DatImage image(64);
  const Bytes data = pattern(500);
  const std::uint32_t blocks[] = {1024};
  image.put_chain(blocks, data);  // link 0, then 500 bytes straight through later "blocks"
  const DatDatabase db = open_image(image);
  EXPECT_EQ(*db.read_file_data(1024, 500), data);
}

TEST(BlockChainTest, ChainEndingEarlyInsideAConsecutiveRunReadsOnContiguously) {
  DatImage image(16);
  const Bytes data = pattern(100);
  // Three linked blocks, then the third is the last and holds 76 bytes straight on.
  const std::uint32_t blocks[] = {1024, 1040, 1056};
  image.put_chain(blocks, data);
  image.reserve_file(4096);
  const DatDatabase db = open_image(image);
  EXPECT_EQ(*db.read_file_data(1024, 100), data);
}

TEST(BlockChainTest, ChainRunningOffTheFileIsAnIoError) {
  DatImage image(64);
  const std::uint32_t blocks[] = {1024, 1088};
  image.put_chain(blocks, pattern(80));
  image.put_u32(1088, 0x00100000);  // links far past the end
  const DatDatabase db = open_image(image);
  const auto read = db.read_file_data(1024, 200);
  ASSERT_FALSE(read);
  EXPECT_EQ(read.error().message(), "IO error: failed to fill whole buffer");
}

TEST(BlockChainTest, LoopWithDataRepeatsItUntilTheSizeIsIn) {
  DatImage image(8);
  image.put_u32(1024, 1024);  // links to itself
  image.put_bytes(1028, Bytes{1, 2, 3, 4});
  image.reserve_file(2048);
  const DatDatabase db = open_image(image);
  EXPECT_EQ(*db.read_file_data(1024, 12), (Bytes{1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}));
}

TEST(BlockChainTest, LoopThatCarriesNoDataIsCutOff) {
  DatImage image(4);  // blocks with a link and no payload
  image.put_u32(1024, 1028);
  image.put_u32(1028, 1024);
  image.reserve_file(4096);
  const DatDatabase db = open_image(image);
  const auto read = db.read_file_data(1024, 16);
  ASSERT_FALSE(read);
  EXPECT_NE(read.error().get_if<dat_error::Corruption>(), nullptr) << read.error().debug();
}

// With 4-byte blocks only a last block (link 0) can carry data, contiguously. A chain
// that links on from such a block cannot carry anything: it fails at its first block, not
// after walking as many blocks as the file holds.
TEST(BlockChainTest, BlocksWithoutPayloadMustEndTheChainAtOnce) {
  constexpr std::uint32_t kFirst = 1024;
  DatImage image(4);
  image.put_u32(kFirst, 0);
  image.put_bytes(kFirst + 4, Bytes{9, 8, 7, 6, 5});
  image.put_u32(2048, 2052);  // a chain that links on, and on, to the end of the file
  for (std::uint32_t block = 2052; block + 4 < 1u << 16; block += 4) image.put_u32(block, block + 4);
  const DatDatabase db = open_image(image);
  EXPECT_EQ(*db.read_file_data(kFirst, 5), (Bytes{9, 8, 7, 6, 5}));
  const auto read = db.read_file_data(2048, 4);
  ASSERT_FALSE(read);
  EXPECT_EQ(read.error().message(),
            "Corruption detected: block chain through 0x00000800 links on from block 0x00000800, but blocks of 4 "
            "bytes carry no payload");
}

}  // namespace
}  // namespace quillfen::dat
