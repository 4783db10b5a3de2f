// Texture records and their conversion to RGBA: the record layout and its error texts,
// every format code, every failure kind in order, and the size limits.
#include "quillfen/dat/file_type/texture.hpp"

#include <gtest/gtest.h>

#include <climits>

#include "quillfen/dat/file_type/dxt.hpp"
#include "record_test_support.hpp"

namespace quillfen::dat::file_type {
namespace {

using testing::frame_texts;
using testing::packed;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t code(TextureFormat format) { return static_cast<std::uint32_t>(format); }

// The record laid out field by field; the palette id is written only when given.
Bytes texture_bytes(std::int32_t width, std::int32_t height, std::uint32_t format_raw, std::int32_t length,
                    const Bytes& data, std::optional<std::uint32_t> palette_id = std::nullopt) {
  ByteWriter w;
  w.write_u32_le(0x06001234);  // id
  w.write_u32_le(0xDEADBEEF);  // _unknown
  w.write_i32_le(width);
  w.write_i32_le(height);
  w.write_u32_le(format_raw);
  w.write_i32_le(length);
  w.write_bytes(data);
  if (palette_id) w.write_u32_le(*palette_id);
  return w.take();
}

// ---- Texture::unpack ----

TEST(TextureUnpackTest, DirectFormatReadsNothingAfterTheData) {
  Bytes bytes = texture_bytes(1, 1, code(TextureFormat::R8G8B8), 3, {1, 2, 3});
  const auto texture = Texture::unpack(bytes);
  ASSERT_TRUE(texture) << texture.error().message();
  EXPECT_EQ(*texture, (Texture{0x06001234, 0xDEADBEEF, 1, 1, 20, {1, 2, 3}, std::nullopt}));
}

TEST(TextureUnpackTest, PalettedFormatsNeedTheirPaletteId) {
  for (const auto format : {TextureFormat::P8, TextureFormat::Index16}) {
    const Bytes with_id = texture_bytes(2, 1, code(format), 2, {0, 1}, 0x04000010);
    const auto texture = Texture::unpack(with_id);
    ASSERT_TRUE(texture) << texture.error().message();
    EXPECT_EQ(texture->default_palette_id, 0x04000010u);

    const Bytes short_id(with_id.begin(), with_id.end() - 1);
    const auto failed = Texture::unpack(short_id);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().cause_message(), "failed to fill whole buffer");
    EXPECT_EQ(frame_texts(failed.error()),
              std::vector<std::string>{"While parsing field 'default_palette_id' in Texture"});
  }
}

struct TruncationCase {
  std::size_t size;
  std::string field;
  std::string cause;
};

class TextureTruncationTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(TextureTruncationTest, NamesTheFieldThatRanOut) {
  const auto& c = GetParam();
  Bytes bytes = texture_bytes(2, 2, code(TextureFormat::A8), 4, {9, 9, 9, 9});
  bytes.resize(c.size);
  const auto texture = Texture::unpack(bytes);
  ASSERT_FALSE(texture);
  EXPECT_TRUE(texture.error().is_eof());
  EXPECT_EQ(texture.error().cause_message(), c.cause);
  EXPECT_EQ(frame_texts(texture.error()), std::vector<std::string>{"While parsing field '" + c.field + "' in Texture"});
}

const std::string kFill = "failed to fill whole buffer";

INSTANTIATE_TEST_SUITE_P(Fields, TextureTruncationTest,
                         ::testing::Values(TruncationCase{0, "id", kFill}, TruncationCase{7, "_unknown", kFill},
                                           TruncationCase{11, "width", kFill}, TruncationCase{15, "height", kFill},
                                           TruncationCase{19, "format_raw", kFill},
                                           TruncationCase{23, "length", kFill},
                                           TruncationCase{24, "source_data", "not enough bytes in reader"},
                                           TruncationCase{27, "source_data", "not enough bytes in reader"}));

TEST(TextureUnpackTest, NegativeLengthIsACountErrorWithoutFrame) {
  for (const std::int32_t length : {-5, INT32_MIN}) {
    const auto texture = Texture::unpack(texture_bytes(1, 1, 20, length, {1, 2, 3}));
    ASSERT_FALSE(texture);
    const auto* custom = std::get_if<CustomError>(&texture.error().cause());
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->message, "count " + std::to_string(length) + " out of range of usize");
    EXPECT_EQ(custom->position, 24u);
    EXPECT_TRUE(texture.error().frames().empty());
  }
}

