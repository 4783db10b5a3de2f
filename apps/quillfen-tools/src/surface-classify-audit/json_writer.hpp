// A small JSON writer with the audit document's fixed layout: every member and element on
// a line of its own, two spaces of indentation per level, "{}"/"[]" when empty, no final
// newline. Strings are escaped minimally and kept valid UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillfen::audit {

// Appends `text` as a quoted JSON string. \" \\ \b \t \n \f \r are escaped by name, other
// bytes below 32 as \u00xx; valid UTF-8 passes byte for byte, and each maximal invalid
// subsequence (paths can hold any bytes) becomes U+FFFD so the document stays valid.
void append_json_string(std::string& out, std::string_view text);

// Streams one document into a string. Inside an object call key() before each value;
// inside an array write the values directly. Calls out of that order are the caller's bug.
class JsonWriter {
 public:
  explicit JsonWriter(std::size_t reserve_bytes = 0) { out_.reserve(reserve_bytes); }

  // A writer for one value that a document will hold `depth` levels deep, passed to its
  // raw_value: its lines are indented as they are there, so values can be written apart
  // (on other threads) and joined in order.
  static JsonWriter embedded_at(std::size_t depth, std::size_t reserve_bytes = 0);

  void begin_object();
  void end_object();
  void begin_array();
  void end_array();
  // An array whose elements stay on its key's line, separated by ", ": for long lists of
  // short values. Only plain values go inside.
  void begin_inline_array();

  void key(std::string_view name);
  void string_value(std::string_view text);
  void uint_value(std::uint64_t value);
  void float_value(float value);
  void bool_value(bool value);
  void null_value();
  // Text that is already a JSON value (a number, or a string with its quotes, that needs
  // no escaping): the fast path for values written millions of times.
  void raw_value(std::string_view json_text);

  const std::string& text() const { return out_; }
  std::string take() { return std::move(out_); }
  // The text written since the last call, leaving the writer where it was in the document:
  // a large document can go to its file in pieces.
  std::string drain() { return std::exchange(out_, std::string()); }

 private:
  struct Level {
    char close;        // '}' or ']'
    bool empty = true;
    bool inline_items = false;
  };

  // Puts the separator, the line break and the indentation in front of a member or element.
  void open_item();
  void before_value();
  void begin(char open, char close, bool inline_items = false);
  void end();
  void newline_and_indent(std::size_t depth);

  std::string out_;
  std::vector<Level> levels_;
  bool after_key_ = false;
};

}  // namespace quillfen::audit
