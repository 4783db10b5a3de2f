// Reading many files at once: get_files gives, file by file, exactly what get_file gives
// (bytes, errors and the budget taken), whether a file's chain lies inside the window read
// for its neighbours or not; and a chain is served from a window only when it lies whole
// and well-formed inside it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/write/lrs_compress.hpp"
#include "support/dat_image.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::dat {
namespace {

using testing::DatImage;
using testing::entry;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kBlock = 64;  // 60 bytes of payload a block
constexpr std::uint32_t kRoot = 1024;
constexpr std::uint32_t kFileLength = 16384;

Bytes pattern(std::size_t size, std::uint8_t seed) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return out;
}

// One chain of each shape a directory may point at, most of them laid out one after
// another from 4096 as a writer would, so that get_files reads them in windows.
struct Layout {
  std::vector<DatFileEntry> entries;
  DatImage image{kBlock};
};

Layout build_layout() {
  Layout layout;
  DatImage& image = layout.image;
  auto& entries = layout.entries;
  const auto put = [&](std::uint32_t id, std::vector<std::uint32_t> blocks, const Bytes& data, std::uint32_t flags = 0) {
    image.put_chain(blocks, data);
    entries.push_back(entry(id, blocks.front(), static_cast<std::uint32_t>(data.size()), flags));
  };
  put(0x01, {4096, 4160}, pattern(100, 1));                         // consecutive
  put(0x02, {4224}, pattern(30, 2));                                 // one block
  put(0x03, {4416, 4352, 4288}, pattern(150, 3));                    // blocks in reverse
  put(0x04, {4480, 4544}, write::compress_lrs(Bytes(300, 0x41)), 1);  // compressed
  entries.push_back(entry(0x05, 4608, 0));                           // empty
  put(0x06, {4608, 12000}, pattern(90, 6));                          // leaves the window
  image.put_u32(4672, 4672);                                         // a loop that repeats its data
  image.put_bytes(4676, Bytes{1, 2, 3, 4});
  entries.push_back(entry(0x07, 4672, 130));
  image.put_chain(std::vector<std::uint32_t>{4736, 4800}, pattern(80, 8));  // runs off the file
  image.put_u32(4800, 0x00100000);
  entries.push_back(entry(0x08, 4736, 200));
  entries.push_back(entry(0x09, 4864, 0x7FFFFFFF));                  // larger than the file
  put(0x0A, {4864}, pattern(200, 10));                               // last block holds it all
  put(0x0B, {3072}, pattern(40, 11));                                // before the window
  put(0x0C, {5120, 5184}, pattern(110, 12));
  image.header.root_offset = kRoot;
  const std::uint32_t root[] = {kRoot};
  image.put_chain(root, testing::node_bytes({}, entries));
  image.reserve_file(kFileLength);
  return layout;
}

DatDatabase open_layout(const Layout& layout, const testing::TempDir& dir, std::uint64_t budget) {
  const auto path = dir / "files.dat";
  layout.image.write(path);
  DatOpenOptions options;
  options.work_budget = budget;
  auto db = DatDatabase::open(path, options);
  EXPECT_TRUE(db) << db.error().message();
  return std::move(*db);
}

std::string describe(const DatDatabase::FileResult& result) {
  if (!result) return "error: " + result.error().message();
  return "bytes: " + std::string(result->begin(), result->end());
}

class GetFilesTest : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(GetFilesTest, GivesWhatGetFileGivesFileByFile) {
  const Layout layout = build_layout();
  testing::TempDir dir;
  const DatDatabase one_by_one = open_layout(layout, dir, GetParam());
  std::vector<std::string> expected;
  for (const DatFileEntry& e : one_by_one.files()) expected.push_back(describe(one_by_one.get_file(e.id)));

  const DatDatabase together = open_layout(layout, dir, GetParam());
  std::vector<std::string> got;
  std::vector<std::uint32_t> order;
  together.get_files(together.files().entries(), [&](const DatFileEntry& e, DatDatabase::FileResult&& result) {
    order.push_back(e.id);
    got.push_back(describe(result));
  });
  EXPECT_EQ(got, expected);
  EXPECT_EQ(order, (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(together.work_budget().spent(), one_by_one.work_budget().spent());
  EXPECT_EQ(together.work_budget().refused(), one_by_one.work_budget().refused());
}

// Budgets that cover every file, and ones that run out part way through.
INSTANTIATE_TEST_SUITE_P(Budgets, GetFilesTest, ::testing::Values(1u << 20, 700u, 400u, 0u));

TEST(ReadChainFromTest, ServesOnlyWholeWellFormedChainsInsideTheWindow) {
  const Layout layout = build_layout();
  testing::TempDir dir;
  const auto path = dir / "files.dat";
  layout.image.write(path);
  auto reader = BlockReader::open(path);
  ASSERT_TRUE(reader);
  reader->set_block_size(kBlock);
  constexpr std::uint64_t kWindowStart = 4096;
  Bytes window(1024);
  ASSERT_TRUE(reader->read_exact_at(kWindowStart, window));

  struct Case {
    std::uint32_t offset;
    std::uint32_t size;
    bool served;
  };
  const Case cases[] = {
      {4096, 100, true},   {4224, 30, true},    {4416, 150, true},  {4864, 200, true},
      {4608, 90, false},   // its second block lies outside
      {4672, 130, true},   // a loop repeats its data, as read_chain does
      {4736, 200, false},  // links past the end of the file
      {3072, 40, false},   // before the window
      {4864, 300, false},  // runs past the window's end
  };
  for (const Case& c : cases) {
    Bytes from_window(c.size);
    const bool served = reader->read_chain_from(window, kWindowStart, c.offset, from_window);
    EXPECT_EQ(served, c.served) << c.offset;
    if (!served) continue;
    Bytes from_file(c.size);
    ASSERT_TRUE(reader->read_chain(c.offset, from_file)) << c.offset;
    EXPECT_EQ(from_window, from_file) << c.offset;
  }
}

}  // namespace
}  // namespace quillfen::dat
