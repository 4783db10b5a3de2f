// Console lines of the world audit on standard error. A line that cannot be written is
// dropped: a full or closed console must never stop the audit or lose its files.
#pragma once

#include <fmt/format.h>

#include <cstdio>
#include <string_view>

namespace quillfen::world {

class Console {
 public:
  Console(std::FILE* out, bool quiet) : out_(out), quiet_(quiet) {}

  // A progress or summary line, not printed with --quiet.
  template <class... Args>
  void line(fmt::format_string<Args...> format, Args&&... args) {
    if (!quiet_) write(fmt::format(format, std::forward<Args>(args)...) + '\n');
  }
  // Text printed whatever --quiet says: the error report.
  void error(std::string_view text) { write(text); }

  std::FILE* stream() const { return out_; }
  bool quiet() const { return quiet_; }

 private:
  void write(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), out_) == text.size()) std::fflush(out_);
  }

  std::FILE* out_;
  bool quiet_;
};

}  // namespace quillfen::world
