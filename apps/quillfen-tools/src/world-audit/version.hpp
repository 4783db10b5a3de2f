// The project version the programs print: that of the generated quillfen/version.hpp, from
// project(quillfen VERSION ...).
#pragma once

#include <string_view>

#include "quillfen/version.hpp"

namespace quillfen::world {

constexpr std::string_view project_version() { return QUILLFEN_VERSION_STRING; }

}  // namespace quillfen::world
