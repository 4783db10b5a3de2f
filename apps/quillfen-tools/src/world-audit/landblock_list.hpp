// The --landblocks list: comma-separated hexadecimal keys and inclusive ranges.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen::world {

// "A9B4,A000-A0FF,0x0012": each item a key of 1 to 4 hexadecimal digits, with or without
// a "0x"/"0X" prefix, or two keys joined by '-' with the first not above the second.
// Returns the keys ascending and without repeats, or the text of a usage error that
// names the first bad item.
std::expected<std::vector<std::uint16_t>, std::string> parse_landblock_list(std::string_view text);

}  // namespace quillfen::world
