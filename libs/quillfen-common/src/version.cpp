// The library's own copy of the version, fixed when the library is compiled.
#include "quillfen/version.hpp"

namespace quillfen {

std::string_view version() { return QUILLFEN_VERSION_STRING; }

}  // namespace quillfen
