// The report of a failed run on standard error.
#pragma once

#include <string>

#include "quillfen/dat/error.hpp"
#include "surface-classify-audit/run_error.hpp"

namespace quillfen::audit {

// "Error: {message}", then, with causes, an empty line, "Caused by:" and the causes: one
// indented by four spaces, several numbered from 0 in five columns.
std::string format_error_report(const RunError& error);

// A DAT library error as a run error, with its own cause chain.
RunError to_run_error(const dat::DatError& error);

}  // namespace quillfen::audit
