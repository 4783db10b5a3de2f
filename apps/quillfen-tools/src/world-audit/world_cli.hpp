// The command line of quillfen-world-audit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "surface-classify-audit/cli.hpp"

namespace quillfen::world {

using audit::CliExit;

struct WorldCli {
  std::filesystem::path portal_dat;
  std::filesystem::path cell_dat;
  std::filesystem::path out_dir;                     // empty only with --list
  std::optional<std::vector<std::uint16_t>> landblocks;  // absent: every present landblock
  std::uint32_t jobs = 1;
  bool per_landblock = false;
  bool html = false;  // also write DIR/report, the report to open in a browser
  bool list = false;
  bool quiet = false;
};

inline constexpr std::uint32_t kMaxJobs = 1024;

// Parses the arguments after the program name. --help and --version, like usage errors,
// come back as what to print and the exit status. `default_jobs` is the number of cores.
std::variant<WorldCli, CliExit> parse_world_cli(std::span<const std::string> args, std::uint32_t default_jobs);

}  // namespace quillfen::world
