// Float to text: std::to_chars finds the shortest round-trip digits; this file only
// rearranges them into the document's notation.
#include "surface-classify-audit/float_format.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace quillfen::audit {
namespace {

// Exponents written in plain decimal notation; everything else gets "e+X"/"e-X".
constexpr int kPlainMinExponent = -6;
constexpr int kPlainMaxExponent = 12;

// The significant digits and the decimal exponent of the first of them, taken from the
// scientific form "d[.ddd]e±XX" that to_chars writes.
struct Decimal {
  std::array<char, 16> digits{};  // a float never needs more than 9
  int count = 0;
  int exponent = 0;
};

Decimal decompose(float magnitude) {
  std::array<char, 32> text{};
  const auto result =
      std::to_chars(text.data(), text.data() + text.size(), magnitude, std::chars_format::scientific);
  Decimal decimal;
  const char* p = text.data();
  for (; p != result.ptr && *p != 'e'; ++p) {
    if (*p != '.') decimal.digits[static_cast<std::size_t>(decimal.count++)] = *p;
  }
  // to_chars always writes the exponent with its sign and at least two digits.
  ++p;
  const bool negative = *p == '-';
  ++p;
  int exponent = 0;
  for (; p != result.ptr; ++p) exponent = exponent * 10 + (*p - '0');
  decimal.exponent = negative ? -exponent : exponent;
  return decimal;
}

void append_plain(std::string& out, const Decimal& d) {
  const std::string_view digits(d.digits.data(), static_cast<std::size_t>(d.count));
  if (d.exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    out += digits;
    return;
  }
  const auto integer_digits = static_cast<std::size_t>(d.exponent) + 1;
  if (digits.size() <= integer_digits) {
    out += digits;
    out.append(integer_digits - digits.size(), '0');
    out += ".0";
  } else {
    out += digits.substr(0, integer_digits);
    out += '.';
    out += digits.substr(integer_digits);
  }
}

void append_exponential(std::string& out, const Decimal& d) {
  out += d.digits[0];
  if (d.count > 1) {
    out += '.';
    out.append(d.digits.data() + 1, static_cast<std::size_t>(d.count - 1));
  }
  out += 'e';
  out += d.exponent < 0 ? '-' : '+';
  std::array<char, 8> exponent{};
  const auto result = std::to_chars(exponent.data(), exponent.data() + exponent.size(),
                                    d.exponent < 0 ? -d.exponent : d.exponent);
  out.append(exponent.data(), result.ptr);
}

}  // namespace

void append_f32(std::string& out, float value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  if (std::signbit(value)) out += '-';
  const float magnitude = std::fabs(value);
  if (magnitude == 0.0f) {
    out += "0.0";
    return;
  }
  const Decimal decimal = decompose(magnitude);
  if (decimal.exponent >= kPlainMinExponent && decimal.exponent <= kPlainMaxExponent) {
    append_plain(out, decimal);
  } else {
    append_exponential(out, decimal);
  }
}

std::string format_f32(float value) {
  std::string out;
  append_f32(out, value);
  return out;
}

}  // namespace quillfen::audit
