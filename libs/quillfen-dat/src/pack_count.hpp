// Count fields of the record writers: the count is written only when it fits its field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "quillfen/dat/pack.hpp"

namespace quillfen::dat::packing {

// Writes `entries` as a count field of type Count (u8, u16, u32 or i32), or fails.
template <class Count>
PackResult write_count(ByteWriter& writer, std::size_t entries, std::string_view record, std::string_view field) {
  constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<Count>::max());
  if (entries > most) return std::unexpected(PackError::too_long(record, field, entries, most));
  if constexpr (std::is_same_v<Count, std::uint8_t>) {
    writer.write_u8(static_cast<std::uint8_t>(entries));
  } else if constexpr (std::is_same_v<Count, std::uint16_t>) {
    writer.write_u16_le(static_cast<std::uint16_t>(entries));
  } else if constexpr (std::is_same_v<Count, std::uint32_t>) {
    writer.write_u32_le(static_cast<std::uint32_t>(entries));
  } else {
    static_assert(std::is_same_v<Count, std::int32_t>);
    writer.write_i32_le(static_cast<std::int32_t>(entries));
  }
  return {};
}

// Fails unless `entries` is `expected`: lists whose length the record stores once for all.
inline PackResult check_length(std::size_t entries, std::size_t expected, std::string_view record,
                               std::string_view field, std::string_view per) {
  if (entries != expected) return std::unexpected(PackError::wrong_length(record, field, entries, expected, per));
  return {};
}

}  // namespace quillfen::dat::packing
