// Opening DAT files built by hand: the header, the directory walk and file lookup.
#include "quillfen/dat/database.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "quillfen/dat/write/lrs_compress.hpp"
#include "support/dat_image.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::dat {
namespace {

using testing::DatImage;
using testing::entry;
using testing::node_bytes;
using testing::TempDir;

// Block size large enough that every node fits one block.
constexpr std::uint32_t kBlock = 2048;

std::expected<DatDatabase, DatError> open_image(const DatImage& image) {
  static int serial = 0;
  static TempDir dir;
  const auto path = dir / ("image-" + std::to_string(serial++) + ".dat");
  image.write(path);
  return DatDatabase::open(path);
}

std::vector<std::uint32_t> ids(const DatDatabase& db) {
  std::vector<std::uint32_t> out;
  for (const auto& e : db.files()) out.push_back(e.id);
  return out;
}

void put_node(DatImage& image, std::uint32_t offset, std::vector<std::uint32_t> branches,
              std::vector<DatFileEntry> entries, std::optional<std::uint32_t> count = std::nullopt) {
  const std::uint32_t chain[] = {offset};
  image.put_chain(chain, node_bytes(branches, entries, count));
}

std::string first_frame(const DatError& error) {
  const auto* bin = error.get_if<dat_error::BinRead>();
  if (bin == nullptr || bin->error.frames().empty()) return "";
  return bin->error.frames()[0].text;
}

TEST(DatHeaderTest, AnyMagicAndVersionsOpenWithAnEmptyDirectory) {
  DatImage image(kBlock);
  image.header.magic = 0xDEADBEEF;
  image.header.engine_version = 77;
  image.header.version_string = {'x', 'y'};
  const auto bytes = image.bytes();
  ASSERT_EQ(bytes.size(), 400u);
  auto db = open_image(image);
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->files().size(), 0u);
  EXPECT_EQ(db->header().magic, 0xDEADBEEFu);
  EXPECT_EQ(db->header().version_string[1], 'y');
}

struct ShortHeaderCase {
  std::size_t file_size;
  std::string frame;
};

class ShortHeaderTest : public ::testing::TestWithParam<ShortHeaderCase> {};

TEST_P(ShortHeaderTest, ReportsTheFirstFieldThatFailsToRead) {
  TempDir dir;
  std::vector<std::uint8_t> bytes(GetParam().file_size, 0);
  testing::write_file_bytes(dir / "short.dat", bytes);
  auto db = DatDatabase::open(dir / "short.dat");
  ASSERT_FALSE(db);
  ASSERT_NE(db.error().get_if<dat_error::BinRead>(), nullptr) << db.error().debug();
  EXPECT_EQ(first_frame(db.error()), GetParam().frame);
  EXPECT_EQ(db.error().get_if<dat_error::BinRead>()->error.cause_message(), "failed to fill whole buffer");
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShortHeaderTest,
                         ::testing::Values(ShortHeaderCase{0, "While parsing field 'magic' in DatHeader"},
                                           ShortHeaderCase{320, "While parsing field 'magic' in DatHeader"},
                                           ShortHeaderCase{325, "While parsing field 'block_size' in DatHeader"},
                                           ShortHeaderCase{380, "While parsing field 'version_string' in DatHeader"},
                                           ShortHeaderCase{399, "While parsing field 'version_minor' in DatHeader"}));

TEST(DatDatabaseTest, MissingPathIsAPathError) {
  auto db = DatDatabase::open("/nonexistent/dir/client_portal.dat");
  ASSERT_FALSE(db);
  ASSERT_NE(db.error().get_if<dat_error::PathError>(), nullptr);
  EXPECT_EQ(db.error().message(),
            std::string("Failed to open file at /nonexistent/dir/client_portal.dat: ") + std::strerror(ENOENT));
  EXPECT_EQ(db.error().causes(), std::vector<std::string>{std::strerror(ENOENT)});
}

TEST(DatDatabaseTest, FifoFailsInsteadOfWaitingForAWriter) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe.dat").c_str(), 0600), 0);
  auto db = DatDatabase::open(dir / "pipe.dat");
  ASSERT_FALSE(db);
  EXPECT_NE(db.error().get_if<dat_error::BinRead>(), nullptr) << db.error().debug();
}

TEST(DirectoryTest, LeafRootIgnoresItsLaterBranches) {
  DatImage image(kBlock);
  image.header.root_offset = 2048;
  put_node(image, 2048, {0, 4096}, {entry(1, 0, 0), entry(2, 0, 0)});
  put_node(image, 4096, {}, {entry(9, 0, 0)});
  auto db = open_image(image);
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(ids(*db), (std::vector<std::uint32_t>{1, 2}));
}

