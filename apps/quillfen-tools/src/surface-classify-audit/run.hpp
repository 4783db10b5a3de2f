// The run driver: the fixed sequence of a run, its console lines and its exit status.
#pragma once

#include <cstdio>
#include <expected>

#include "surface-classify-audit/cli.hpp"
#include "surface-classify-audit/run_error.hpp"

namespace quillfen::audit {

inline constexpr int kExitRunError = 1;

// Runs the audit described by `cli`, printing progress lines to `log`.
std::expected<void, RunError> run_audit(const Cli& cli, std::FILE* log);

// run_audit with the error report: returns the process exit status.
int run_tool(const Cli& cli, std::FILE* log);

}  // namespace quillfen::audit
