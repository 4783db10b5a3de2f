// The record reader: a bounds-checked read position over the bytes of one file.
// Every multi-byte read is little-endian; a read that does not fit fails with the
// end-of-data error and leaves the position where it was.
#pragma once

#include "quillfen/common/config.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <expected>
#include <source_location>
#include <span>
#include <string_view>
#include <utility>

#include "quillfen/common/read_error.hpp"

namespace quillfen::common {

template <class T>
using ReadResult = std::expected<T, ReadError>;

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data, std::size_t position = 0)
      : data_(data), pos_(std::min(position, data.size())) {}

  std::size_t position() const { return pos_; }
  std::size_t size() const { return data_.size(); }
  std::size_t remaining() const { return data_.size() - pos_; }
  std::span<const std::uint8_t> data() const { return data_; }

  ReadResult<std::uint8_t> read_u8() {
    if (remaining() < 1) return std::unexpected(ReadError::eof());
    return data_[pos_++];
  }
  ReadResult<std::uint16_t> read_u16_le() { return read_scalar<std::uint16_t>(); }
  ReadResult<std::uint32_t> read_u32_le() { return read_scalar<std::uint32_t>(); }
  ReadResult<std::int32_t> read_i32_le() { return read_scalar<std::int32_t>(); }
  ReadResult<float> read_f32_le() {
    auto bits = read_scalar<std::uint32_t>();
    if (!bits) return std::unexpected(std::move(bits).error());
    return std::bit_cast<float>(*bits);
  }

  // Exactly n bytes, as a view into the reader's data.
  ReadResult<std::span<const std::uint8_t>> read_bytes(std::size_t n,
                                                       std::string_view eof_message = kFillWholeBuffer) {
    if (remaining() < n) return std::unexpected(ReadError::eof(eof_message));
    auto out = data_.subspan(pos_, n);
    pos_ += n;
    return out;
  }

  // Moves forward by up to n bytes; never fails (padding that may be cut off at the end).
  void skip_at_most(std::size_t n) { pos_ += std::min(n, remaining()); }

  // How many elements of at least `min_element_size` bytes the rest of the data can hold:
  // counts from a file are hostile, so reservations never exceed this.
  std::size_t capacity_for(std::uint64_t count, std::size_t min_element_size) const {
    const std::uint64_t fit = remaining() / std::max<std::size_t>(min_element_size, 1);
    return static_cast<std::size_t>(std::min(count, fit));
  }

 private:
  template <class T>
  ReadResult<T> read_scalar() {
    if (remaining() < sizeof(T)) return std::unexpected(ReadError::eof());
    T value;
    std::memcpy(&value, data_.data() + pos_, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) value = std::byteswap(value);
    pos_ += sizeof(T);
    return value;
  }

  std::span<const std::uint8_t> data_;
  std::size_t pos_;
};

// Adds the context frame of field `field` of record `record` to a failed result.
template <class T>
ReadResult<T> in_field(ReadResult<T>&& result, std::string_view field, std::string_view record,
                       std::source_location location = std::source_location::current()) {
  if (!result) result.error().add_context(field, record, location);
  return std::move(result);
}

}  // namespace quillfen::common

#define QF_CONCAT_INNER(a, b) a##b
#define QF_CONCAT(a, b) QF_CONCAT_INNER(a, b)

// Evaluates `expr` (an std::expected); on failure returns its error from the enclosing
// function, otherwise moves the value into `lhs` (a declaration or an lvalue).
#define QF_TRY_ASSIGN(lhs, expr)                                        \
  auto QF_CONCAT(qf_try_, __LINE__) = (expr);                           \
  if (!QF_CONCAT(qf_try_, __LINE__))                                    \
    return std::unexpected(std::move(QF_CONCAT(qf_try_, __LINE__)).error()); \
  lhs = std::move(*QF_CONCAT(qf_try_, __LINE__))

// Like QF_TRY_ASSIGN for an expected<void, E>.
#define QF_TRY_VOID(expr)                                               \
  do {                                                                  \
    auto qf_try_void_ = (expr);                                         \
    if (!qf_try_void_) return std::unexpected(std::move(qf_try_void_).error()); \
  } while (false)

// Reads one field of a record with its "While parsing field 'field' in Record" frame;
// the frame records the source line of this read.
#define QF_FIELD(lhs, expr, field, record) \
  QF_TRY_ASSIGN(lhs, ::quillfen::common::in_field((expr), field, record))