TEST(DirectoryTest, VisitsEntryCountPlusOneBranches) {
  DatImage image(kBlock);
  image.header.root_offset = 2048;
  put_node(image, 2048, {4096, 6144, 8192, 10240}, {entry(20, 0, 0), entry(40, 0, 0)});
  put_node(image, 4096, {}, {entry(10, 0, 0)});
  put_node(image, 6144, {}, {entry(30, 0, 0)});
  put_node(image, 8192, {}, {entry(50, 0, 0)});
  put_node(image, 10240, {}, {entry(60, 0, 0)});  // slot 3: beyond count + 1
  auto db = open_image(image);
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(ids(*db), (std::vector<std::uint32_t>{10, 20, 30, 40, 50}));
}

TEST(DirectoryTest, RootWithNoEntriesVisitsOnlyItsFirstBranch) {
  DatImage image(kBlock);
  image.header.root_offset = 2048;
  put_node(image, 2048, {4096, 6144}, {});
  put_node(image, 4096, {}, {entry(5, 0, 0)});
  put_node(image, 6144, {}, {entry(6, 0, 0)});
  auto db = open_image(image);
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(ids(*db), std::vector<std::uint32_t>{5});
}

TEST(DirectoryTest, LaterDuplicatesInPreOrderWin) {
  DatImage image(kBlock);
  image.header.root_offset = 2048;
  // Pre-order: root (7 -> size 1), child A (7 -> size 2, 3), child B (7 -> size 3).
  put_node(image, 2048, {4096, 6144}, {entry(7, 0, 1)});
  put_node(image, 4096, {}, {entry(3, 0, 0), entry(7, 0, 2)});
  put_node(image, 6144, {}, {entry(7, 0, 3), entry(8, 0, 0)});
  auto db = open_image(image);
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(ids(*db), (std::vector<std::uint32_t>{3, 7, 8}));
  EXPECT_EQ(db->files().find(7)->size, 3u);
}

TEST(DirectoryTest, KeysOutOfOrderStillIndexWithTheLastInsertionWinning) {
  DatImage image(kBlock);
  image.header.root_offset = 2048;
  put_node(image, 2048, {}, {entry(9, 0, 1), entry(3, 0, 2), entry(9, 0, 3), entry(1, 0, 4)});
  auto db = open_image(image);
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(ids(*db), (std::vector<std::uint32_t>{1, 3, 9}));
  EXPECT_EQ(db->files().find(9)->size, 3u);
}

TEST(DirectoryTest, MoreThan61EntriesFailsAtTheFirstMissingEntry) {
  DatImage image(kBlock);
  image.header.root_offset = 2048;
  put_node(image, 2048, {}, {entry(1, 0, 0)}, 62);
  auto db = open_image(image);
  ASSERT_FALSE(db);
  EXPECT_EQ(first_frame(db.error()), "While parsing field 'bit_flags' in DatFileEntry");
}

TEST(DirectoryTest, NodePastTheEndOfTheFileIsAnIoError) {
  DatImage image(kBlock);
  image.header.root_offset = 2048;
  image.put_bytes(2048, std::vector<std::uint8_t>(100, 0));
  auto db = open_image(image);
  ASSERT_FALSE(db);
  ASSERT_NE(db.error().get_if<dat_error::Io>(), nullptr) << db.error().debug();
  EXPECT_EQ(db.error().message(), "IO error: failed to fill whole buffer");
}

// A file of one node whose branch points past its end: the node count bound (one node
// here) must not hide the read error of the node that is not there.
TEST(DirectoryTest, BranchPastTheEndOfAOneNodeFileIsAnIoError) {
  DatImage image(kBlock);
  image.header.root_offset = 400;
  put_node(image, 400, {0x00100000}, {});
  ASSERT_LT(image.bytes().size(), 2 * kNodeSize);
  auto db = open_image(image);
  ASSERT_FALSE(db);
  ASSERT_NE(db.error().get_if<dat_error::Io>(), nullptr) << db.error().debug();
  EXPECT_EQ(db.error().message(), "IO error: failed to fill whole buffer");
}

struct LoopCase {
  const char* name;
  std::uint32_t root_branch;
  std::uint32_t child_branch;
};

class DirectoryLoopTest : public ::testing::TestWithParam<LoopCase> {};

