// The JSON writer: layout bookkeeping and the string escaper with its UTF-8 check.
#include "surface-classify-audit/json_writer.hpp"

#include <array>
#include <charconv>

#include "surface-classify-audit/float_format.hpp"

namespace quillfen::audit {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

bool is_continuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at the start of `rest`, or, when it is
// ill-formed, the negated length of its maximal subpart (the longest prefix that could
// still begin a valid sequence, at least one byte). Follows the table of well-formed
// byte sequences: the second byte's range depends on the lead byte so that overlong
// forms, surrogates and values above U+10FFFF are all rejected.
int utf8_sequence(std::string_view rest) {
  const auto lead = static_cast<std::uint8_t>(rest[0]);
  int length = 0;
  std::uint8_t second_min = 0x80;
  std::uint8_t second_max = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) second_min = 0xA0;
    if (lead == 0xED) second_max = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) second_min = 0x90;
    if (lead == 0xF4) second_max = 0x8F;
  } else {
    return -1;  // a stray continuation byte, C0, C1 or F5..FF
  }
  int seen = 1;
  for (; seen < length; ++seen) {
    if (static_cast<std::size_t>(seen) >= rest.size()) return -seen;
    const auto byte = static_cast<std::uint8_t>(rest[static_cast<std::size_t>(seen)]);
    const bool ok = seen == 1 ? (byte >= second_min && byte <= second_max) : is_continuation(byte);
    if (!ok) return -seen;
  }
  return length;
}

// Bytes that may be copied as they are without a further look.
bool is_plain_ascii(std::uint8_t byte) { return byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\'; }

void append_escape(std::string& out, std::uint8_t byte) {
  switch (byte) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\b': out += "\\b"; return;
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\f': out += "\\f"; return;
    case '\r': out += "\\r"; return;
    default: break;
  }
  constexpr std::string_view kHex = "0123456789abcdef";
  out += "\\u00";
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

}  // namespace

void append_json_string(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 2);
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    // Copy runs of ordinary ASCII in one append; that is nearly every byte in practice.
    std::size_t run = i;
    while (run < text.size() && is_plain_ascii(static_cast<std::uint8_t>(text[run]))) ++run;
    out.append(text.data() + i, run - i);
    i = run;
    if (i == text.size()) break;

    const auto byte = static_cast<std::uint8_t>(text[i]);
    if (byte < 0x80) {
      append_escape(out, byte);
      ++i;
      continue;
    }
    const int sequence = utf8_sequence(text.substr(i));
    if (sequence > 0) {
      out.append(text.data() + i, static_cast<std::size_t>(sequence));
      i += static_cast<std::size_t>(sequence);
    } else {
      out += kReplacement;
      i += static_cast<std::size_t>(-sequence);
    }
  }
  out += '"';
}

JsonWriter JsonWriter::embedded_at(std::size_t depth, std::size_t reserve_bytes) {
  JsonWriter json(reserve_bytes);
  // Stand-ins for the levels around the value; the value itself takes the place of a
  // member's value, so nothing is put in front of it.
  json.levels_.assign(depth, Level{']', false, false});
  json.after_key_ = true;
  return json;
}

void JsonWriter::newline_and_indent(std::size_t depth) {
  out_ += '\n';
  out_.append(depth * 2, ' ');
}

void JsonWriter::open_item() {
  if (levels_.empty()) return;  // the document's root value
  Level& level = levels_.back();
  if (level.inline_items) {
    if (!level.empty) out_ += ", ";
    level.empty = false;
    return;
  }
  if (!level.empty) out_ += ',';
  level.empty = false;
  newline_and_indent(levels_.size());
}

void JsonWriter::before_value() {
  // A member's value follows its key on the same line.
  if (after_key_) {
    after_key_ = false;
    return;
  }
  open_item();
}

void JsonWriter::begin(char open, char close, bool inline_items) {
  before_value();
  out_ += open;
  levels_.push_back(Level{close, true, inline_items});
}

void JsonWriter::end() {
  if (levels_.empty()) return;
  const Level level = levels_.back();
  levels_.pop_back();
  if (!level.empty && !level.inline_items) newline_and_indent(levels_.size());
  out_ += level.close;
}

void JsonWriter::begin_object() { begin('{', '}'); }
void JsonWriter::end_object() { end(); }
void JsonWriter::begin_array() { begin('[', ']'); }
void JsonWriter::end_array() { end(); }
void JsonWriter::begin_inline_array() { begin('[', ']', true); }

void JsonWriter::key(std::string_view name) {
  open_item();
  append_json_string(out_, name);
  out_ += ": ";
  after_key_ = true;
}

void JsonWriter::string_value(std::string_view text) {
  before_value();
  append_json_string(out_, text);
}

void JsonWriter::uint_value(std::uint64_t value) {
  before_value();
  std::array<char, 24> digits{};
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  out_.append(digits.data(), result.ptr);
}

void JsonWriter::float_value(float value) {
  before_value();
  append_f32(out_, value);
}

void JsonWriter::bool_value(bool value) {
  before_value();
  out_ += value ? "true" : "false";
}

void JsonWriter::null_value() {
  before_value();
  out_ += "null";
}

void JsonWriter::raw_value(std::string_view json_text) {
  before_value();
  out_ += json_text;
}

}  // namespace quillfen::audit
