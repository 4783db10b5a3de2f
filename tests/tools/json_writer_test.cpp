// The JSON writer: the fixed layout, the string escapes and the U+FFFD repair of bytes
// that are not UTF-8, checked against exact texts and against a strict JSON parser.
#include "surface-classify-audit/json_writer.hpp"

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quillfen::audit {
namespace {

std::string json_quoted(std::string_view text) {
  std::string out;
  append_json_string(out, text);
  return out;
}

struct EscapeCase {
  const char* name;
  std::string_view input;
  std::string_view expected;  // without the surrounding quotes
};

class JsonStringTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JsonStringTest, EscapesExactly) {
  const EscapeCase& c = GetParam();
  EXPECT_EQ(json_quoted(c.input), "\"" + std::string(c.expected) + "\"");
  // Whatever the input bytes, a strict parser accepts the result.
  EXPECT_TRUE(nlohmann::json::accept(json_quoted(c.input)));
}

using namespace std::string_view_literals;

#define FFFD "\xEF\xBF\xBD"

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonStringTest,
    ::testing::Values(
        EscapeCase{"Empty", ""sv, ""sv}, EscapeCase{"Plain", "/data/client_portal.dat"sv, "/data/client_portal.dat"sv},
        EscapeCase{"QuoteAndBackslash", "a\"b\\c"sv, "a\\\"b\\\\c"sv},
        EscapeCase{"NamedControls", "\b\t\n\f\r"sv, "\\b\\t\\n\\f\\r"sv},
        EscapeCase{"OtherControls", "\x00\x01\x0b\x1f"sv, "\\u0000\\u0001\\u000b\\u001f"sv},
        EscapeCase{"DeleteStaysRaw", "\x7f"sv, "\x7f"sv}, EscapeCase{"Slash", "a/b"sv, "a/b"sv},
        // valid UTF-8 passes byte for byte, at the edges of each length
        EscapeCase{"TwoByte", "caf\xC3\xA9"sv, "caf\xC3\xA9"sv},
        EscapeCase{"ThreeByte", "\xE2\x82\xAC\xED\x9F\xBF\xEF\xBF\xBF"sv, "\xE2\x82\xAC\xED\x9F\xBF\xEF\xBF\xBF"sv},
        EscapeCase{"FourByte", "\xF0\x9D\x84\x9E\xF4\x8F\xBF\xBF"sv, "\xF0\x9D\x84\x9E\xF4\x8F\xBF\xBF"sv},
        // each maximal invalid subsequence becomes one U+FFFD
        EscapeCase{"StrayContinuation", "a\x80z"sv, "a" FFFD "z"sv},
        EscapeCase{"OverlongTwoByte", "\xC0\xAF"sv, FFFD FFFD ""sv},
        EscapeCase{"OverlongThreeByte", "\xE0\x80\x80"sv, FFFD FFFD FFFD ""sv},
        EscapeCase{"Surrogate", "\xED\xA0\x80"sv, FFFD FFFD FFFD ""sv},
        EscapeCase{"AboveMaximum", "\xF4\x90\x80\x80"sv, FFFD FFFD FFFD FFFD ""sv},
        EscapeCase{"NeverValidBytes", "\xF5\xFE\xFF"sv, FFFD FFFD FFFD ""sv},
        EscapeCase{"TruncatedAtEnd", "x\xE2\x82"sv, "x" FFFD ""sv},
        EscapeCase{"TruncatedFourByteAtEnd", "\xF0\x9D\x84"sv, FFFD ""sv},
        EscapeCase{"TruncatedBeforeAscii", "\xE2\x82" "A"sv, FFFD "A"sv},
        EscapeCase{"TruncatedBeforeValid", "\xC3\xC3\xA9"sv, FFFD "\xC3\xA9"sv},
        EscapeCase{"InvalidThenQuote", "\xFF\""sv, FFFD "\\\""sv},
        // the mixed example of the Unicode standard's "maximal subpart" practice
        EscapeCase{"UnicodeExample", "a\xF1\x80\x80\xE1\x80\xC2" "b\x80" "c\x80\xBF" "d"sv,
                   "a" FFFD FFFD FFFD "b" FFFD "c" FFFD FFFD "d"sv}),
    [](const auto& test) { return std::string(test.param.name); });

