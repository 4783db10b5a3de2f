// Where the tool looks for the two DAT files when no path is given: a data directory
// fixed at build time (the CMake cache variable QUILLFEN_DATA_DIR).
#pragma once

#include <filesystem>

namespace quillfen::audit {

std::filesystem::path default_data_dir();
std::filesystem::path default_portal_dat();
std::filesystem::path default_cell_dat();

}  // namespace quillfen::audit
