// Landblock text to key, with the exact parse errors.
#include "surface-classify-audit/landblock_key.hpp"

#include <gtest/gtest.h>

namespace quillfen::audit {
namespace {

struct KeyCase {
  const char* text;
  std::uint16_t key;
};

class LandblockKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(LandblockKeyTest, Parses) {
  const auto key = parse_landblock_key(GetParam().text);
  ASSERT_TRUE(key) << GetParam().text;
  EXPECT_EQ(*key, GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(Texts, LandblockKeyTest,
                         ::testing::Values(KeyCase{"A9B4", 0xA9B4}, KeyCase{"a9b4", 0xA9B4}, KeyCase{"0xA9B4", 0xA9B4},
                                           KeyCase{"0XA9B4", 0xA9B4}, KeyCase{"0x0xA9B4", 0xA9B4},
                                           KeyCase{"+A9B4", 0xA9B4}, KeyCase{"0x1A9B4", 0xA9B4}, KeyCase{"12", 0x0012},
                                           KeyCase{"0x0X12", 0x0012}, KeyCase{"0X0X0X12", 0x0012},
                                           KeyCase{"FFFFFFFF", 0xFFFF}, KeyCase{"000000000000A9B4", 0xA9B4}));

struct ErrorCase {
  const char* text;
  const char* cause;
};

class LandblockKeyErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(LandblockKeyErrorTest, FailsWithTheIntegerParseErrorAsCause) {
  const auto key = parse_landblock_key(GetParam().text);
  ASSERT_FALSE(key) << GetParam().text;
  EXPECT_EQ(key.error(), (RunError{"parse hex landblock", {GetParam().cause}}));
}

constexpr const char* kEmpty = "cannot parse integer from empty string";
constexpr const char* kInvalid = "invalid digit found in string";
constexpr const char* kTooLarge = "number too large to fit in target type";

INSTANTIATE_TEST_SUITE_P(Texts, LandblockKeyErrorTest,
                         ::testing::Values(ErrorCase{"", kEmpty}, ErrorCase{"0x", kEmpty}, ErrorCase{"0x0X", kEmpty},
                                           ErrorCase{"-1", kInvalid}, ErrorCase{"0xG1", kInvalid},
                                           ErrorCase{"+", kInvalid}, ErrorCase{"-", kInvalid},
                                           ErrorCase{"0X0x12", kInvalid}, ErrorCase{"++1", kInvalid},
                                           ErrorCase{" A9B4", kInvalid}, ErrorCase{"100000000", kTooLarge},
                                           ErrorCase{"FFFFFFFFFG", kTooLarge}, ErrorCase{"FFFFFFFFG", kInvalid}));

}  // namespace
}  // namespace quillfen::audit