TEST(TextureUnpackTest, PackIsTheInverseOfUnpack) {
  const std::uint32_t formats[] = {0, 20, 21, 28, 41, 101, 243, 244, code(TextureFormat::Dxt5), 12345};
  testing::RecordRandom random(0x5eed0004);
  for (int i = 0; i < 40; ++i) {
    Texture texture;
    texture.id = random.u32();
    texture._unknown = random.u32();
    texture.width = static_cast<std::int32_t>(random.u32());
    texture.height = static_cast<std::int32_t>(random.u32());
    texture.format_raw = formats[random.below(std::size(formats))];
    texture.source_data = random.bytes(64);
    if (is_paletted(texture.format_raw)) texture.default_palette_id = random.u32();
    const auto bytes = packed(texture);
    ASSERT_EQ(bytes.size(), 24 + texture.source_data.size() + (is_paletted(texture.format_raw) ? 4 : 0));
    const auto back = Texture::unpack(bytes);
    ASSERT_TRUE(back) << back.error().message();
    EXPECT_EQ(*back, texture);
  }
}

// ---- to_rgba8 ----

Texture make_texture(std::int32_t width, std::int32_t height, std::uint32_t format_raw, Bytes data,
                     std::optional<std::uint32_t> palette_id = std::nullopt) {
  return Texture{0x06000001, 0, width, height, format_raw, std::move(data), palette_id};
}

// A lookup that must not be reached.
const PaletteLookup kNoLookup = [](std::uint32_t) -> std::expected<Palette, std::string> {
  ADD_FAILURE() << "palette lookup called";
  return std::unexpected("unexpected lookup");
};

// Serves one palette and counts the calls and the ids asked for.
struct RecordingLookup {
  Palette palette;
  std::vector<std::uint32_t> requested;
  PaletteLookup function() {
    return [this](std::uint32_t id) -> std::expected<Palette, std::string> {
      requested.push_back(id);
      return palette;
    };
  }
};

struct DirectCase {
  const char* name;
  std::uint32_t format;
  std::int32_t width, height;
  Bytes data;
  Bytes expected;
};

class DirectFormatTest : public ::testing::TestWithParam<DirectCase> {};

TEST_P(DirectFormatTest, ConvertsEachPixelByItsFormat) {
  const auto& c = GetParam();
  const auto rgba = to_rgba8(make_texture(c.width, c.height, c.format, c.data), kNoLookup);
  ASSERT_TRUE(rgba) << describe(rgba.error());
  EXPECT_EQ(*rgba, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DirectFormatTest,
    ::testing::Values(
        DirectCase{"A8R8G8B8", 21, 2, 1, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80},
                   {0x30, 0x20, 0x10, 0x40, 0x70, 0x60, 0x50, 0x80}},
        DirectCase{"R8G8B8", 20, 1, 1, {1, 2, 3}, {3, 2, 1, 0xFF}},
        DirectCase{"CustomRgb", 243, 1, 1, {1, 2, 3}, {1, 2, 3, 0xFF}},
        DirectCase{"A8", 28, 1, 1, {0x7F}, {0x7F, 0x7F, 0x7F, 0xFF}},
        DirectCase{"CustomLuminance", 244, 1, 1, {0x7F}, {0x7F, 0x7F, 0x7F, 0xFF}},
        DirectCase{"R8G8B8TrailingIgnored", 20, 2, 1, {1, 2, 3, 4, 5, 6, 7}, {3, 2, 1, 0xFF, 6, 5, 4, 0xFF}},
        DirectCase{"EmptyImage", 21, 0, 0, {}, {}},
        DirectCase{"ZeroHeight", 20, 5, 0, {}, {}}),
    [](const auto& test) { return std::string(test.param.name); });

