// DatError, the one error type of the DAT library, and the record read error it wraps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "quillfen/common/read_error.hpp"

namespace quillfen::dat {

using common::ContextFrame;
using common::CustomError;
using common::IoError;
using common::IoErrorKind;
using common::ReadError;

// Every kind is produced somewhere: reading (Io, BinRead, Corruption, PathError), lookup
// (NotFound) or the writer (DuplicateId, PathError, Other).
namespace dat_error {
struct Io { IoError error; };
struct BinRead { ReadError error; };
struct NotFound { std::uint32_t id; };
struct DuplicateId { std::uint32_t id; };
struct Corruption { std::string detail; };
// The expansion of compressed file `id` could not be held in memory.
struct DecompressionFailed { std::uint32_t id; };
struct PathError { std::filesystem::path path; IoError source; };
struct Other { std::string text; };
}  // namespace dat_error

class DatError {
 public:
  using Variant = std::variant<dat_error::Io, dat_error::BinRead, dat_error::NotFound, dat_error::DuplicateId,
                               dat_error::Corruption, dat_error::DecompressionFailed, dat_error::PathError,
                               dat_error::Other>;

  template <class Kind>
    requires std::is_constructible_v<Variant, Kind&&>
  DatError(Kind&& kind) : value_(std::forward<Kind>(kind)) {}  // NOLINT: implicit by design

  // A record read error becomes BinRead, as every decoder's caller expects.
  DatError(ReadError error) : value_(dat_error::BinRead{std::move(error)}) {}  // NOLINT
  DatError(IoError error) : value_(dat_error::Io{std::move(error)}) {}         // NOLINT

  const Variant& value() const { return value_; }
  template <class Kind>
  const Kind* get_if() const { return std::get_if<Kind>(&value_); }

  // The display text, e.g. "File ID 0000002F not found in provider".
  std::string message() const;
  // The kind's name with its payload, e.g. "NotFound(0x0000002F)".
  std::string debug() const;
  // The underlying causes, outermost first: for Io and PathError the I/O error's text,
  // for BinRead the read error's text and then its innermost cause.
  std::vector<std::string> causes() const;

 private:
  Variant value_;
};

}  // namespace quillfen::dat