TEST_P(DirectoryLoopTest, BranchesThatLoopAreCorruption) {
  DatImage image(kBlock);
  image.header.root_offset = 2048;
  put_node(image, 2048, {GetParam().root_branch}, {});
  put_node(image, 4096, {GetParam().child_branch}, {});
  image.reserve_file(64 * kBlock);
  auto db = open_image(image);
  ASSERT_FALSE(db);
  ASSERT_NE(db.error().get_if<dat_error::Corruption>(), nullptr) << db.error().debug();
}

INSTANTIATE_TEST_SUITE_P(Shapes, DirectoryLoopTest,
                         ::testing::Values(LoopCase{"RootToItself", 2048, 0}, LoopCase{"ChildToRoot", 4096, 2048},
                                           LoopCase{"ChildToItself", 4096, 4096}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(DirectoryTest, TreesDeeperThanTheLimitAreCorruption) {
  for (const std::size_t levels : {kMaxDirectoryDepth + 1, kMaxDirectoryDepth + 2}) {
    DatImage image(kBlock);
    image.header.root_offset = 2048;
    for (std::size_t i = 0; i < levels; ++i) {
      const auto offset = static_cast<std::uint32_t>(2048 * (i + 1));
      const bool last = i + 1 == levels;
      put_node(image, offset, {last ? 0 : offset + 2048}, {entry(static_cast<std::uint32_t>(i + 1), 0, 0)});
    }
    auto db = open_image(image);
    if (levels == kMaxDirectoryDepth + 1) {
      ASSERT_TRUE(db) << db.error().message();
      EXPECT_EQ(db->files().size(), levels);
    } else {
      ASSERT_FALSE(db);
      EXPECT_NE(db.error().get_if<dat_error::Corruption>(), nullptr);
    }
  }
}

// Overlapping nodes are distinct offsets, so only the file length bounds how many a
// directory can name: length / 1716 nodes open, one more is corruption.
TEST(DirectoryTest, NoMoreNodesThanTheFileLengthHolds) {
  constexpr std::uint32_t kNodes = 10;
  for (const std::uint32_t children : {kNodes - 1, kNodes}) {
    DatImage image(kBlock);
    image.header.root_offset = 2048;
    std::vector<std::uint32_t> branches;
    std::vector<DatFileEntry> entries;
    for (std::uint32_t i = 0; i < children; ++i) {
      branches.push_back(8192 + 8 * i);  // empty leaves in zero bytes, 8 bytes apart
      entries.push_back(entry(i + 1, 0, 0));
    }
    put_node(image, 2048, branches, entries);
    image.reserve_file(kNodeSize * kNodes);
    auto db = open_image(image);
    if (children + 1 == kNodes) {
      ASSERT_TRUE(db) << db.error().message();
      EXPECT_EQ(db->files().size(), children);
    } else {
      ASSERT_FALSE(db);
      EXPECT_NE(db.error().get_if<dat_error::Corruption>(), nullptr) << db.error().debug();
    }
  }
}

class FileLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DatImage image(kBlock);
    image.header.root_offset = 2048;
    const std::vector<std::uint8_t> plain = {1, 2, 3, 4, 5};
    const auto packed = write::compress_lrs(std::vector<std::uint8_t>(300, 0x41));
    put_node(image, 2048, {},
             {entry(0x10, 4096, 5), entry(0x11, 6144, static_cast<std::uint32_t>(packed.size()), 1),
              entry(0x12, 0xFFFFFF00, 0, 1), entry(0x13, 4096, 0x7FFFFFFF)});
    const std::uint32_t plain_chain[] = {4096};
    image.put_chain(plain_chain, plain);
    const std::uint32_t packed_chain[] = {6144};
    image.put_chain(packed_chain, packed);
    image.reserve_file(8192);
    db_ = std::make_unique<DatDatabase>(std::move(*open_image(image)));
  }
  std::unique_ptr<DatDatabase> db_;
};

