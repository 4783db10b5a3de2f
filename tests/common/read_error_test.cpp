// Record read errors: copies are independent, and an error that was moved from stays
// safe to copy, assign and read.
#include "quillfen/common/read_error.hpp"

#include <gtest/gtest.h>

#include <utility>

namespace quillfen::common {
namespace {

ReadError framed_error() {
  ReadError e = ReadError::custom("bad tag", 12);
  e.add_context("tag", "Record");
  return e;
}

TEST(ReadErrorTest, CopyIsIndependentOfItsSource) {
  const ReadError original = framed_error();
  ReadError copy = original;
  copy.add_context("record", "Outer");
  EXPECT_EQ(original.frames().size(), 1u);
  EXPECT_EQ(copy.frames().size(), 2u);
  EXPECT_EQ(copy.cause_message(), "bad tag");
}

// A moved-from error is left empty; copying it (a container of errors being copied after
// one was moved out, say) must not dereference the missing state.
TEST(ReadErrorTest, MovedFromErrorCanBeCopiedAssignedAndRead) {
  ReadError source = framed_error();
  const ReadError taken = std::move(source);
  EXPECT_EQ(taken.message(), "bad tag at byte 12 (While parsing field 'tag' in Record)");

  const ReadError copy = source;  // NOLINT(bugprone-use-after-move): the case under test
  ReadError assigned = ReadError::eof();
  assigned = source;              // NOLINT(bugprone-use-after-move)
  const auto reads_as_empty = [](const ReadError& e) {
    EXPECT_TRUE(e.frames().empty());
    EXPECT_TRUE(e.is_eof());
    EXPECT_EQ(e.message(), "failed to fill whole buffer");
  };
  reads_as_empty(source);  // NOLINT(bugprone-use-after-move)
  reads_as_empty(copy);
  reads_as_empty(assigned);
  ReadError revived = source;  // NOLINT(bugprone-use-after-move)
  revived.add_context("x", "Y");
  EXPECT_EQ(revived.message(), "failed to fill whole buffer (While parsing field 'x' in Y)");

  source = taken;  // a moved-from error takes a new value as usual
  EXPECT_EQ(source.message(), taken.message());
}

}  // namespace
}  // namespace quillfen::common
