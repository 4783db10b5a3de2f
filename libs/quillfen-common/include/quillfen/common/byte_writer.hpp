// The write side of the record reader: a growing little-endian byte buffer. Tests, the
// sample world and the benchmarks build record bytes with it.
#pragma once

#include "quillfen/common/config.hpp"

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace quillfen::common {

class ByteWriter {
 public:
  ByteWriter() = default;

  void write_u8(std::uint8_t value) { buf_.push_back(value); }
  void write_u16_le(std::uint16_t value) { write_scalar(value); }
  void write_u32_le(std::uint32_t value) { write_scalar(value); }
  void write_i32_le(std::int32_t value) { write_scalar(value); }
  void write_f32_le(float value) { write_scalar(std::bit_cast<std::uint32_t>(value)); }
  void write_bytes(std::span<const std::uint8_t> bytes) { buf_.insert(buf_.end(), bytes.begin(), bytes.end()); }
  void write_zeros(std::size_t n) { buf_.resize(buf_.size() + n, 0); }

  // Overwrites four bytes already written, for counts and offsets known only later.
  void patch_u32_le(std::size_t position, std::uint32_t value) {
    if constexpr (std::endian::native == std::endian::big) value = std::byteswap(value);
    std::memcpy(buf_.data() + position, &value, sizeof value);
  }

  std::size_t size() const { return buf_.size(); }
  const std::vector<std::uint8_t>& bytes() const { return buf_; }
  std::vector<std::uint8_t> take() { return std::move(buf_); }

 private:
  template <class T>
  void write_scalar(T value) {
    if constexpr (std::endian::native == std::endian::big) value = std::byteswap(value);
    const auto old = buf_.size();
    buf_.resize(old + sizeof(T));
    std::memcpy(buf_.data() + old, &value, sizeof(T));
  }

  std::vector<std::uint8_t> buf_;
};

}  // namespace quillfen::common
