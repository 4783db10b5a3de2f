// LRS decompression of arbitrary streams: the output never exceeds the declared size nor
// the bound of what the tokens can produce; and compressing any input and expanding it
// again gives the input back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "quillfen/dat/utils.hpp"
#include "quillfen/dat/write/lrs_compress.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace utils = quillfen::dat::utils;
  const std::span<const std::uint8_t> input(data, size);

  const auto out = utils::decompress_lrs(input);
  if (out.size() > utils::lrs_output_bound(size)) std::abort();
  if (size >= 4) {
    const std::uint32_t expected = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
                                   (static_cast<std::uint32_t>(data[2]) << 16) |
                                   (static_cast<std::uint32_t>(data[3]) << 24);
    if (out.size() > expected) std::abort();
  } else if (out.size() != size) {
    std::abort();  // 1 to 3 bytes come back unchanged
  }

  const auto packed = quillfen::dat::write::compress_lrs(input);
  if (utils::decompress_lrs(packed) != std::vector<std::uint8_t>(input.begin(), input.end())) std::abort();
  return 0;
}
