// Errors of the binary record reader: an I/O-style cause or a decoder's own rejection,
// plus the stack of "While parsing field ..." frames added on the way out.
#pragma once

#include "quillfen/common/config.hpp"

#include <cstdint>
#include <memory>
#include <source_location>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillfen::common {

inline constexpr std::string_view kFillWholeBuffer = "failed to fill whole buffer";
inline constexpr std::string_view kNotEnoughBytes = "not enough bytes in reader";

enum class IoErrorKind : std::uint8_t {
  UnexpectedEof,  // the data ended before a read was complete
  Os,             // an error reported by the operating system (errno)
  WriteZero,      // a write that accepted no bytes at all
};

// An I/O failure: its kind, the system error number where there is one, and its text.
class IoError {
 public:
  static IoError unexpected_eof(std::string_view message = kFillWholeBuffer);
  static IoError from_errno(int error_number);
  static IoError write_zero();

  IoErrorKind kind() const { return kind_; }
  int os_code() const { return os_code_; }
  const std::string& message() const { return message_; }

  bool operator==(const IoError&) const = default;

 private:
  IoError(IoErrorKind kind, int os_code, std::string message)
      : kind_(kind), os_code_(os_code), message_(std::move(message)) {}

  IoErrorKind kind_;
  int os_code_;
  std::string message_;
};

// A value that a decoder read and rejected, with the byte position it names.
struct CustomError {
  std::string message;
  std::uint64_t position = 0;

  bool operator==(const CustomError&) const = default;
};

// One record level that a failure passed through.
struct ContextFrame {
  std::string text;  // "While parsing field 'x' in Y"
  std::source_location location;
};

// The failure of a record decoder. Held behind one pointer so that results of scalar
// reads stay small on the success path. A moved-from error reads as an end-of-data error
// with no frames.
class ReadError {
 public:
  using Cause = std::variant<IoError, CustomError>;

  static ReadError eof(std::string_view message = kFillWholeBuffer);
  static ReadError custom(std::string message, std::uint64_t position);

  ReadError(const ReadError& other);
  ReadError& operator=(const ReadError& other);
  ReadError(ReadError&&) noexcept;
  ReadError& operator=(ReadError&&) noexcept;
  ~ReadError();

  const Cause& cause() const;
  // The innermost cause as text: the I/O error's text or the decoder's message.
  std::string cause_message() const;
  bool is_eof() const;
  // Innermost first.
  std::span<const ContextFrame> frames() const;

  // Adds the frame of the enclosing field; frames accumulate innermost first.
  ReadError& add_context(std::string_view field, std::string_view record,
                         std::source_location location = std::source_location::current());

  // The cause followed by the frames, on one line:
  // "failed to fill whole buffer (While parsing field 'z' in Quaternion; While parsing ...)".
  std::string message() const;

 private:
  struct Impl;
  explicit ReadError(std::unique_ptr<Impl> impl);
  const Impl& impl() const;
  std::unique_ptr<Impl> impl_;  // null only after a move
};

std::string field_context_text(std::string_view field, std::string_view record);

}  // namespace quillfen::common
