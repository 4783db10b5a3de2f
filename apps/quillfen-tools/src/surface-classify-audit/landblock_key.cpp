// Landblock text to key. Prefixes go in a fixed order: every leading "0x", then every
// leading "0X" of what is left; so 0x0X12 is 12 and 0X0x12 fails on its 'x'.
#include "surface-classify-audit/landblock_key.hpp"

namespace quillfen::audit {
namespace {

constexpr std::string_view kEmpty = "cannot parse integer from empty string";
constexpr std::string_view kInvalidDigit = "invalid digit found in string";
constexpr std::string_view kTooLarge = "number too large to fit in target type";

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

RunError parse_error(std::string_view cause) { return RunError{"parse hex landblock", {std::string(cause)}}; }

}  // namespace

std::expected<std::uint16_t, RunError> parse_landblock_key(std::string_view text) {
  while (text.starts_with("0x")) text.remove_prefix(2);
  while (text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty()) return std::unexpected(parse_error(kEmpty));
  // One leading '+' is allowed when a digit follows; a sign alone or a '-' is not a digit.
  if (text.size() > 1 && text.front() == '+') text.remove_prefix(1);
  std::uint64_t value = 0;
  // Digits are taken left to right: whichever comes first, a bad digit or the overflow, is the error.
  for (const char c : text) {
    const int digit = hex_digit(c);
    if (digit < 0) return std::unexpected(parse_error(kInvalidDigit));
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return std::unexpected(parse_error(kTooLarge));
  }
  return static_cast<std::uint16_t>(value & 0xFFFFu);
}

}  // namespace quillfen::audit
