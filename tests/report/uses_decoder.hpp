// The tests' own reading of report-uses.js, written from the format's description in
// report_data.hpp: each landblock's surface indices, given each landblock's count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "world-audit/report/report_data.hpp"

namespace quillfen::testing {

// None when the text does not hold exactly `counts` numbers, or holds a bad character.
inline std::optional<std::vector<std::vector<std::uint32_t>>> decode_uses(std::string_view text,
                                                                          std::span<const std::size_t> counts) {
  std::size_t at = 0;
  const auto next = [&]() -> std::optional<std::uint64_t> {
    std::uint64_t value = 0;
    for (unsigned shift = 0; shift < 40; shift += 5) {
      if (at == text.size()) return std::nullopt;
      const auto digit = world::kUsesAlphabet.find(text[at++]);
      if (digit == std::string_view::npos) return std::nullopt;
      value |= std::uint64_t{digit & 31u} << shift;
      if (digit < 32) return value;
    }
    return std::nullopt;
  };
  std::vector<std::vector<std::uint32_t>> lists;
  for (const std::size_t count : counts) {
    std::vector<std::uint32_t>& list = lists.emplace_back();
    for (std::size_t i = 0; i < count; ++i) {
      const auto number = next();
      if (!number) return std::nullopt;
      list.push_back(static_cast<std::uint32_t>(i == 0 ? *number : list.back() + *number + 1));
    }
  }
  if (at != text.size()) return std::nullopt;
  return lists;
}

}  // namespace quillfen::testing
