// The text form of a 32-bit float in the audit document: the shortest digits that read
// back as the same float, in plain notation for moderate exponents, else with an exponent.
#pragma once

#include <string>

namespace quillfen::audit {

// "null" for NaN and the infinities; "0.0"/"-0.0" for zeros; "0.5", "12.0",
// "0.000001", "1000000000000.0" for decimal exponents -6..12; "1e-7", "1.5e-7",
// "1e+13", "3.4028235e+38" otherwise.
std::string format_f32(float value);

// The same, appended to `out` (the JSON writer's path, which avoids a temporary).
void append_f32(std::string& out, float value);

}  // namespace quillfen::audit
