// DatSink: what it counts, and the messages of the writer's and the records' failures.
#include "sample-world/dat_sink.hpp"

#include <gtest/gtest.h>

#include "quillfen/dat/file_type/env_cell.hpp"

#include "support/temp_dir.hpp"

namespace quillfen::sample {
namespace {

TEST(DatSinkTest, CountsFilesCompressionAndBytes) {
  const quillfen::testing::TempDir dir;
  auto sink = DatSink::create(dir / "a.dat", 256);
  ASSERT_TRUE(sink);
  const std::vector<std::uint8_t> data(1000, 7);
  ASSERT_TRUE(sink->add(1, data));
  ASSERT_TRUE(sink->add(2, data, true));
  ASSERT_TRUE(sink->finish());
  EXPECT_EQ(sink->file_count(), 2u);
  EXPECT_EQ(sink->compressed_files(), 1u);
  EXPECT_EQ(sink->content_bytes(), 2000u);
  EXPECT_EQ(sink->path(), dir / "a.dat");
}

TEST(DatSinkTest, FailuresNameTheFile) {
  const quillfen::testing::TempDir dir;
  const auto missing = DatSink::create(dir / "no" / "a.dat", 256);
  ASSERT_FALSE(missing);
  EXPECT_TRUE(missing.error().starts_with("Failed to open file at ")) << missing.error();

  auto sink = DatSink::create(dir / "a.dat", 256);
  ASSERT_TRUE(sink);
  const std::vector<std::uint8_t> data = {1, 2, 3};
  ASSERT_TRUE(sink->add(5, data));
  ASSERT_TRUE(sink->add(5, data));
  const Status finished = sink->finish();
  ASSERT_FALSE(finished);
  EXPECT_EQ(finished.error(), "finish " + (dir / "a.dat").string() + ": Duplicate File ID 00000005 detected");
}

// A record its layout cannot hold is an error, and nothing is stored for it.
TEST(DatSinkTest, RecordsThatCannotBePackedAreErrors) {
  const quillfen::testing::TempDir dir;
  auto sink = DatSink::create(dir / "a.dat", 256);
  ASSERT_TRUE(sink);
  dat::file_type::env_cell::EnvCell cell;
  cell.surfaces.assign(256, 1);
  const Status added = sink->add_record(0xA9B40100, cell);
  ASSERT_FALSE(added);
  EXPECT_EQ(added.error(), "pack file 0xA9B40100 for " + (dir / "a.dat").string() +
                               ": EnvCell: surfaces holds 256 entries, more than its count field can hold (255)");
  EXPECT_EQ(sink->file_count(), 0u);
}

}  // namespace
}  // namespace quillfen::sample
