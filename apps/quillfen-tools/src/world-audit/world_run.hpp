// The run of quillfen-world-audit: open both DATs once, audit the landblocks, write the
// documents and maps, and print the phases and a summary.
#pragma once

#include <cstdio>
#include <expected>

#include "surface-classify-audit/run_error.hpp"
#include "world-audit/console.hpp"
#include "world-audit/world_cli.hpp"

namespace quillfen::world {

using audit::RunError;

// The whole run; `out` receives the --list lines, `console` everything else.
std::expected<void, RunError> run_world_audit(const WorldCli& cli, Console& console, std::FILE* out);

// run_world_audit in a task arena of cli.jobs threads, with the error report: returns the
// process exit status.
int run_world_tool(const WorldCli& cli, std::FILE* out, std::FILE* err);

}  // namespace quillfen::world
