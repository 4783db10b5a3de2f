// The tool's console: progress lines, warnings and the error report go to standard error,
// the help text to standard output. A run's work and its output files matter more than
// its log, so a console line that cannot be written (standard error closed, full, or a
// pipe whose reader has gone) is dropped, never fatal.
#pragma once

#include <cstdio>
#include <expected>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "quillfen/common/read_error.hpp"

namespace quillfen::audit {

struct StandardStreams {
  bool output_was_closed = false;  // descriptor 1 was not open when the process started
};

// Call first thing in main. Ignores SIGPIPE, so that a write to a pipe whose reader has
// gone fails with EPIPE instead of ending the process, and fills each of the descriptors
// 0, 1 and 2 that is closed (with an empty input, or an output whose every write fails),
// so that no file the run opens later takes the place of a standard stream and receives
// its lines.
StandardStreams prepare_console();

// A stream over standard error whose writes never fail: what the descriptor refuses is
// dropped. fmt::print and stdio use it like stderr (unbuffered as well). It is stderr
// itself if such a stream cannot be made.
std::FILE* lossy_standard_error();

// Writes `text` to `stream`, dropping what cannot be written; never throws.
void console_write(std::FILE* stream, std::string_view text) noexcept;

// Formats like fmt::print, then console_write.
template <class... Args>
void console_print(std::FILE* stream, fmt::format_string<Args...> format, Args&&... args) {
  console_write(stream, fmt::format(format, std::forward<Args>(args)...));
}

// Writes all of `text` to `stream` and flushes it, for output that must arrive (the help
// text): the system error when any of it did not.
std::expected<void, common::IoError> write_and_flush(std::FILE* stream, std::string_view text);

}  // namespace quillfen::audit
