// Compressed u32, smart vectors and LRS decompression.
#include "quillfen/dat/utils.hpp"

#include <algorithm>
#include <string>

namespace quillfen::dat::utils {

ReadResult<std::uint32_t> read_compressed_u32(Reader& reader) {
  QF_TRY_ASSIGN(const std::uint32_t b0, reader.read_u8());
  if ((b0 & 0x80u) == 0) return b0;
  QF_TRY_ASSIGN(const std::uint32_t b1, reader.read_u8());
  if ((b0 & 0x40u) == 0) return ((b0 & 0x3Fu) << 8) | b1;
  // The 4-byte form is mixed-endian: b1 is the second-highest byte, the low half follows LE.
  QF_TRY_ASSIGN(const std::uint32_t low, reader.read_u16_le());
  return ((b0 & 0x3Fu) << 24) | (b1 << 16) | low;
}

ReadResult<std::vector<std::uint32_t>> read_smart_vec(Reader& reader) {
  QF_TRY_ASSIGN(const std::uint32_t count, read_compressed_u32(reader));
  std::vector<std::uint32_t> values;
  values.reserve(reader.capacity_for(count, 4));
  for (std::uint32_t i = 0; i < count; ++i) {
    QF_TRY_ASSIGN(const std::uint32_t value, reader.read_u32_le());
    values.push_back(value);
  }
  return values;
}

PackResult write_compressed_u32(ByteWriter& writer, std::uint64_t value) {
  if (value > kMaxCompressedU32) {
    return std::unexpected(
        PackError::unstorable("compressed u32", std::to_string(value), "exceeds the largest encodable value 2^30 - 1"));
  }
  if (value < 0x80u) {
    writer.write_u8(static_cast<std::uint8_t>(value));
  } else if (value < 0x4000u) {
    writer.write_u8(static_cast<std::uint8_t>(0x80u | (value >> 8)));
    writer.write_u8(static_cast<std::uint8_t>(value & 0xFFu));
  } else {
    writer.write_u8(static_cast<std::uint8_t>(0xC0u | ((value >> 24) & 0x3Fu)));
    writer.write_u8(static_cast<std::uint8_t>((value >> 16) & 0xFFu));
    writer.write_u16_le(static_cast<std::uint16_t>(value & 0xFFFFu));
  }
  return {};
}

PackResult write_smart_vec(ByteWriter& writer, std::span<const std::uint32_t> values) {
  if (values.size() > kMaxCompressedU32) {
    return std::unexpected(PackError::too_long("smart vector", "values", values.size(), kMaxCompressedU32));
  }
  QF_TRY_VOID(write_compressed_u32(writer, values.size()));
  for (const std::uint32_t v : values) writer.write_u32_le(v);
  return {};
}

std::uint64_t lrs_output_bound(std::size_t input_size) {
  if (input_size < 4) return input_size;
  // Every two token bytes give at most 17 output bytes; flag bytes give nothing.
  const std::uint64_t tokens = input_size - 4;
  return (tokens / 2) * 17 + (tokens % 2);
}

std::uint64_t lrs_output_limit(std::span<const std::uint8_t> input) {
  if (input.size() < 4) return input.size();
  const std::uint32_t expected = static_cast<std::uint32_t>(input[0]) |
                                 (static_cast<std::uint32_t>(input[1]) << 8) |
                                 (static_cast<std::uint32_t>(input[2]) << 16) |
                                 (static_cast<std::uint32_t>(input[3]) << 24);
  return std::min<std::uint64_t>(expected, lrs_output_bound(input.size()));
}

std::vector<std::uint8_t> decompress_lrs(std::span<const std::uint8_t> input) {
  if (input.empty()) return {};
  if (input.size() < 4) return {input.begin(), input.end()};

  // The output grows as bytes come out, never past what the stream declares or what its
  // tokens can produce: a declaration alone reserves nothing.
  const std::size_t limit = static_cast<std::size_t>(lrs_output_limit(input));
  if (limit == 0) return {};
  constexpr std::size_t kFirstReservation = std::size_t{64} << 10;
  std::vector<std::uint8_t> out(std::min(limit, kFirstReservation));
  std::size_t produced = 0;
  // Makes room for `count` more bytes (the caller keeps produced + count within limit).
  const auto make_room = [&](std::size_t count) {
    if (produced + count > out.size()) out.resize(std::min(limit, std::max(produced + count, 2 * out.size())));
  };

  const std::span<const std::uint8_t> tokens = input.subspan(4);
  std::size_t i = 0;
  unsigned mask = 0;
  unsigned flag = 0;
  while (i < tokens.size() && produced < limit) {
    if (mask == 0) {
      flag = tokens[i++];
      mask = 0x80;
    }
    if ((flag & mask) == 0) {
      // A flag byte that was the last byte of the stream leaves no literal to copy.
      if (i >= tokens.size()) break;
      make_room(1);
      out[produced++] = tokens[i++];
    } else {
      if (tokens.size() - i < 2) break;
      const unsigned lo = tokens[i];
      const unsigned hi = tokens[i + 1];
      const std::size_t distance = lo | ((hi & 0xF0u) << 4);
      if (distance == 0) break;  // the end-of-stream marker
      // A back-reference into an empty output has no byte to copy.
      if (produced == 0) break;
      const std::size_t length = std::min<std::size_t>((hi & 0x0Fu) + 2, limit - produced);
      i += 2;
      make_room(length);
      // Byte by byte from the growing output: a distance below the length repeats a run,
      // one beyond the output reads from its first byte.
      for (std::size_t k = 0; k < length; ++k) {
        const std::size_t source = distance > produced ? 0 : produced - distance;
        out[produced] = out[source];
        ++produced;
      }
    }
    mask >>= 1;
  }
  out.resize(produced);
  return out;
}

}  // namespace quillfen::dat::utils