// Every direct format against a byte-by-byte reading of its layout table.
TEST(DirectLayoutTest, MatchesTheLayoutTableOnRandomImages) {
  struct Layout {
    std::uint32_t format;
    std::size_t bytes_per_pixel;
    int r, g, b, a;  // source byte of each channel, -1 for 255
  };
  const Layout layouts[] = {{20, 3, 2, 1, 0, -1}, {21, 4, 2, 1, 0, 3}, {28, 1, 0, 0, 0, -1},
                            {243, 3, 0, 1, 2, -1}, {244, 1, 0, 0, 0, -1}};
  testing::RecordRandom random(0x5eed0005);
  for (const auto& layout : layouts) {
    const std::int32_t width = 13, height = 7;
    const std::size_t n = static_cast<std::size_t>(width * height);
    Bytes data(n * layout.bytes_per_pixel + 5);
    for (auto& byte : data) byte = random.u8();
    Bytes expected;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t* p = &data[i * layout.bytes_per_pixel];
      for (const int channel : {layout.r, layout.g, layout.b, layout.a}) {
        expected.push_back(channel < 0 ? 0xFF : p[channel]);
      }
    }
    const auto rgba = to_rgba8(make_texture(width, height, layout.format, data), kNoLookup);
    ASSERT_TRUE(rgba) << describe(rgba.error());
    EXPECT_EQ(*rgba, expected) << "format " << layout.format;
  }
}

struct ShortDataCase {
  std::uint32_t format;
  std::int32_t width, height;
  std::size_t size;
  std::uint64_t needed;
};

class InsufficientDataTest : public ::testing::TestWithParam<ShortDataCase> {};

TEST_P(InsufficientDataTest, FailsOneByteShortAndSucceedsAtTheExactSize) {
  const auto& c = GetParam();
  RecordingLookup lookup{Palette{1, std::vector<std::uint32_t>(256, 0xFF102030)}, {}};
  const auto short_result =
      to_rgba8(make_texture(c.width, c.height, c.format, Bytes(c.size - 1), 9), lookup.function());
  ASSERT_FALSE(short_result);
  EXPECT_EQ(short_result.error(), TextureError(texture_error::InsufficientData{c.needed, c.size - 1}));

  const auto exact = to_rgba8(make_texture(c.width, c.height, c.format, Bytes(c.size), 9), lookup.function());
  ASSERT_TRUE(exact) << describe(exact.error());
  EXPECT_EQ(exact->size(), static_cast<std::size_t>(c.width * c.height * 4));
}

INSTANTIATE_TEST_SUITE_P(Formats, InsufficientDataTest,
                         ::testing::Values(ShortDataCase{21, 4, 4, 64, 64}, ShortDataCase{20, 2, 2, 12, 12},
                                           ShortDataCase{243, 3, 1, 9, 9}, ShortDataCase{28, 3, 3, 9, 9},
                                           ShortDataCase{244, 1, 5, 5, 5}, ShortDataCase{41, 2, 2, 4, 4},
                                           ShortDataCase{101, 2, 1, 4, 4}));

struct UnsupportedCase {
  std::uint32_t raw;
  std::optional<TextureFormat> format;
};

class UnsupportedFormatTest : public ::testing::TestWithParam<UnsupportedCase> {};

TEST_P(UnsupportedFormatTest, CarriesTheKnownFormatOrOnlyTheCode) {
  const auto& c = GetParam();
  const auto rgba = to_rgba8(make_texture(1, 1, c.raw, Bytes(16)), kNoLookup);
  ASSERT_FALSE(rgba);
  EXPECT_EQ(rgba.error(), TextureError(texture_error::UnsupportedFormat{c.format, c.raw}));
}

INSTANTIATE_TEST_SUITE_P(Codes, UnsupportedFormatTest,
                         ::testing::Values(UnsupportedCase{0, TextureFormat::Unknown},
                                           UnsupportedCase{23, TextureFormat::R5G6B5},
                                           UnsupportedCase{26, TextureFormat::A4R4G4B4},
                                           UnsupportedCase{22, std::nullopt},
                                           UnsupportedCase{0x32545844, std::nullopt},  // "DXT2"
                                           UnsupportedCase{0xFFFFFFFF, std::nullopt}));

struct DimensionCase {
  const char* name;
  std::int32_t width, height;
  std::uint32_t format;
  std::size_t data_size;
};

class DimensionOverflowTest : public ::testing::TestWithParam<DimensionCase> {};

