// The LRS compressor: the inverse of utils::decompress_lrs.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quillfen::dat::write {

// An LZ-style encoder: a u32 size, then flag bytes each governing eight tokens, a literal
// byte or a back-reference of distance 1..4095 and length 2..17. decompress_lrs turns the
// output back into `input` exactly.
std::vector<std::uint8_t> compress_lrs(std::span<const std::uint8_t> input);

}  // namespace quillfen::dat::write
