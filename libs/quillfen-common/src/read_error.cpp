// Construction, copying and display of record read errors.
#include "quillfen/common/read_error.hpp"

#include <cstring>

#include <fmt/format.h>

namespace quillfen::common {

IoError IoError::unexpected_eof(std::string_view message) {
  return IoError(IoErrorKind::UnexpectedEof, 0, std::string(message));
}

IoError IoError::from_errno(int error_number) {
  return IoError(IoErrorKind::Os, error_number, std::strerror(error_number));
}

IoError IoError::write_zero() {
  return IoError(IoErrorKind::WriteZero, 0, "failed to write whole buffer");
}

struct ReadError::Impl {
  Cause cause;
  std::vector<ContextFrame> frames;
};

// A moved-from error holds no state; it reads as an end-of-data error with no frames, so
// that copying or printing it is as safe as for any other error.
const ReadError::Impl& ReadError::impl() const {
  static const Impl kEmpty{IoError::unexpected_eof(), {}};
  return impl_ ? *impl_ : kEmpty;
}

ReadError::ReadError(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ReadError::~ReadError() = default;
ReadError::ReadError(ReadError&&) noexcept = default;
ReadError& ReadError::operator=(ReadError&&) noexcept = default;

ReadError::ReadError(const ReadError& other)
    : impl_(other.impl_ ? std::make_unique<Impl>(*other.impl_) : nullptr) {}

ReadError& ReadError::operator=(const ReadError& other) {
  if (this != &other) impl_ = other.impl_ ? std::make_unique<Impl>(*other.impl_) : nullptr;
  return *this;
}

ReadError ReadError::eof(std::string_view message) {
  return ReadError(std::make_unique<Impl>(Impl{IoError::unexpected_eof(message), {}}));
}

ReadError ReadError::custom(std::string message, std::uint64_t position) {
  return ReadError(std::make_unique<Impl>(Impl{CustomError{std::move(message), position}, {}}));
}

const ReadError::Cause& ReadError::cause() const { return impl().cause; }

std::string ReadError::cause_message() const {
  if (const auto* io = std::get_if<IoError>(&impl().cause)) return io->message();
  return std::get<CustomError>(impl().cause).message;
}

bool ReadError::is_eof() const {
  const auto* io = std::get_if<IoError>(&impl().cause);
  return io != nullptr && io->kind() == IoErrorKind::UnexpectedEof;
}

std::span<const ContextFrame> ReadError::frames() const { return impl().frames; }

ReadError& ReadError::add_context(std::string_view field, std::string_view record,
                                  std::source_location location) {
  if (!impl_) impl_ = std::make_unique<Impl>(impl());
  impl_->frames.push_back(ContextFrame{field_context_text(field, record), location});
  return *this;
}

std::string ReadError::message() const {
  const Impl& state = impl();
  std::string text = cause_message();
  if (const auto* custom = std::get_if<CustomError>(&state.cause)) {
    text += fmt::format(" at byte {}", custom->position);
  }
  if (!state.frames.empty()) {
    text += " (";
    for (std::size_t i = 0; i < state.frames.size(); ++i) {
      if (i != 0) text += "; ";
      text += state.frames[i].text;
    }
    text += ")";
  }
  return text;
}

std::string field_context_text(std::string_view field, std::string_view record) {
  return fmt::format("While parsing field '{}' in {}", field, record);
}

}  // namespace quillfen::common
