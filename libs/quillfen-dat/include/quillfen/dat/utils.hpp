// The two variable-length encodings of the DAT records and LRS decompression.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::utils {

// 1, 2 or 4 bytes chosen by the top two bits of the first byte; at most 2^30 - 1.
ReadResult<std::uint32_t> read_compressed_u32(Reader& reader);
// A compressed count, then that many u32 values.
ReadResult<std::vector<std::uint32_t>> read_smart_vec(Reader& reader);

inline constexpr std::uint32_t kMaxCompressedU32 = (1u << 30) - 1;

// Writes the shortest encoding of `value`; a value above kMaxCompressedU32 has none and
// fails, writing nothing.
[[nodiscard]] PackResult write_compressed_u32(ByteWriter& writer, std::uint64_t value);
// Fails, writing nothing, for more than kMaxCompressedU32 values.
[[nodiscard]] PackResult write_smart_vec(ByteWriter& writer, std::span<const std::uint32_t> values);

// Expands an LRS stream: a u32 expected size, then flag bytes each governing eight
// literal or back-reference tokens. Never fails; a damaged stream gives a shorter output.
std::vector<std::uint8_t> decompress_lrs(std::span<const std::uint8_t> input);

// The most bytes that `decompress_lrs` can produce from a stream of `input_size` bytes,
// whatever it declares: the token area yields at most 17 bytes per two.
std::uint64_t lrs_output_bound(std::size_t input_size);

// The most bytes that `decompress_lrs` can produce from `input`: its declared size, but
// no more than lrs_output_bound allows.
std::uint64_t lrs_output_limit(std::span<const std::uint8_t> input);

}  // namespace quillfen::dat::utils
