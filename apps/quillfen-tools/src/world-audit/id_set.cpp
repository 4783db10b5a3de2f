#include "world-audit/id_set.hpp"

#include <algorithm>
#include <bit>

namespace quillfen::world {
namespace {

constexpr std::uint32_t kIdsPerType = std::uint32_t{1} << 24;

}  // namespace

IdSet::IdSet(dat::ids::RecordType first, dat::ids::RecordType last)
    : first_id_(dat::ids::first_id(first)),
      words_(std::size_t{kIdsPerType} / 64 * (dat::ids::type_byte(dat::ids::first_id(last)) + 1u - dat::ids::type_byte(first_id_)),
             0) {}

void IdSet::add(std::uint32_t id) {
  const std::uint64_t offset = std::uint64_t{id} - first_id_;
  if (id >= first_id_ && offset < 64 * words_.size()) {
    words_[offset / 64] |= std::uint64_t{1} << (offset % 64);
  } else {
    others_.push_back(id);
  }
}

std::vector<std::uint32_t> IdSet::finish() {
  std::sort(others_.begin(), others_.end());
  others_.erase(std::unique(others_.begin(), others_.end()), others_.end());
  others_below_ = static_cast<std::size_t>(std::lower_bound(others_.begin(), others_.end(), first_id_) - others_.begin());

  ranks_.resize(words_.size());
  std::uint32_t rank = 0;
  for (std::size_t w = 0; w < words_.size(); ++w) {
    ranks_[w] = rank;
    rank += static_cast<std::uint32_t>(std::popcount(words_[w]));
  }
  bitmap_count_ = rank;

  std::vector<std::uint32_t> ids;
  ids.reserve(others_.size() + bitmap_count_);
  ids.insert(ids.end(), others_.begin(), others_.begin() + static_cast<std::ptrdiff_t>(others_below_));
  for (std::size_t w = 0; w < words_.size(); ++w) {
    for (std::uint64_t bits = words_[w]; bits != 0; bits &= bits - 1) {
      ids.push_back(first_id_ + static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(std::countr_zero(bits))));
    }
  }
  ids.insert(ids.end(), others_.begin() + static_cast<std::ptrdiff_t>(others_below_), others_.end());
  return ids;
}

std::size_t IdSet::index_of(std::uint32_t id) const {
  const std::uint64_t offset = std::uint64_t{id} - first_id_;
  if (id >= first_id_ && offset < 64 * words_.size()) {
    const std::uint64_t below = words_[offset / 64] & ((std::uint64_t{1} << (offset % 64)) - 1);
    return others_below_ + ranks_[offset / 64] + static_cast<std::size_t>(std::popcount(below));
  }
  const auto at = static_cast<std::size_t>(std::lower_bound(others_.begin(), others_.end(), id) - others_.begin());
  return at < others_below_ ? at : at + bitmap_count_;
}

}  // namespace quillfen::world
