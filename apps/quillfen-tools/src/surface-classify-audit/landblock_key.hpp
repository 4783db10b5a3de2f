// The landblock key from its text: hexadecimal, with "0x"/"0X" prefixes removed.
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "surface-classify-audit/run_error.hpp"

namespace quillfen::audit {

// The low 16 bits of the text read as an unsigned 32-bit hexadecimal number, or the run
// error "parse hex landblock" with the integer parse error as its cause.
std::expected<std::uint16_t, RunError> parse_landblock_key(std::string_view text);

}  // namespace quillfen::audit
