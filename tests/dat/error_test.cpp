// DatError: display texts, debug forms and cause chains of every kind.
#include "quillfen/dat/error.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace quillfen::dat {
namespace {

struct ErrorCase {
  const char* name;
  DatError error;
  std::string message;
  std::string debug;
};

class DatErrorTextTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(DatErrorTextTest, DisplaysAndDebugs) {
  EXPECT_EQ(GetParam().error.message(), GetParam().message);
  EXPECT_EQ(GetParam().error.debug(), GetParam().debug);
}

const std::string kNoEntry = std::strerror(ENOENT);

INSTANTIATE_TEST_SUITE_P(
    Kinds, DatErrorTextTest,
    ::testing::Values(
        ErrorCase{"Io", IoError::unexpected_eof(), "IO error: failed to fill whole buffer",
                  "Io(\"failed to fill whole buffer\")"},
        ErrorCase{"BinRead", ReadError::eof(), "Binary read error: failed to fill whole buffer",
                  "BinRead(\"failed to fill whole buffer\")"},
        ErrorCase{"NotFound", dat_error::NotFound{0x2F}, "File ID 0000002F not found in provider", "NotFound(0x0000002F)"},
        ErrorCase{"DuplicateId", dat_error::DuplicateId{0xABCDEF01}, "Duplicate File ID ABCDEF01 detected",
                  "DuplicateId(0xABCDEF01)"},
        ErrorCase{"Corruption", dat_error::Corruption{"loop"}, "Corruption detected: loop", "Corruption(\"loop\")"},
        ErrorCase{"DecompressionFailed", dat_error::DecompressionFailed{0x0800012C},
                  "Failed to recover compressed file 0800012C", "DecompressionFailed(0x0800012C)"},
        ErrorCase{"PathError", dat_error::PathError{"/no/such.dat", IoError::from_errno(ENOENT)},
                  "Failed to open file at /no/such.dat: " + kNoEntry,
                  "PathError { path: \"/no/such.dat\", source: \"" + kNoEntry + "\" }"},
        ErrorCase{"Other", dat_error::Other{"odd"}, "Other error: odd", "Other(\"odd\")"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(DatErrorTest, OnlyIoBinReadAndPathErrorHaveCauses) {
  EXPECT_EQ(DatError(IoError::from_errno(EIO)).causes(), std::vector<std::string>{std::strerror(EIO)});
  EXPECT_EQ(DatError(dat_error::PathError{"p", IoError::from_errno(ENOENT)}).causes(),
            std::vector<std::string>{kNoEntry});
  EXPECT_TRUE(DatError(dat_error::NotFound{1}).causes().empty());
  EXPECT_TRUE(DatError(dat_error::Corruption{"c"}).causes().empty());
}

TEST(DatErrorTest, BinReadCausesEndWithTheInnermostCause) {
  ReadError e = ReadError::eof();
  e.add_context("magic", "DatHeader");
  EXPECT_EQ(DatError(e).causes(),
            (std::vector<std::string>{"failed to fill whole buffer (While parsing field 'magic' in DatHeader)",
                                      "failed to fill whole buffer"}));
  EXPECT_EQ(DatError(ReadError::eof()).causes(), std::vector<std::string>{"failed to fill whole buffer"});
}

}  // namespace
}  // namespace quillfen::dat