#undef FFFD

void append_utf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

TEST(JsonStringPropertyTest, ValidUtf8ReadsBackUnchanged) {
  std::mt19937 random(7u);
  // Mostly short code points, so every encoded length and the controls come up often.
  std::uniform_int_distribution<std::uint32_t> limit_pick(0, 3);
  constexpr std::uint32_t kLimits[] = {0x7F, 0x7FF, 0xFFFF, 0x10FFFF};
  std::uniform_int_distribution<int> length(0, 16);
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    for (int i = length(random); i > 0; --i) {
      const std::uint32_t cp =
          std::uniform_int_distribution<std::uint32_t>(0, kLimits[limit_pick(random)])(random);
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;  // surrogates are not characters
      append_utf8(text, cp);
    }
    const std::string json = json_quoted(text);
    ASSERT_EQ(nlohmann::json::parse(json).get<std::string>(), text) << json;
  }
}

TEST(JsonStringPropertyTest, AnyBytesGiveValidJson) {
  std::mt19937 random(11u);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 16);
  for (int round = 0; round < 5000; ++round) {
    std::string bytes;
    for (int i = length(random); i > 0; --i) bytes += static_cast<char>(byte(random));
    const std::string json = json_quoted(bytes);
    ASSERT_TRUE(nlohmann::json::accept(json)) << ::testing::PrintToString(bytes);
  }
}

TEST(JsonWriterTest, EmptyContainers) {
  JsonWriter object;
  object.begin_object();
  object.end_object();
  EXPECT_EQ(object.text(), "{}");

  JsonWriter array;
  array.begin_array();
  array.end_array();
  EXPECT_EQ(array.text(), "[]");
}

TEST(JsonWriterTest, NestedLayout) {
  JsonWriter json;
  json.begin_object();
  json.key("count");
  json.uint_value(std::numeric_limits<std::uint64_t>::max());
  json.key("none");
  json.begin_object();
  json.end_object();
  json.key("list");
  json.begin_array();
  json.float_value(1.5f);
  json.float_value(std::numeric_limits<float>::quiet_NaN());
  json.begin_object();
  json.key("ok");
  json.bool_value(true);
  json.key("name");
  json.string_value("a\tb");
  json.end_object();
  json.begin_array();
  json.end_array();
  json.end_array();
  json.key("zero");
  json.uint_value(0);
  json.end_object();

  const std::string expected =
      "{\n"
      "  \"count\": 18446744073709551615,\n"
      "  \"none\": {},\n"
      "  \"list\": [\n"
      "    1.5,\n"
      "    null,\n"
      "    {\n"
      "      \"ok\": true,\n"
      "      \"name\": \"a\\tb\"\n"
      "    },\n"
      "    []\n"
      "  ],\n"
      "  \"zero\": 0\n"
      "}";
  EXPECT_EQ(json.text(), expected);
  const auto parsed = nlohmann::json::parse(json.text());
  EXPECT_EQ(parsed["count"].get<std::uint64_t>(), std::numeric_limits<std::uint64_t>::max());
  EXPECT_TRUE(parsed["list"][1].is_null());
  EXPECT_EQ(parsed["list"][2]["name"], "a\tb");
}

TEST(JsonWriterTest, EscapesKeys) {
  JsonWriter json;
  json.begin_object();
  json.key("a\"b");
  json.bool_value(false);
  json.end_object();
  EXPECT_EQ(json.take(), "{\n  \"a\\\"b\": false\n}");
}

}  // namespace
}  // namespace quillfen::audit