TEST_P(DimensionOverflowTest, RejectsTheSizeBeforeAnythingElse) {
  const auto& c = GetParam();
  const auto rgba = to_rgba8(make_texture(c.width, c.height, c.format, Bytes(c.data_size), 5), kNoLookup);
  ASSERT_FALSE(rgba);
  EXPECT_EQ(rgba.error(), TextureError(texture_error::DimensionOverflow{c.width, c.height}));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DimensionOverflowTest,
    ::testing::Values(DimensionCase{"ProductOverflows64Bits", INT32_MIN, INT32_MIN, 21, 16},
                      DimensionCase{"BothMinusOne", -1, -1, 21, 16},
                      DimensionCase{"NegativeWidth", -1, 1, 21, 16},
                      DimensionCase{"NegativeHeightZeroWidth", 0, -3, 21, 0},
                      DimensionCase{"NegativeTimesZero", -1, 0, 41, 0},
                      DimensionCase{"WideBeyondSideLimit", 8193, 1, 28, 8193},
                      DimensionCase{"TallBeyondSideLimit", 1, 8193, 28, 8193},
                      DimensionCase{"BeyondPixelLimit", 4097, 4096, 28, 16},
                      DimensionCase{"HugeDxt1", 65535, 65535, code(TextureFormat::Dxt1), 8},
                      DimensionCase{"HugeDxt5", 8192, 8192, code(TextureFormat::Dxt5), 16},
                      DimensionCase{"BeforeUnsupportedFormat", 9000, 1, 23, 0},
                      DimensionCase{"BeforeUnknownFormat", -2, 2, 22, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TextureLimitsTest, AdmitEveryRealTextureAndNothingBeyond) {
  struct Case {
    std::uint64_t width, height;
    bool fits;
  };
  const Case cases[] = {{4096, 4096, true}, {8192, 2048, true}, {1, 8192, true},   {0, 8192, true},
                        {4097, 4096, false}, {8192, 2049, false}, {8193, 1, false}, {8193, 0, false},
                        {1, 8193, false}, {1ull << 40, 1ull << 40, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(texture_size_within_limits(c.width, c.height), c.fits) << c.width << " x " << c.height;
  }
}

TEST(PalettedFormatTest, IndexMustBeBelowThePaletteLength) {
  RecordingLookup lookup{Palette{1, {0xFF000001, 0xFF000002, 0xFF000003, 0xFF0000FF}}, {}};
  const auto ok = to_rgba8(make_texture(1, 1, 41, {3}, 7), lookup.function());
  ASSERT_TRUE(ok) << describe(ok.error());
  EXPECT_EQ(*ok, (Bytes{0, 0, 0xFF, 0xFF}));

  const auto bad = to_rgba8(make_texture(3, 1, 41, {0, 1, 4}, 7), lookup.function());
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error(), TextureError(texture_error::PaletteIndexOutOfRange{2, 4, 4}));
}

TEST(PalettedFormatTest, ColoursKeepTheirOwnAlpha) {
  RecordingLookup lookup{Palette{1, {0x00FF8000, 0x7F010203}}, {}};
  const auto rgba = to_rgba8(make_texture(2, 1, 41, {0, 1}, 7), lookup.function());
  ASSERT_TRUE(rgba) << describe(rgba.error());
  EXPECT_EQ(*rgba, (Bytes{0xFF, 0x80, 0x00, 0x00, 0x01, 0x02, 0x03, 0x7F}));
}

TEST(PalettedFormatTest, Index16ReadsLittleEndianIndices) {
  Palette palette{1, {}};
  for (std::uint32_t i = 0; i < 300; ++i) palette.colors.push_back(0xFF000000u | i);
  RecordingLookup lookup{palette, {}};
  const auto rgba = to_rgba8(make_texture(2, 1, 101, {0x01, 0x01, 0x2B, 0x01}, 7), lookup.function());
  ASSERT_TRUE(rgba) << describe(rgba.error());
  // Entries 257 (0x101) and 299 (0x12B): blue is the low byte of the index.
  EXPECT_EQ(*rgba, (Bytes{0x00, 0x01, 0x01, 0xFF, 0x00, 0x01, 0x2B, 0xFF}));

  const auto bad = to_rgba8(make_texture(1, 1, 101, {0x2C, 0x01}, 7), lookup.function());
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error(), TextureError(texture_error::PaletteIndexOutOfRange{0, 300, 300}));
}

TEST(PalettedFormatTest, LooksUpItsPaletteOnceByItsId) {
  RecordingLookup lookup{Palette{1, {0xFFFFFFFF}}, {}};
  const auto rgba = to_rgba8(make_texture(4, 4, 41, Bytes(16, 0), 0x0400007E), lookup.function());
  ASSERT_TRUE(rgba) << describe(rgba.error());
  EXPECT_EQ(lookup.requested, std::vector<std::uint32_t>{0x0400007E});
  EXPECT_EQ(*rgba, Bytes(64, 0xFF));
}

TEST(PalettedFormatTest, EmptyImageStillLooksUpThePalette) {
  RecordingLookup lookup{Palette{1, {}}, {}};
  const auto rgba = to_rgba8(make_texture(0, 0, 101, {}, 3), lookup.function());
  ASSERT_TRUE(rgba) << describe(rgba.error());
  EXPECT_TRUE(rgba->empty());
  EXPECT_EQ(lookup.requested, std::vector<std::uint32_t>{3});
}

TEST(PalettedFormatTest, MissingPaletteFailsBeforeAnyLookup) {
  const auto rgba = to_rgba8(make_texture(1, 1, 41, {0}, std::nullopt), kNoLookup);
  ASSERT_FALSE(rgba);
  EXPECT_EQ(rgba.error(), TextureError(texture_error::MissingPalette{}));
}

TEST(PalettedFormatTest, LookupFailurePassesItsTextOnBeforeTheDataCheck) {
  const PaletteLookup failing = [](std::uint32_t) -> std::expected<Palette, std::string> {
    return std::unexpected("Palette::unpack 0x0400007E: failed to fill whole buffer");
  };
  // The data is short too: the lookup's failure comes first.
  const auto rgba = to_rgba8(make_texture(2, 2, 41, {}, 0x0400007E), failing);
  ASSERT_FALSE(rgba);
  EXPECT_EQ(rgba.error(),
            TextureError(texture_error::PaletteLookup{"Palette::unpack 0x0400007E: failed to fill whole buffer"}));
}

TEST(DxtFormatTest, HandsTheDataToTheMatchingDecompressor) {
  using Decompress = std::optional<Bytes> (*)(std::span<const std::uint8_t>, std::uint32_t, std::uint32_t);
  const std::pair<TextureFormat, Decompress> formats[] = {{TextureFormat::Dxt1, decompress_dxt1},
                                                          {TextureFormat::Dxt3, decompress_dxt3},
                                                          {TextureFormat::Dxt5, decompress_dxt5}};
  testing::RecordRandom random(0x5eed0006);
  for (const auto& [format, decompress] : formats) {
    Bytes data(80);
    for (auto& byte : data) byte = random.u8();
    // 10 x 6 takes 6 blocks: all of them are there for DXT1, only 5 for DXT3 and DXT5;
    // short data is not an error for these formats.
    const auto rgba = to_rgba8(make_texture(10, 6, code(format), data), kNoLookup);
    ASSERT_TRUE(rgba) << describe(rgba.error());
    EXPECT_EQ(*rgba, decompress(data, 10, 6).value()) << format_name(format);
  }
}

TEST(TextureErrorTest, DescribeSaysWhatFailedWithTheValues) {
  const std::pair<TextureError, std::string> cases[] = {
      {texture_error::UnsupportedFormat{TextureFormat::R5G6B5, 23}, "unsupported texture format R5G6B5 (code 23)"},
      {texture_error::UnsupportedFormat{std::nullopt, 22}, "unknown texture format code 22 (0x00000016)"},
      {texture_error::InsufficientData{64, 63}, "texture data holds 63 bytes, its size and format need 64"},
      {texture_error::DimensionOverflow{-1, 4},
       "texture size -1 x 4 is negative or beyond 8192 per side or 16777216 pixels"},
      {texture_error::MissingPalette{}, "paletted texture names no palette"},
      {texture_error::PaletteIndexOutOfRange{2, 4, 4}, "pixel 2 has palette index 4, the palette holds 4 colours"},
      {texture_error::PaletteLookup{"gone"}, "palette lookup failed: gone"},
  };
  for (const auto& [error, text] : cases) EXPECT_EQ(describe(error), text);
}

}  // namespace
}  // namespace quillfen::dat::file_type
