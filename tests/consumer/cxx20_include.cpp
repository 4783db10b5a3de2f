// Compiled at C++20 by a test that expects the library's one-line refusal, not a page of
// errors about std::expected.
#include "quillfen/dat/database.hpp"

int main() { return 0; }
