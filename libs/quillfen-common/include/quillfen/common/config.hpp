// What the library asks of the compiler, checked first so that a wrong language level is
// one clear message instead of a page of errors about std::expected.
#pragma once

#include <version>

#if !defined(__cpp_lib_expected) || __cpp_lib_expected < 202202L || !defined(__cpp_lib_byteswap)
#error "quillfen requires C++23 (std::expected, std::byteswap): compile with -std=c++23 (GCC 12 or later)"
#endif
