// Whole-file writes: create, replace, permission bits, the create and write failures,
// and parent directory creation that never reports its own errors.
#include "surface-classify-audit/file_output.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_dir.hpp"

namespace quillfen::audit {
namespace {

using quillfen::testing::read_file_bytes;
using quillfen::testing::TempDir;
using quillfen::testing::write_file_bytes;

std::vector<std::uint8_t> bytes_of(std::string_view text) { return {text.begin(), text.end()}; }

// Sets the process umask for one test and puts the old one back.
class ScopedUmask {
 public:
  explicit ScopedUmask(::mode_t mask) : old_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(old_); }

 private:
  ::mode_t old_;
};

TEST(WriteWholeFileTest, CreatesFileWithExactBytes) {
  TempDir dir;
  const std::vector<std::uint8_t> bytes = {0, 1, 2, 255, '\n', 0};
  ASSERT_TRUE(write_whole_file(dir / "out.bin", std::span<const std::uint8_t>(bytes)).has_value());
  EXPECT_EQ(read_file_bytes(dir / "out.bin"), bytes);
}

TEST(WriteWholeFileTest, ReplacesLongerFileCompletely) {
  TempDir dir;
  write_file_bytes(dir / "out.json", bytes_of("a much longer previous content"));
  ASSERT_TRUE(write_whole_file(dir / "out.json", std::string_view("{}")).has_value());
  EXPECT_EQ(read_file_bytes(dir / "out.json"), bytes_of("{}"));
}

TEST(WriteWholeFileTest, EmptyContentGivesEmptyFile) {
  TempDir dir;
  write_file_bytes(dir / "out", bytes_of("old"));
  ASSERT_TRUE(write_whole_file(dir / "out", std::string_view()).has_value());
  EXPECT_TRUE(read_file_bytes(dir / "out").empty());
}

TEST(WriteWholeFileTest, LargeContentIsWrittenWhole) {
  TempDir dir;
  std::vector<std::uint8_t> bytes(3 * 1024 * 1024 + 17);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 251);
  ASSERT_TRUE(write_whole_file(dir / "big", std::span<const std::uint8_t>(bytes)).has_value());
  EXPECT_EQ(read_file_bytes(dir / "big"), bytes);
}

TEST(WriteWholeFileTest, PermissionBitsAre0666LessUmask) {
  TempDir dir;
  const ScopedUmask mask(027);
  ASSERT_TRUE(write_whole_file(dir / "perm", std::string_view("x")).has_value());
  struct ::stat info {};
  ASSERT_EQ(::stat((dir / "perm").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

struct CreateFailureCase {
  const char* name;
  const char* relative_path;  // below a fresh directory that holds a regular file "file"
  int expected_errno;
};

class CreateFailureTest : public ::testing::TestWithParam<CreateFailureCase> {};

TEST_P(CreateFailureTest, ReportsSystemError) {
  TempDir dir;
  write_file_bytes(dir / "file", bytes_of("x"));
  std::filesystem::create_directory(dir / "subdir");
  const auto created = OutputFile::create(dir / GetParam().relative_path);
  ASSERT_FALSE(created.has_value());
  EXPECT_EQ(created.error().kind(), common::IoErrorKind::Os);
  EXPECT_EQ(created.error().os_code(), GetParam().expected_errno);
  EXPECT_EQ(created.error(), common::IoError::from_errno(GetParam().expected_errno));

  const auto written = write_whole_file(dir / GetParam().relative_path, std::string_view("x"));
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error().os_code(), GetParam().expected_errno);
}

INSTANTIATE_TEST_SUITE_P(Cases, CreateFailureTest,
                         ::testing::Values(CreateFailureCase{"MissingDirectory", "missing/out.json", ENOENT},
                                           CreateFailureCase{"PathIsDirectory", "subdir", EISDIR},
                                           CreateFailureCase{"ParentIsFile", "file/out.json", ENOTDIR}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(OutputFileTest, WriteFailureIsTheSystemError) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  auto file = OutputFile::create("/dev/full");
  ASSERT_TRUE(file.has_value());
  const auto written = file->write_all(std::string_view("P6\n"));
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error(), common::IoError::from_errno(ENOSPC));
}

TEST(OutputFileTest, PiecesAppendInOrderAndCloseOnce) {
  TempDir dir;
  auto file = OutputFile::create(dir / "pieces");
  ASSERT_TRUE(file.has_value());
  ASSERT_TRUE(file->write_all(std::string_view("ab")).has_value());
  const std::vector<std::uint8_t> tail = {'c', 0, 'd'};
  ASSERT_TRUE(file->write_all(std::span<const std::uint8_t>(tail)).has_value());
  ASSERT_TRUE(file->close().has_value());
  EXPECT_TRUE(file->close().has_value());  // a second close has nothing left to do
  EXPECT_EQ(read_file_bytes(dir / "pieces"), (std::vector<std::uint8_t>{'a', 'b', 'c', 0, 'd'}));

  const auto after_close = file->write_all(std::string_view("e"));
  ASSERT_FALSE(after_close.has_value());
  EXPECT_EQ(after_close.error().os_code(), EBADF);
}

TEST(CreateParentDirectoriesTest, CreatesMissingLevels) {
  TempDir dir;
  const auto path = dir / "a/b/c/out.json";
  create_parent_directories(path);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
  EXPECT_FALSE(std::filesystem::exists(path));
  ASSERT_TRUE(write_whole_file(path, std::string_view("{}")).has_value());
}

TEST(CreateParentDirectoriesTest, ExistingParentAndBareNameAreFine) {
  TempDir dir;
  create_parent_directories(dir / "out.json");
  create_parent_directories("out.json");
  EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

TEST(CreateParentDirectoriesTest, IgnoresErrorsAndLeavesThemToTheWrite) {
  TempDir dir;
  write_file_bytes(dir / "file", bytes_of("x"));
  const auto path = dir / "file/sub/out.json";
  create_parent_directories(path);  // cannot succeed: "file" is no directory
  const auto written = write_whole_file(path, std::string_view("{}"));
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error().os_code(), ENOTDIR);
}

}  // namespace
}  // namespace quillfen::audit
