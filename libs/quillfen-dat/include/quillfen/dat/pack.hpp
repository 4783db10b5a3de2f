// Writing records back to bytes: every record type has `pack(ByteWriter&)`, the inverse of
// its decoder. A record whose lists its stored layout cannot hold - a list longer than its
// count field allows, or a list that must hold one entry per part, point or the like and
// does not - would give a file that decodes differently, so such a record's `pack` returns
// a PackError instead of writing it. Records of fixed layout (Vector3, Frame, Surface, the
// DAT header and entries) cannot fail and return nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "quillfen/common/byte_writer.hpp"

namespace quillfen::dat {

using common::ByteWriter;

// What a record's `pack` refused, e.g. "Polygon: vertex_ids holds 300 entries, more than
// its count field can hold (255)". The writer may hold part of the record afterwards.
struct PackError {
  std::string message;

  // A list longer than its count field can hold.
  static PackError too_long(std::string_view record, std::string_view field, std::size_t entries,
                            std::uint64_t most);
  // A list that must hold `expected` entries, one per `per`, and holds `entries`.
  static PackError wrong_length(std::string_view record, std::string_view field, std::size_t entries,
                                std::size_t expected, std::string_view per);
  // A value the record's layout cannot store as it is.
  static PackError unstorable(std::string_view record, std::string_view field, std::string_view why);

  bool operator==(const PackError&) const = default;
};

using PackResult = std::expected<void, PackError>;

// The bytes of `record` as its `pack` writes them; extra arguments go to `pack` (the tree
// kind of a BspNode).
template <class Record, class... Args>
std::expected<std::vector<std::uint8_t>, PackError> pack_record(const Record& record, const Args&... args) {
  ByteWriter writer;
  if constexpr (std::is_void_v<decltype(record.pack(writer, args...))>) {
    record.pack(writer, args...);
  } else {
    if (auto packed = record.pack(writer, args...); !packed) return std::unexpected(std::move(packed).error());
  }
  return writer.take();
}

}  // namespace quillfen::dat
