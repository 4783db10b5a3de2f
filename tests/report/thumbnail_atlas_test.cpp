// Packing thumbnails into atlases: where each lands, the border that repeats its edge,
// and the size of a partly filled atlas.
#include "world-audit/report/thumbnail_atlas.hpp"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace quillfen::world {
namespace {

using Colour = std::array<std::uint8_t, 3>;

struct PlaceCase {
  std::size_t n;
  AtlasPlace expected;
};

class Place : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(Place, FillsRowsOfAnAtlasThenTheNextAtlas) { EXPECT_EQ(atlas_place(GetParam().n), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Numbers, Place,
                         ::testing::Values(PlaceCase{0, {0, 0, 0}}, PlaceCase{31, {0, 31, 0}}, PlaceCase{32, {0, 0, 1}},
                                           PlaceCase{1023, {0, 31, 31}}, PlaceCase{1024, {1, 0, 0}},
                                           PlaceCase{1024 * 11 + 70, {11, 6, 2}}));

TEST(Atlas, CountsAndNames) {
  EXPECT_EQ(atlas_count(0), 0u);
  EXPECT_EQ(atlas_count(1), 1u);
  EXPECT_EQ(atlas_count(1024), 1u);
  EXPECT_EQ(atlas_count(1025), 2u);
  EXPECT_EQ(atlas_path(0), "thumbs/atlas-000.png");
  EXPECT_EQ(atlas_path(12), "thumbs/atlas-012.png");
}

// A thumbnail whose every pixel tells where it is and which thumbnail it is.
std::unique_ptr<Thumbnail> marked(std::uint8_t tag) {
  auto thumbnail = std::make_unique<Thumbnail>();
  for (std::uint32_t y = 0; y < kThumbnailEdge; ++y) {
    for (std::uint32_t x = 0; x < kThumbnailEdge; ++x) {
      const std::size_t i = (std::size_t{y} * kThumbnailEdge + x) * 3;
      (*thumbnail)[i] = static_cast<std::uint8_t>(x);
      (*thumbnail)[i + 1] = static_cast<std::uint8_t>(y);
      (*thumbnail)[i + 2] = tag;
    }
  }
  return thumbnail;
}

Colour pixel(const MapImage& image, std::size_t x, std::size_t y) {
  const std::size_t i = (y * image.width + x) * 3;
  return {image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]};
}

constexpr Colour kMargin{kThumbnailMargin.r, kThumbnailMargin.g, kThumbnailMargin.b};

TEST(Atlas, PlacesEachThumbnailInsideItsCellWithItsEdgesRepeated) {
  std::vector<std::unique_ptr<Thumbnail>> owned;
  std::vector<const Thumbnail*> thumbnails;
  for (std::uint8_t tag = 0; tag < 34; ++tag) {
    owned.push_back(marked(tag));
    thumbnails.push_back(owned.back().get());
  }
  thumbnails[1] = nullptr;  // a surface without a thumbnail

  const MapImage atlas = draw_atlas(thumbnails, 0);
  ASSERT_EQ(atlas.width, kAtlasColumns * kAtlasCell);
  ASSERT_EQ(atlas.height, 2 * kAtlasCell);  // 34 thumbnails need two rows
  ASSERT_EQ(atlas.rgb.size(), std::size_t{atlas.width} * atlas.height * 3);

  // Thumbnail 33 sits in column 1 of row 1.
  const std::size_t x0 = kAtlasCell;
  const std::size_t y0 = kAtlasCell;
  const auto last = static_cast<std::uint8_t>(kThumbnailEdge - 1);
  for (std::uint8_t y = 0; y < kThumbnailEdge; ++y) {
    for (std::uint8_t x = 0; x < kThumbnailEdge; ++x) {
      ASSERT_EQ(pixel(atlas, x0 + 1 + x, y0 + 1 + y), (Colour{x, y, 33}));
    }
    EXPECT_EQ(pixel(atlas, x0, y0 + 1 + y), (Colour{0, y, 33}));
    EXPECT_EQ(pixel(atlas, x0 + kAtlasCell - 1, y0 + 1 + y), (Colour{last, y, 33}));
  }
  EXPECT_EQ(pixel(atlas, x0, y0), (Colour{0, 0, 33}));
  EXPECT_EQ(pixel(atlas, x0 + kAtlasCell - 1, y0 + kAtlasCell - 1), (Colour{last, last, 33}));
  EXPECT_EQ(pixel(atlas, x0 + 5, y0 + kAtlasCell - 1), (Colour{4, last, 33}));

  EXPECT_EQ(pixel(atlas, 0, 0), (Colour{0, 0, 0}));                    // thumbnail 0
  EXPECT_EQ(pixel(atlas, kAtlasCell + 10, 10), kMargin);                // the missing one
  EXPECT_EQ(pixel(atlas, 2 * kAtlasCell + 10, kAtlasCell + 10), kMargin);  // no thumbnail there
}

TEST(Atlas, TheLastAtlasHasOnlyTheRowsItNeeds) {
  const auto one = marked(7);
  std::vector<const Thumbnail*> thumbnails(kThumbnailsPerAtlas + 1, one.get());
  EXPECT_EQ(draw_atlas(thumbnails, 0).height, kAtlasRows * kAtlasCell);
  const MapImage second = draw_atlas(thumbnails, 1);
  EXPECT_EQ(second.height, kAtlasCell);
  EXPECT_EQ(pixel(second, 1, 1), (Colour{0, 0, 7}));
  EXPECT_EQ(pixel(second, kAtlasCell + 1, 1), kMargin);
}

}  // namespace
}  // namespace quillfen::world
