// Texture encoders, each taken back through the Texture and Palette records and
// to_rgba8: the lossless formats exactly, the lossy ones within a small mean error, the
// stored byte orders, and the images and formats that cannot be encoded.
#include "quillfen/dat/write/texture_encode.hpp"

#include <gtest/gtest.h>

#include "dat/write/texture_test_support.hpp"

namespace quillfen::dat::write {
namespace {

using file_type::TextureFormat;
using quillfen::testing::decode_through_records;
using quillfen::testing::image_of;
using quillfen::testing::mean_abs_error;

// An opaque image of 22 x 13 (not a multiple of the block size) with `colours` distinct
// colours at most.
RgbaImage test_image(std::uint32_t colours, std::uint8_t alpha = 255) {
  return image_of(22, 13, [=](std::uint32_t x, std::uint32_t y) {
    const std::uint32_t k = (x * 31 + y * 17) % colours;
    return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(k * 7), static_cast<std::uint8_t>(255 - k),
                                       static_cast<std::uint8_t>(k * 13 + 5), alpha};
  });
}

RgbaImage grey_image() {
  return image_of(9, 7, [](std::uint32_t x, std::uint32_t y) {
    const auto v = static_cast<std::uint8_t>(x * 28 + y);
    return std::array<std::uint8_t, 4>{v, v, v, 255};
  });
}

struct LosslessCase {
  const char* name;
  TextureFormat format;
  RgbaImage image;
};

TEST(TextureEncodeTest, LosslessFormatsRoundTripExactly) {
  // Translucent where the format keeps alpha; opaque where the decoder makes alpha 255.
  const LosslessCase cases[] = {
      {"R8G8B8", TextureFormat::R8G8B8, test_image(300)},
      {"CustomRgb", TextureFormat::CustomRgb, test_image(300)},
      {"A8R8G8B8", TextureFormat::A8R8G8B8, test_image(300, 77)},
      {"P8 with 256 colours", TextureFormat::P8, test_image(256, 200)},
      {"Index16 with 286 colours", TextureFormat::Index16, test_image(286, 10)},
      {"A8 of a grey image", TextureFormat::A8, grey_image()},
      {"CustomLuminance of a grey image", TextureFormat::CustomLuminance, grey_image()},
  };
  for (const LosslessCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto encoded = encode_texture(c.image, c.format);
    ASSERT_TRUE(encoded.has_value()) << encoded.error().message;
    EXPECT_EQ(decode_through_records(*encoded), c.image.pixels);
  }
}

TEST(TextureEncodeTest, StoredByteOrders) {
  const RgbaImage pixel = image_of(1, 1, [](std::uint32_t, std::uint32_t) {
    return std::array<std::uint8_t, 4>{0x10, 0x20, 0x30, 0x40};
  });
  struct Case {
    TextureFormat format;
    std::vector<std::uint8_t> stored;
  };
  const Case cases[] = {
      {TextureFormat::R8G8B8, {0x30, 0x20, 0x10}},
      {TextureFormat::A8R8G8B8, {0x30, 0x20, 0x10, 0x40}},
      {TextureFormat::CustomRgb, {0x10, 0x20, 0x30}},
      // Rounded luma: (299 * 16 + 587 * 32 + 114 * 48 + 500) / 1000 = 29.
      {TextureFormat::A8, {29}},
      {TextureFormat::CustomLuminance, {29}},
      {TextureFormat::P8, {0}},
      {TextureFormat::Index16, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<std::uint32_t>(c.format));
    const auto encoded = encode_texture(pixel, c.format);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(encoded->data, c.stored);
    const bool paletted = c.format == TextureFormat::P8 || c.format == TextureFormat::Index16;
    EXPECT_EQ(encoded->palette, paletted ? std::vector<std::uint32_t>{0x40102030} : std::vector<std::uint32_t>{});
  }
}

struct LossyCase {
  TextureFormat format;
  std::size_t channels;  // 3 where the format is opaque
  double max_mean_error;
};

// A smooth field with a fine grain, the kind of image textures are: DXT and a 256-entry
// palette stay within a small mean error of it.
TEST(TextureEncodeTest, LossyFormatsStayCloseOnTexturedImages) {
  const LossyCase cases[] = {
      {TextureFormat::Dxt1, 3, 4.0},
      {TextureFormat::Dxt3, 3, 4.0},
      {TextureFormat::Dxt5, 3, 4.0},
      {TextureFormat::P8, 3, 2.0},
  };
  const RgbaImage image = image_of(96, 80, [](std::uint32_t x, std::uint32_t y) {
    const std::uint32_t grain = (x * 7 + y * 13 + (x * y) % 5) % 9;
    return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(60 + x + grain),
                                       static_cast<std::uint8_t>(40 + y + grain),
                                       static_cast<std::uint8_t>(90 + (x + y) / 4 + grain), 255};
  });
  for (const LossyCase& c : cases) {
    SCOPED_TRACE(static_cast<std::uint32_t>(c.format));
    const auto encoded = encode_texture(image, c.format);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_LT(mean_abs_error(decode_through_records(*encoded), image.pixels, c.channels), c.max_mean_error);
  }
}

