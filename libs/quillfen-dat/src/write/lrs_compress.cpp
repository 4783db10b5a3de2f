// Greedy LZ matching over a hash chain of two-byte prefixes, within the 4095-byte window.
#include "quillfen/dat/write/lrs_compress.hpp"

#include <algorithm>
#include <array>

namespace quillfen::dat::write {
namespace {

constexpr std::size_t kWindow = 4095;
constexpr std::size_t kMinMatch = 2;
constexpr std::size_t kMaxMatch = 17;
constexpr int kMaxCandidates = 64;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// Collects tokens eight at a time behind their flag byte.
class TokenStream {
 public:
  explicit TokenStream(std::vector<std::uint8_t>& out) : out_(out) {}

  void literal(std::uint8_t byte) {
    begin_token(false);
    out_.push_back(byte);
  }

  void reference(std::size_t distance, std::size_t length) {
    begin_token(true);
    out_.push_back(static_cast<std::uint8_t>(distance & 0xFFu));
    out_.push_back(static_cast<std::uint8_t>(((distance >> 8) << 4) | (length - kMinMatch)));
  }

 private:
  void begin_token(bool is_reference) {
    if (mask_ == 0) {
      flag_at_ = out_.size();
      out_.push_back(0);
      mask_ = 0x80;
    }
    if (is_reference) out_[flag_at_] = static_cast<std::uint8_t>(out_[flag_at_] | mask_);
    mask_ >>= 1;
  }

  std::vector<std::uint8_t>& out_;
  std::size_t flag_at_ = 0;
  unsigned mask_ = 0;
};

}  // namespace

std::vector<std::uint8_t> compress_lrs(std::span<const std::uint8_t> input) {
  std::vector<std::uint8_t> out;
  out.reserve(4 + input.size() + input.size() / 8 + 1);
  const auto size = static_cast<std::uint32_t>(input.size());
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(size >> shift));

  std::vector<std::uint32_t> head(1u << 16, kNone);
  std::vector<std::uint32_t> prev(input.size(), kNone);
  const auto key = [&](std::size_t pos) { return static_cast<std::size_t>(input[pos]) | (static_cast<std::size_t>(input[pos + 1]) << 8); };
  const auto insert = [&](std::size_t pos) {
    if (pos + 1 >= input.size()) return;
    const std::size_t k = key(pos);
    prev[pos] = head[k];
    head[k] = static_cast<std::uint32_t>(pos);
  };

  TokenStream tokens(out);
  std::size_t pos = 0;
  while (pos < input.size()) {
    std::size_t best_length = 0;
    std::size_t best_distance = 0;
    if (pos + kMinMatch <= input.size()) {
      const std::size_t max_length = std::min(kMaxMatch, input.size() - pos);
      std::uint32_t candidate = head[key(pos)];
      for (int tries = 0; candidate != kNone && tries < kMaxCandidates; ++tries) {
        const std::size_t distance = pos - candidate;
        if (distance > kWindow) break;
        std::size_t length = 0;
        // Overlapping matches are fine: the decoder copies byte by byte.
        while (length < max_length && input[candidate + length] == input[pos + length]) ++length;
        if (length > best_length) {
          best_length = length;
          best_distance = distance;
          if (length == max_length) break;
        }
        candidate = prev[candidate];
      }
    }
    if (best_length >= kMinMatch) {
      tokens.reference(best_distance, best_length);
      for (std::size_t i = 0; i < best_length; ++i) insert(pos + i);
      pos += best_length;
    } else {
      tokens.literal(input[pos]);
      insert(pos);
      ++pos;
    }
  }
  return out;
}

}  // namespace quillfen::dat::write