TEST_F(FileLookupTest, ReturnsStoredAndDecompressedBytes) {
  EXPECT_EQ(*db_->get_file(0x10), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(*db_->get_file(0x11), std::vector<std::uint8_t>(300, 0x41));
}

TEST_F(FileLookupTest, EmptyEntryReadsNothingEvenWhenCompressed) {
  const auto bytes = db_->get_file(0x12);
  ASSERT_TRUE(bytes) << bytes.error().message();
  EXPECT_TRUE(bytes->empty());
}

TEST_F(FileLookupTest, AbsentIdIsNotFound) {
  const auto bytes = db_->get_file(0x2F);
  ASSERT_FALSE(bytes);
  EXPECT_EQ(bytes.error().message(), "File ID 0000002F not found in provider");
}

TEST_F(FileLookupTest, SizeBeyondTheFileFailsWithoutAllocatingIt) {
  const auto bytes = db_->get_file(0x13);
  ASSERT_FALSE(bytes);
  EXPECT_EQ(bytes.error().message(), "IO error: failed to fill whole buffer");
}

TEST_F(FileLookupTest, IndexAnswersRanges) {
  const auto range = db_->files().range(0x11, 0x12);
  ASSERT_EQ(range.size(), 2u);
  EXPECT_EQ(range[0].id, 0x11u);
  EXPECT_TRUE(db_->files().range(0x14, 0xFFFFFFFF).empty());
  EXPECT_TRUE(db_->files().range(0x12, 0x11).empty());
}

// ---- the work budget of file lookups ----

// Files that share one chain, as a crafted directory may list them: a stored chain of 100
// bytes under 0x20 and 0x21, and a compressed one under 0x30 and 0x31 whose stream
// declares 300 bytes.
class WorkBudgetLookupTest : public ::testing::Test {
 protected:
  std::expected<DatDatabase, DatError> open_with_budget(std::uint64_t budget) {
    DatImage image(kBlock);
    image.header.root_offset = 2048;
    const auto packed_size = static_cast<std::uint32_t>(packed_.size());
    put_node(image, 2048, {},
             {entry(0x20, 4096, 100), entry(0x21, 4096, 100), entry(0x30, 6144, packed_size, 1),
              entry(0x31, 6144, packed_size, 1)});
    const std::uint32_t plain_chain[] = {4096};
    image.put_chain(plain_chain, std::vector<std::uint8_t>(100, 7));
    const std::uint32_t packed_chain[] = {6144};
    image.put_chain(packed_chain, packed_);
    image.reserve_file(8192);
    static TempDir dir;
    static int serial = 0;
    const auto path = dir / ("budget-" + std::to_string(serial++) + ".dat");
    image.write(path);
    return DatDatabase::open(path, {.work_budget = budget});
  }
  const std::vector<std::uint8_t> packed_ = write::compress_lrs(std::vector<std::uint8_t>(300, 0x42));
};

TEST_F(WorkBudgetLookupTest, ReadsUntilTheBudgetIsUsedUpExactly) {
  auto db = open_with_budget(250);
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_TRUE(db->get_file(0x20));
  EXPECT_TRUE(db->get_file(0x21));
  const auto third = db->get_file(0x20);
  ASSERT_FALSE(third);
  EXPECT_EQ(third.error().message(), "Other error: work budget spent: file 00000020 needs 100 more bytes, 50 of 250 are left");
  EXPECT_EQ(db->work_budget().spent(), 200u);

  auto exact = open_with_budget(200);
  ASSERT_TRUE(exact);
  EXPECT_TRUE(exact->get_file(0x20));
  EXPECT_TRUE(exact->get_file(0x21));
  EXPECT_FALSE(exact->get_file(0x20));
  EXPECT_EQ(exact->work_budget().left(), 0u);
  // Absent ids, empty entries and sizes beyond the file cost nothing and fail as before.
  EXPECT_EQ(exact->get_file(0x99).error().message(), "File ID 00000099 not found in provider");
}

TEST_F(WorkBudgetLookupTest, CompressedFilesAlsoPayForTheirDeclaredOutput) {
  const std::uint64_t one = packed_.size() + 300;
  auto db = open_with_budget(2 * one);
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(*db->get_file(0x30), std::vector<std::uint8_t>(300, 0x42));
  EXPECT_EQ(*db->get_file(0x31), std::vector<std::uint8_t>(300, 0x42));
  EXPECT_EQ(db->work_budget().spent(), 2 * one);
  EXPECT_FALSE(db->get_file(0x30));

  // The stored bytes are read, then the expansion does not fit: the read is spent.
  auto short_of_output = open_with_budget(packed_.size() + 299);
  ASSERT_TRUE(short_of_output);
  const auto refused = short_of_output->get_file(0x30);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().message(),
            "Other error: work budget spent: file 00000030 needs 300 more bytes, 299 of " +
                std::to_string(packed_.size() + 299) + " are left");
}

TEST_F(WorkBudgetLookupTest, DefaultsToAMultipleOfTheFileLength) {
  const auto db = open_with_budget(default_work_budget(8192));
  ASSERT_TRUE(db);
  EXPECT_EQ(db->work_budget().limit(), kMinWorkBudget);
}

}  // namespace
}  // namespace quillfen::dat
