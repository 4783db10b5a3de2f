// BSP trees of a GfxObj: the node records, the tags that select them and the recursive
// reader. A tree is stored in pre-order; how much each node carries depends on the kind
// of tree, which every node inherits from the root.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::physics {

enum class BspTreeKind : std::uint8_t {
  Drawing = 0,
  Physics = 1,
  Cell = 2,
};

// The deepest tree the reader accepts, counting the root as level 1. The format sets no
// limit and the reader recurses once per level, so a hostile tree could otherwise nest
// until the stack runs out. A tree partitions one mesh's polygons (hundreds, rarely a few
// thousand), so even a badly unbalanced one is a few dozen levels deep: 256 leaves ample
// room. A level costs at most about 2.6 KB of stack in an unoptimised sanitizer build
// (under 0.3 KB optimised), so the limit keeps a hostile tree under 1 MB of stack.
inline constexpr std::size_t kMaxBspDepth = 256;

// Tags as the file stores them: a little-endian u32 whose top byte is the first character.
inline constexpr std::uint32_t kTagLeaf = 0x4C454146;  // LEAF
inline constexpr std::uint32_t kTagPort = 0x504F5254;  // PORT

// A tag's characters in text order, and back.
std::array<char, 4> tag_text(std::uint32_t tag);
std::uint32_t tag_value(const std::array<char, 4>& text);

// Which children an Internal node with this tag has: 'B', then 'P' (both or positive
// only) or 'p' (negative only), then 'I' or 'n', then 'N' for a negative child.
struct TagChildren {
  bool pos = false;
  bool neg = false;
  bool operator==(const TagChildren&) const = default;
};
TagChildren tag_children(std::uint32_t tag);

// An owned, never-empty child node with value semantics: copies are deep and equality
// compares the subtrees. (A moved-from Box is empty and may only be assigned or destroyed.)
template <class T>
class Box {
 public:
  Box() : ptr_(std::make_unique<T>()) {}
  Box(T value) : ptr_(std::make_unique<T>(std::move(value))) {}  // NOLINT: implicit by design
  Box(const Box& other) : ptr_(other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr) {}
  Box(Box&&) noexcept = default;
  Box& operator=(const Box& other) {
    if (this != &other) ptr_ = other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr;
    return *this;
  }
  Box& operator=(Box&&) noexcept = default;
  ~Box() = default;

  const T& operator*() const { return *ptr_; }
  T& operator*() { return *ptr_; }
  const T* operator->() const { return ptr_.get(); }
  T* operator->() { return ptr_.get(); }

  bool operator==(const Box& other) const {
    if (!ptr_ || !other.ptr_) return ptr_ == other.ptr_;
    return *ptr_ == *other.ptr_;
  }

 private:
  std::unique_ptr<T> ptr_;
};

struct BspNode;

struct PortalPoly {
  std::uint16_t portal_index = 0;
  std::uint16_t poly_id = 0;

  static ReadResult<PortalPoly> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const PortalPoly&) const = default;
};

struct BspLeaf {
  std::uint32_t leaf_index = 0;
  std::uint32_t physics_word = 0;          // physics trees only
  std::optional<Sphere> bounding_sphere;   // physics trees only
  std::vector<std::uint16_t> poly_ids;     // physics trees only

  bool operator==(const BspLeaf&) const = default;
};

struct BspPortal {
  Plane splitting_plane;
  Box<BspNode> pos_node;
  Box<BspNode> neg_node;
  std::optional<Sphere> bounding_sphere;  // drawing trees only
  std::vector<std::uint16_t> poly_ids;    // drawing trees only
  std::vector<PortalPoly> portals;        // drawing trees only

  // Reads the body of a PORT node, after its tag; `level` is the node's own level.
  static ReadResult<BspPortal> read(Reader& reader, BspTreeKind kind, std::size_t level = 1);
  // As BspNode::pack, for the body after the tag.
  [[nodiscard]] PackResult pack(ByteWriter& writer, BspTreeKind kind) const;
  bool operator==(const BspPortal&) const = default;
};

struct InternalNode {
  std::array<char, 4> node_type{};  // the tag in text order, e.g. BPIN
  Plane splitting_plane;
  // Present as the tag says; `pack` writes the tag as stored, so they must agree with it.
  std::optional<Box<BspNode>> pos_node;
  std::optional<Box<BspNode>> neg_node;
  std::optional<Sphere> bounding_sphere;  // drawing and physics trees
  std::vector<std::uint16_t> poly_ids;    // drawing trees only

  bool operator==(const InternalNode&) const = default;
};

struct BspNode {
  std::variant<BspLeaf, BspPortal, InternalNode> value;

  // Reads one node and its whole subtree, leaving the reader after it. Nodes nested
  // deeper than kMaxBspDepth fail with a decode error at the offending node's tag.
  static ReadResult<BspNode> read(Reader& reader, BspTreeKind kind);
  // Writes the fields that `kind` stores; optional parts it needs but lacks are written
  // as zeros. Fails for what the reader would take differently: an Internal node whose
  // tag is LEAF or PORT or disagrees with the children it has, or a tree deeper than
  // kMaxBspDepth.
  [[nodiscard]] PackResult pack(ByteWriter& writer, BspTreeKind kind) const;
  bool operator==(const BspNode&) const = default;
};

}  // namespace quillfen::dat::physics
