// Whole-file writes: create, replace, permission bits, the create and write failures,
// outputs that replace their path only when complete (also when a signal or a file size
// limit ends them), outputs that never wait, and parent directory creation that never
// reports its own errors.
#include "surface-classify-audit/file_output.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
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

// ---- outputs that replace their path only when complete ----

std::string text_of(const std::filesystem::path& path) {
  const auto bytes = read_file_bytes(path);
  return {bytes.begin(), bytes.end()};
}

// The names in `dir`, to show that no temporary file is left behind.
std::vector<std::string> names_in(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename());
  std::ranges::sort(names);
  return names;
}

TEST(ReplacingFileTest, PathHoldsThePreviousFileUntilCommit) {
  TempDir dir;
  write_file_bytes(dir / "out.json", bytes_of("previous"));
  auto file = ReplacingFile::create(dir / "out.json");
  ASSERT_TRUE(file.has_value());
  ASSERT_TRUE(file->write_all(std::string_view("new and longer")).has_value());
  EXPECT_EQ(text_of(dir / "out.json"), "previous");
  ASSERT_TRUE(file->commit().has_value());
  EXPECT_EQ(text_of(dir / "out.json"), "new and longer");
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"out.json"});
}

TEST(ReplacingFileTest, DroppedUncommittedLeavesThePreviousFileAndNothingElse) {
  TempDir dir;
  write_file_bytes(dir / "out.json", bytes_of("previous"));
  {
    auto file = ReplacingFile::create(dir / "out.json");
    ASSERT_TRUE(file.has_value());
    ASSERT_TRUE(file->write_all(std::string_view("half")).has_value());
    EXPECT_EQ(names_in(dir).size(), 2u);  // the temporary file lies beside it meanwhile
  }
  EXPECT_EQ(text_of(dir / "out.json"), "previous");
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"out.json"});

  {
    auto never_written = ReplacingFile::create(dir / "new.json");
    ASSERT_TRUE(never_written.has_value());
  }
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"out.json"});
}

