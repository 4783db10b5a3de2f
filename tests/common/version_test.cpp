// The generated version header and the library agree, and the macros describe one version.
#include "quillfen/version.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quillfen {
namespace {

TEST(VersionTest, MacrosAndLibraryAgree) {
  EXPECT_EQ(version(), QUILLFEN_VERSION_STRING);
  EXPECT_EQ(std::string(QUILLFEN_VERSION_STRING), std::to_string(QUILLFEN_VERSION_MAJOR) + "." +
                                                      std::to_string(QUILLFEN_VERSION_MINOR) + "." +
                                                      std::to_string(QUILLFEN_VERSION_PATCH));
  static_assert(QUILLFEN_VERSION ==
                QUILLFEN_VERSION_MAJOR * 10000 + QUILLFEN_VERSION_MINOR * 100 + QUILLFEN_VERSION_PATCH);
  static_assert(QUILLFEN_VERSION_MINOR < 100 && QUILLFEN_VERSION_PATCH < 100, "QUILLFEN_VERSION would be ambiguous");
}

}  // namespace
}  // namespace quillfen
