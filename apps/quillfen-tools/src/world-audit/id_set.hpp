// A set of record ids gathered from millions of references, nearly all of a few record
// types: those are flags in a bitmap over the types' numbers, so adding one costs a bit
// and no sort of the whole gathering is needed; ids of any other type (only a damaged or
// forged file has them) are kept in a list sorted once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "quillfen/dat/ids.hpp"

namespace quillfen::world {

class IdSet {
 public:
  // Ids of the types from `first` to `last` go in the bitmap: 2 MiB per type.
  IdSet(dat::ids::RecordType first, dat::ids::RecordType last);

  void add(std::uint32_t id);

  // Ends the gathering: the ids, ascending and without repeats. After it, index_of gives
  // each id's position in that list.
  std::vector<std::uint32_t> finish();

  // The position of `id` in the list finish() returned; `id` must be in the set. Constant
  // time for ids of the bitmap's types.
  std::size_t index_of(std::uint32_t id) const;

 private:
  std::uint32_t first_id_;  // the bitmap covers [first_id_, first_id_ + 64 * words_.size())
  std::vector<std::uint64_t> words_;
  std::vector<std::uint32_t> ranks_;   // set bits in the words before each word, after finish()
  std::vector<std::uint32_t> others_;  // ids outside the bitmap, sorted by finish()
  std::size_t others_below_ = 0;       // how many of them sort before the bitmap's ids
  std::size_t bitmap_count_ = 0;
};

}  // namespace quillfen::world
