// The command line of surface-classify-audit: options, help, and usage errors.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace quillfen::audit {

struct Cli {
  std::filesystem::path portal_dat;
  std::filesystem::path cell_dat;
  std::string landblock;  // as typed; parsed after the command line is accepted
  std::filesystem::path out;
  std::optional<std::filesystem::path> contact_sheet;
  std::uint32_t tile = 64;
  std::uint32_t cols = 10;
};

// What the command line asks for when it is not a run: the text to print on standard
// output (help) or standard error (a usage error), and the exit status.
struct CliExit {
  int status = 0;
  std::string out_text;
  std::string err_text;
};

inline constexpr int kExitUsage = 2;

// Parses the arguments after the program name.
std::variant<Cli, CliExit> parse_cli(std::span<const std::string> args);

// A u32 option value: one optional leading '+' and decimal digits, at most 4294967295.
std::optional<std::uint32_t> parse_decimal_u32(std::string_view text);

}  // namespace quillfen::audit