TEST(TextureEncodeTest, Index16CutsMoreColoursThanItCanIndex) {
  // 300 x 300 pixels, every one a different colour: 90000 colours into 65536 entries.
  const RgbaImage image = image_of(300, 300, [](std::uint32_t x, std::uint32_t y) {
    const std::uint32_t i = y * 300 + x;
    return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8),
                                       static_cast<std::uint8_t>(i >> 16), 255};
  });
  const auto encoded = encode_texture(image, TextureFormat::Index16);
  ASSERT_TRUE(encoded.has_value());
  EXPECT_EQ(encoded->palette.size(), kIndex16PaletteSize);
  EXPECT_LT(mean_abs_error(decode_through_records(*encoded), image.pixels), 0.5);
}

TEST(TextureEncodeTest, DxtAlphaFormatsCarryAlpha) {
  // A soft round cut-out on a striped field, 10 x 10 so edge blocks are partial.
  const RgbaImage image = image_of(10, 10, [](std::uint32_t x, std::uint32_t y) {
    const int dx = static_cast<int>(x) - 5, dy = static_cast<int>(y) - 5;
    const int d2 = dx * dx + dy * dy;
    const auto alpha = static_cast<std::uint8_t>(d2 < 9 ? 255 : d2 > 20 ? 0 : 255 - (d2 - 9) * 23);
    return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(x % 2 ? 200 : 120), 90, 40, alpha};
  });
  // DXT3 rounds to a multiple of 17 (at most 8 off); DXT5 spreads eight levels over a
  // block's range, at most 18 off when a block spans 0 to 255.
  struct Case {
    TextureFormat format;
    double max_alpha_error;
    double mean_alpha_error;
  };
  for (const Case& c : {Case{TextureFormat::Dxt3, 8.0, 2.0}, Case{TextureFormat::Dxt5, 18.0, 3.5}}) {
    SCOPED_TRACE(static_cast<std::uint32_t>(c.format));
    const auto encoded = encode_texture(image, c.format);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(encoded->data.size(), 9u * 16u);  // 3 x 3 blocks
    const auto decoded = decode_through_records(*encoded);
    ASSERT_EQ(decoded.size(), image.pixels.size());
    double worst = 0, total = 0;
    for (std::size_t i = 3; i < decoded.size(); i += 4) {
      const double error = std::abs(static_cast<double>(decoded[i]) - image.pixels[i]);
      worst = std::max(worst, error);
      total += error;
    }
    EXPECT_LE(worst, c.max_alpha_error);
    EXPECT_LT(total / 100.0, c.mean_alpha_error);
    EXPECT_LT(mean_abs_error(decoded, image.pixels, 3), 4.0);
  }
}