TEST(ReplacingFileTest, ReplacedFileKeepsItsPermissionBits) {
  TempDir dir;
  const ScopedUmask mask(022);
  write_file_bytes(dir / "out.json", bytes_of("previous"));
  std::filesystem::permissions(dir / "out.json", std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_TRUE(write_whole_file(dir / "out.json", std::string_view("{}")).has_value());
  struct ::stat info {};
  ASSERT_EQ(::stat((dir / "out.json").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(ReplacingFileTest, SymbolicLinkKeepsPointingAtTheReplacedFile) {
  TempDir dir;
  std::filesystem::create_directory(dir / "real");
  write_file_bytes(dir / "real" / "out.json", bytes_of("previous"));
  std::filesystem::create_symlink(dir / "real" / "out.json", dir / "link.json");
  ASSERT_TRUE(write_whole_file(dir / "link.json", std::string_view("{}")).has_value());
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.json"));
  EXPECT_EQ(text_of(dir / "real" / "out.json"), "{}");
}

TEST(ReplacingFileTest, FileThatCannotBeWrittenIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not bind the superuser";
  TempDir dir;
  write_file_bytes(dir / "out.json", bytes_of("kept"));
  std::filesystem::permissions(dir / "out.json", std::filesystem::perms::owner_read);
  const auto written = write_whole_file(dir / "out.json", std::string_view("{}"));
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error().os_code(), EACCES);
  EXPECT_EQ(text_of(dir / "out.json"), "kept");
}

TEST(ReplacingFileTest, DirectoryThatTakesNoNewFilesIsWrittenInPlace) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not bind the superuser";
  TempDir dir;
  std::filesystem::create_directory(dir / "locked");
  write_file_bytes(dir / "locked" / "out.json", bytes_of("previous"));
  std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const auto written = write_whole_file(dir / "locked" / "out.json", std::string_view("{}"));
  std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_all);
  ASSERT_TRUE(written.has_value()) << written.error().message();
  EXPECT_EQ(text_of(dir / "locked" / "out.json"), "{}");
}

// Outputs written at once from several threads, more than one block of the signal
// handler's table: each is recorded until it is in place, and then forgotten.
TEST(ReplacingFileTest, ManyOutputsAtOnceFromSeveralThreads) {
  TempDir dir;
  constexpr int kThreads = 4;
  constexpr int kPerThread = 50;
  std::vector<std::vector<ReplacingFile>> open(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        auto file = ReplacingFile::create(dir / fmt::format("out-{}-{}", t, i));
        if (file && file->write_all(std::string_view("x"))) open[static_cast<std::size_t>(t)].push_back(std::move(*file));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::size_t opened = 0;
  for (const auto& files : open) opened += files.size();
  ASSERT_EQ(opened, std::size_t{kThreads * kPerThread});
  EXPECT_EQ(pending_output_count(), opened);
  for (auto& files : open) {
    for (auto& file : files) ASSERT_TRUE(file.commit().has_value());
  }
  EXPECT_EQ(pending_output_count(), 0u);
  EXPECT_EQ(names_in(dir).size(), opened);
}

// A FIFO is written in place; without a reader its open fails at once instead of waiting.
TEST(ReplacingFileTest, FifoIsWrittenInPlaceAndNeverWaitedFor) {
  TempDir dir;
  const auto fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  const auto no_reader = write_whole_file(fifo, std::string_view("{}"));
  ASSERT_FALSE(no_reader.has_value());
  EXPECT_EQ(no_reader.error().os_code(), ENXIO);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // Held open for reading (and writing, so that the open does not wait either).
  const int reader = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(write_whole_file(fifo, std::string_view("{\"a\": 1}")).has_value());
  char buffer[64] = {};
  const ssize_t got = ::read(reader, buffer, sizeof buffer);
  ::close(reader);
  EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "{\"a\": 1}");
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"fifo"});
}

// Runs `body` in a child process and returns how it ended: its exit code, or 128 plus the
// signal that ended it.
int in_child(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class InterruptedOutput : public ::testing::TestWithParam<int> {};

// A signal that ends the process mid-write removes the temporary file and still ends the
// process as that signal does.
TEST_P(InterruptedOutput, LeavesThePreviousFileAndNoTemporary) {
  TempDir dir;
  write_file_bytes(dir / "sheet.ppm", bytes_of("previous"));
  const int signal_number = GetParam();
  const int status = in_child([&] {
    auto file = ReplacingFile::create(dir / "sheet.ppm");
    if (!file || !file->write_all(std::string_view("P6\n64 64\n255\n"))) return 2;
    // Other outputs under way too, more than one block of the table holds.
    std::vector<ReplacingFile> others;
    for (int i = 0; i < 100; ++i) {
      auto other = ReplacingFile::create(dir / fmt::format("new-{}", i));
      if (!other) return 2;
      others.push_back(std::move(*other));
    }
    ::raise(signal_number);
    return 3;  // not reached: the signal ends the process
  });
  EXPECT_EQ(status, 128 + signal_number);
  EXPECT_EQ(text_of(dir / "sheet.ppm"), "previous");
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"sheet.ppm"});
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedOutput, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

// A file size limit (as a full disk would) fails the write with EFBIG instead of ending
// the process with SIGXFSZ, and the previous file stays.
TEST(ReplacingFileTest, FileSizeLimitIsAWriteErrorNotASignal) {
  TempDir dir;
  write_file_bytes(dir / "out.json", bytes_of("previous"));
  const int status = in_child([&] {
    const rlimit limit{1000, 1000};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    const std::string big(5000, 'x');
    const auto written = write_whole_file(dir / "out.json", std::string_view(big));
    return !written && written.error().os_code() == EFBIG ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(text_of(dir / "out.json"), "previous");
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"out.json"});
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
