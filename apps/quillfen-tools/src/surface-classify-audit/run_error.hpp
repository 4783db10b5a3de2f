// The error of a run: a message with an optional chain of causes, outermost first.
#pragma once

#include <string>
#include <vector>

namespace quillfen::audit {

struct RunError {
  std::string message;
  std::vector<std::string> causes;

  bool operator==(const RunError&) const = default;
};

}  // namespace quillfen::audit
