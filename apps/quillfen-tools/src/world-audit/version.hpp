// The project version the programs print.
#pragma once

#include <string_view>

namespace quillfen::world {

constexpr std::string_view project_version() { return QUILLFEN_PROJECT_VERSION; }

}  // namespace quillfen::world
