// The thumbnail store as the decode workers use it: many threads at once, a surface
// decoded again replacing its thumbnail, and thumbnails released once written.
#include "world-audit/report/thumbnail_store.hpp"

#include <gtest/gtest.h>
#include <tbb/parallel_for.h>

namespace quillfen::world {
namespace {

dat::SurfaceImage uniform(std::uint8_t value) {
  dat::SurfaceImage surface;
  surface.image = {8, 8, std::vector<std::uint8_t>(8 * 8 * 4, value)};
  return surface;
}

TEST(ThumbnailStore, KeepsEachSurfacesThumbnailWhenSampledFromManyThreads) {
  constexpr std::size_t kSurfaces = 2000;
  ThumbnailStore store(kSurfaces);
  const OnImage on_image = store.sampler();
  tbb::parallel_for(std::size_t{0}, kSurfaces, [&](std::size_t i) {
    if (i % 7 != 3) on_image(i, uniform(static_cast<std::uint8_t>(i)));  // every seventh fails
  });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < kSurfaces; ++i) {
    const Thumbnail* thumbnail = store.find(i);
    if (i % 7 == 3) {
      EXPECT_EQ(thumbnail, nullptr) << i;
      continue;
    }
    ASSERT_NE(thumbnail, nullptr) << i;
    EXPECT_EQ((*thumbnail)[0], static_cast<std::uint8_t>(i));
    EXPECT_EQ(thumbnail->back(), static_cast<std::uint8_t>(i));
    ++kept;
  }
  EXPECT_EQ(store.size(), kept);
}

TEST(ThumbnailStore, ASurfaceDecodedAgainKeepsItsLastThumbnail) {
  ThumbnailStore store(8);
  store.sample(5, uniform(10));
  store.sample(5, uniform(200));
  ASSERT_NE(store.find(5), nullptr);
  EXPECT_EQ((*store.find(5))[0], 200);
  EXPECT_EQ(store.size(), 1u);
}

TEST(ThumbnailStore, ReleasedThumbnailsAreGoneAndIndicesBeyondTheSlotsAreIgnored) {
  ThumbnailStore store(3);
  store.sample(1, uniform(1));
  store.sample(2, uniform(2));
  store.release(1);
  store.release(0);  // never sampled: nothing to do
  store.release(9);
  store.sample(3, uniform(3));
  EXPECT_EQ(store.find(3), nullptr);
  EXPECT_EQ(store.find(1), nullptr);
  EXPECT_NE(store.find(2), nullptr);
  EXPECT_EQ(store.size(), 1u);
}

}  // namespace
}  // namespace quillfen::world
