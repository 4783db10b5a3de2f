// Parsing of the --landblocks list. Keys are strict here, unlike --landblock of the
// single-landblock tool: a list is typed to select a region, so a stray character is far
// more likely a typo than a key.
#include "world-audit/landblock_list.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <optional>

namespace quillfen::world {
namespace {

std::optional<std::uint16_t> parse_key(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty() || text.size() > 4) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text) {
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return static_cast<std::uint16_t>(value);
}

std::string bad_item(std::string_view item, std::string_view why) {
  return fmt::format("--landblocks: invalid item '{}': {}", item, why);
}

}  // namespace

std::expected<std::vector<std::uint16_t>, std::string> parse_landblock_list(std::string_view text) {
  // A set of seen keys instead of a list of them: a list of overlapping ranges stays
  // 64 Ki entries at most whatever its length.
  std::vector<bool> selected(0x10000, false);
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item = text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (item.empty()) return std::unexpected(bad_item(item, "expected a key such as A9B4 or a range such as A000-A0FF"));
    const std::size_t dash = item.find('-');
    const auto first = parse_key(item.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : parse_key(item.substr(dash + 1));
    if (!first || !last) {
      return std::unexpected(
          bad_item(item, "expected a key of 1 to 4 hexadecimal digits (A9B4) or an inclusive range (A000-A0FF)"));
    }
    if (*first > *last) return std::unexpected(bad_item(item, "the range ends before it starts"));
    for (std::uint32_t key = *first; key <= *last; ++key) selected[key] = true;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  std::vector<std::uint16_t> keys;
  for (std::uint32_t key = 0; key < selected.size(); ++key) {
    if (selected[key]) keys.push_back(static_cast<std::uint16_t>(key));
  }
  return keys;
}

}  // namespace quillfen::world