TEST(TextureEncodeTest, Dxt1IsOpaqueAndSizedByBlocks) {
  const RgbaImage image = test_image(300, 0);  // fully transparent source
  const auto encoded = encode_texture(image, TextureFormat::Dxt1);
  ASSERT_TRUE(encoded.has_value());
  EXPECT_EQ(encoded->data.size(), 6u * 4u * 8u);  // 22 x 13 needs 6 x 4 blocks
  const auto decoded = decode_through_records(*encoded);
  ASSERT_EQ(decoded.size(), image.pixels.size());
  for (std::size_t i = 3; i < decoded.size(); i += 4) ASSERT_EQ(decoded[i], 255) << i;
}

TEST(TextureEncodeTest, EmptyImageEncodesToNothing) {
  for (const TextureFormat format : {TextureFormat::Dxt1, TextureFormat::P8, TextureFormat::R8G8B8}) {
    const auto encoded = encode_texture(RgbaImage{0, 0, {}}, format);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_TRUE(encoded->data.empty());
    EXPECT_TRUE(decode_through_records(*encoded).empty());
  }
}

TEST(TextureEncodeTest, RejectsWhatCannotBeEncoded) {
  struct Case {
    const char* name;
    RgbaImage image;
    TextureFormat format;
    EncodeErrorKind kind;
    std::string message;
  };
  const Case cases[] = {
      {"short pixels", RgbaImage{2, 2, std::vector<std::uint8_t>(15)}, TextureFormat::R8G8B8,
       EncodeErrorKind::MalformedImage, "image 2x2 has 15 pixel bytes, expected 16"},
      {"long pixels", RgbaImage{1, 1, std::vector<std::uint8_t>(5)}, TextureFormat::Dxt1,
       EncodeErrorKind::MalformedImage, "image 1x1 has 5 pixel bytes, expected 4"},
      {"too wide", RgbaImage{8193, 1, {}}, TextureFormat::P8, EncodeErrorKind::TooLarge,
       "image 8193x1 exceeds the largest texture of 8192x8192 and 16777216 pixels"},
      {"no decoder", RgbaImage{1, 1, {1, 2, 3, 4}}, TextureFormat::R5G6B5, EncodeErrorKind::UnsupportedFormat,
       "no encoder for texture format R5G6B5 (23)"},
      {"unknown code", RgbaImage{1, 1, {1, 2, 3, 4}}, static_cast<TextureFormat>(22),
       EncodeErrorKind::UnsupportedFormat, "no encoder for texture format unknown (22)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto encoded = encode_texture(c.image, c.format);
    ASSERT_FALSE(encoded.has_value());
    EXPECT_EQ(encoded.error().kind, c.kind);
    EXPECT_EQ(encoded.error().message, c.message);
  }
}

TEST(TextureEncodeTest, RecordsNameThePaletteOnlyWhenPaletted) {
  const RgbaImage image = test_image(5);
  for (const TextureFormat format : {TextureFormat::P8, TextureFormat::Index16, TextureFormat::Dxt5}) {
    const auto encoded = encode_texture(image, format);
    ASSERT_TRUE(encoded.has_value());
    const auto texture = texture_record(*encoded, 0x05001234, 0x04005678);
    EXPECT_EQ(texture.id, 0x05001234u);
    EXPECT_EQ(texture.width, 22);
    EXPECT_EQ(texture.height, 13);
    EXPECT_EQ(texture.format_raw, static_cast<std::uint32_t>(format));
    EXPECT_EQ(texture.source_data, encoded->data);
    const bool paletted = format != TextureFormat::Dxt5;
    EXPECT_EQ(texture.default_palette_id, paletted ? std::optional<std::uint32_t>{0x04005678} : std::nullopt);
    const auto palette = palette_record(*encoded, 0x04005678);
    EXPECT_EQ(palette.id, 0x04005678u);
    EXPECT_EQ(palette.colors.size(), paletted ? 5u : 0u);
  }
}

}  // namespace
}  // namespace quillfen::dat::write
