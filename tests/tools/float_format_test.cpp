// The float text of the audit document: notation boundaries, zeros, non-finite values,
// and a property check that every finite float reads back bit for bit with shortest digits.
#include "surface-classify-audit/float_format.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace quillfen::audit {
namespace {

struct FormatCase {
  float value;
  const char* text;
};

class FormatF32Test : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatF32Test, WritesDocumentNotation) {
  EXPECT_EQ(format_f32(GetParam().value), GetParam().text);
}

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatF32Test,
    ::testing::Values(
        // plain notation, exponents -6..12
        FormatCase{0.5f, "0.5"}, FormatCase{12.0f, "12.0"}, FormatCase{99.75f, "99.75"},
        FormatCase{1.0f, "1.0"}, FormatCase{0.1f, "0.1"}, FormatCase{0.3f, "0.3"},
        FormatCase{0.004f, "0.004"}, FormatCase{30.0f, "30.0"}, FormatCase{123456.79f, "123456.79"},
        FormatCase{16777216.0f, "16777216.0"}, FormatCase{0.000001f, "0.000001"},
        FormatCase{0.0000015f, "0.0000015"}, FormatCase{1000000000000.0f, "1000000000000.0"},
        FormatCase{1.2345679e12f, "1234568000000.0"},  // seven digits already read back
        // exponent notation outside that range; no leading zeros in the exponent
        FormatCase{1e-7f, "1e-7"}, FormatCase{1.5e-7f, "1.5e-7"}, FormatCase{9.999999e-7f, "9.999999e-7"},
        FormatCase{1e13f, "1e+13"}, FormatCase{3.4028235e+38f, "3.4028235e+38"},
        FormatCase{1.2345678e20f, "1.2345678e+20"},
        // 9999999999999 rounds to the same float as 1e13, whose shortest digits are "1"
        FormatCase{9999999999999.0f, "1e+13"},
        // denormals and the smallest normal
        FormatCase{std::numeric_limits<float>::denorm_min(), "1e-45"},
        FormatCase{1.1754942e-38f, "1.1754942e-38"}, FormatCase{std::numeric_limits<float>::min(), "1.1754944e-38"},
        // signs and zeros
        FormatCase{0.0f, "0.0"}, FormatCase{-0.0f, "-0.0"}, FormatCase{-0.5f, "-0.5"},
        FormatCase{-12.0f, "-12.0"}, FormatCase{-1e-7f, "-1e-7"}, FormatCase{-3.4028235e+38f, "-3.4028235e+38"},
        // not finite
        FormatCase{kNaN, "null"}, FormatCase{-kNaN, "null"},
        FormatCase{kInf, "null"}, FormatCase{-kInf, "null"}));

TEST(AppendF32Test, AppendsToExistingText) {
  std::string out = "x=";
  append_f32(out, 2.5f);
  EXPECT_EQ(out, "x=2.5");
}

// The number of significant digits of a document float: sign, point and exponent removed,
// and the zeros that only place the point.
int significant_digits(const std::string& text) {
  std::string digits;
  for (const char c : text) {
    if (c == 'e') break;
    if (c >= '0' && c <= '9') digits += c;
  }
  const auto first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  const auto last = digits.find_last_not_of('0');
  return static_cast<int>(last - first + 1);
}

// The fewest digits that read back as `value`, found independently of to_chars by trying
// every precision of the correctly rounded printf.
int shortest_round_trip_digits(float value) {
  for (int digits = 1; digits <= 9; ++digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) return digits;
  }
  return 9;
}

TEST(FormatF32PropertyTest, RandomBitPatternsReadBackExactlyWithShortestDigits) {
  std::mt19937 random(20240521u);
  std::uniform_int_distribution<std::uint32_t> bits;
  int checked = 0;
  for (int i = 0; i < 200000; ++i) {
    const float value = std::bit_cast<float>(bits(random));
    const std::string text = format_f32(value);
    if (!std::isfinite(value)) {
      ASSERT_EQ(text, "null");
      continue;
    }
    char* end = nullptr;
    const float back = std::strtof(text.c_str(), &end);
    ASSERT_EQ(*end, '\0') << text;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(value))
        << text << " from bits " << std::hex << std::bit_cast<std::uint32_t>(value);
    if (value != 0.0f) {
      ASSERT_EQ(significant_digits(text), shortest_round_trip_digits(value)) << text;
    }
    ++checked;
  }
  EXPECT_GT(checked, 190000);  // NaNs and infinities are under 1% of all patterns
}

}  // namespace
}  // namespace quillfen::audit
