// The texts of PackError.
#include "quillfen/dat/pack.hpp"

#include <fmt/format.h>

namespace quillfen::dat {

PackError PackError::too_long(std::string_view record, std::string_view field, std::size_t entries,
                              std::uint64_t most) {
  return {fmt::format("{}: {} holds {} entries, more than its count field can hold ({})", record, field, entries,
                      most)};
}

PackError PackError::wrong_length(std::string_view record, std::string_view field, std::size_t entries,
                                  std::size_t expected, std::string_view per) {
  return {fmt::format("{}: {} holds {} entries, but needs one per {} ({})", record, field, entries, per, expected)};
}

PackError PackError::unstorable(std::string_view record, std::string_view field, std::string_view why) {
  return {fmt::format("{}: {} {}", record, field, why)};
}

}  // namespace quillfen::dat
