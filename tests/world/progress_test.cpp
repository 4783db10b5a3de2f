// The live progress line's text: counts, the rate of the phase under way, and the time
// spent and left.
#include "world-audit/progress.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quillfen::world
