// docs/LIBRARY.md shows code only from files that are compiled: each fenced C++ block
// follows a marker "<!-- excerpt: PATH NAME -->" and must equal the lines of PATH between
// its two "// [NAME]" (or "# [NAME]") lines, less their common indentation.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen {
namespace {

const std::filesystem::path kSource = QUILLFEN_SOURCE_DIR;

std::vector<std::string> read_lines(const std::filesystem::path& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in) << path;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(' ');
  return first == std::string::npos ? "" : line.substr(first, line.find_last_not_of(' ') - first + 1);
}

// The lines between the two markers of `name` in `path`, dedented; empty when the file
// does not have exactly two.
std::vector<std::string> marked_region(const std::filesystem::path& path, const std::string& name) {
  const auto lines = read_lines(path);
  std::vector<std::size_t> markers;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string t = trimmed(lines[i]);
    if (t == "// [" + name + "]" || t == "# [" + name + "]") markers.push_back(i);
  }
  EXPECT_EQ(markers.size(), 2u) << path << " [" << name << "]";
  if (markers.size() != 2) return {};
  std::vector<std::string> region(lines.begin() + static_cast<std::ptrdiff_t>(markers[0]) + 1,
                                  lines.begin() + static_cast<std::ptrdiff_t>(markers[1]));
  std::size_t indent = std::string::npos;
  for (const auto& line : region) {
    if (!trimmed(line).empty()) indent = std::min(indent, line.find_first_not_of(' '));
  }
  for (auto& line : region) line = line.size() >= indent ? line.substr(indent) : "";
  return region;
}

struct Block {
  std::string language;
  std::vector<std::string> lines;
  std::string source;  // "PATH NAME" from the marker before it, if any
};

// "PATH NAME" of a line "<!-- excerpt: PATH NAME -->", or nothing.
std::string excerpt_source(const std::string& line) {
  constexpr std::string_view kOpen = "<!-- excerpt: ";
  constexpr std::string_view kClose = " -->";
  if (!line.starts_with(kOpen) || !line.ends_with(kClose) || line.size() <= kOpen.size() + kClose.size()) return "";
  return line.substr(kOpen.size(), line.size() - kOpen.size() - kClose.size());
}

std::vector<Block> fenced_blocks(const std::vector<std::string>& doc) {
  std::vector<Block> blocks;
  std::string pending;
  for (std::size_t i = 0; i < doc.size(); ++i) {
    if (const std::string source = excerpt_source(doc[i]); !source.empty()) {
      pending = source;
      continue;
    }
    if (!doc[i].starts_with("```")) {
      if (!trimmed(doc[i]).empty()) pending.clear();
      continue;
    }
    Block block{doc[i].substr(3), {}, pending};
    pending.clear();
    for (++i; i < doc.size() && doc[i] != "```"; ++i) block.lines.push_back(doc[i]);
    blocks.push_back(std::move(block));
  }
  return blocks;
}

TEST(LibraryDocTest, EveryCodeExcerptIsTheExampleSource) {
  const auto blocks = fenced_blocks(read_lines(kSource / "docs/LIBRARY.md"));
  std::size_t excerpts = 0;
  for (const Block& block : blocks) {
    if (block.source.empty()) {
      // Commands to type may stand alone; C++ must come from a compiled file.
      EXPECT_NE(block.language, "cpp") << "a C++ block without an excerpt marker:\n" << block.lines.front();
      continue;
    }
    ++excerpts;
    std::istringstream source(block.source);
    std::string path;
    std::string name;
    source >> path >> name;
    SCOPED_TRACE(block.source);
    EXPECT_EQ(block.lines, marked_region(kSource / path, name));
  }
  EXPECT_GT(excerpts, 0u) << "docs/LIBRARY.md has no excerpts to check";
}

}  // namespace
}  // namespace quillfen
