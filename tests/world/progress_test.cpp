// The live progress line's text: counts, the rate of the phase under way, and the time
// spent and left.
#include "world-audit/progress.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace quillfen::world {
namespace {

using Seconds = std::chrono::duration<double>;

TEST(ProgressTextTest, DiscoveryRatesLandblocks) {
  EXPECT_EQ(progress_text(1200, 22500, 0, 0, Seconds(3.5), Seconds(3.0)),
            "  landblocks 1200/22500  surfaces 0/0  400/s  elapsed 0:03  left 0:53");
}

TEST(ProgressTextTest, DecodingRatesSurfacesFromTheStartOfItsPhase) {
  EXPECT_EQ(progress_text(22500, 22500, 3000, 12000, Seconds(65.0), Seconds(2.0)),
            "  landblocks 22500/22500  surfaces 3000/12000  1500/s  elapsed 1:05  left 0:06");
}

TEST(ProgressTextTest, NothingDoneYetLeavesTheTimeLeftOpen) {
  EXPECT_EQ(progress_text(0, 65536, 0, 0, Seconds(0.0), Seconds(0.0)),
            "  landblocks 0/65536  surfaces 0/0  0/s  elapsed 0:00  left ?");
}

TEST(ProgressTextTest, LongRunsShowHours) {
  EXPECT_EQ(progress_text(10, 100, 0, 0, Seconds(3725.0), Seconds(3725.0)),
            "  landblocks 10/100  surfaces 0/0  0/s  elapsed 1:02:05  left 9:18:45");
}

// The line is redrawn while the phase runs, and once it is over it is cleared and the
// drawing stops at once.
TEST(ProgressLineTest, RedrawsInPlaceAndStopsWhenThePhaseEnds) {
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  ASSERT_NE(out, nullptr);
  AuditCounters counters;
  counters.landblocks_total = 10;
  counters.landblocks_done = 4;
  const auto start = std::chrono::steady_clock::now();
  {
    const ProgressLine line(out, counters, true, start, std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  std::fclose(out);
  const std::string drawn(text, size);
  std::free(text);
  EXPECT_TRUE(drawn.starts_with("\r  landblocks 4/10  surfaces 0/0")) << drawn;
  EXPECT_TRUE(drawn.ends_with("\x1b[K\r\x1b[K")) << drawn;
}

TEST(ProgressLineTest, DrawsNothingWhenDisabled) {
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  AuditCounters counters;
  { const ProgressLine line(out, counters, false, std::chrono::steady_clock::now(), std::chrono::milliseconds(1)); }
  std::fclose(out);
  EXPECT_EQ(size, 0u);
  std::free(text);
}

}  // namespace
}  // namespace quillfen::world
