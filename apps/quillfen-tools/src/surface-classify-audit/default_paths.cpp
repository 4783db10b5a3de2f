// The default DAT paths, from the data directory chosen when the tool was built.
#include "surface-classify-audit/default_paths.hpp"

namespace quillfen::audit {

std::filesystem::path default_data_dir() { return QUILLFEN_DATA_DIR; }
std::filesystem::path default_portal_dat() { return default_data_dir() / "client_portal.dat"; }
std::filesystem::path default_cell_dat() { return default_data_dir() / "client_cell_1.dat"; }

}  // namespace quillfen::audit
