// Formatting of the error report.
#include "surface-classify-audit/error_report.hpp"

#include <fmt/format.h>

namespace quillfen::audit {

std::string format_error_report(const RunError& error) {
  std::string text = fmt::format("Error: {}\n", error.message);
  if (error.causes.empty()) return text;
  text += "\nCaused by:\n";
  if (error.causes.size() == 1) return text + fmt::format("    {}\n", error.causes.front());
  for (std::size_t i = 0; i < error.causes.size(); ++i) text += fmt::format("{:>5}: {}\n", i, error.causes[i]);
  return text;
}

RunError to_run_error(const dat::DatError& error) { return RunError{error.message(), error.causes()}; }

}  // namespace quillfen::audit
