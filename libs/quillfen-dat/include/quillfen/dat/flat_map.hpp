// FlatMap: the keyed collections of the model and landblock records, held as one sorted
// array. Records are decoded for every placement, so a map costs one allocation rather
// than one node per entry, and lookups are a binary search.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace quillfen::dat {

template <class K, class V>
class FlatMap {
 public:
  using value_type = std::pair<K, V>;
  using const_iterator = typename std::vector<value_type>::const_iterator;

  FlatMap() = default;

  // Builds the map from entries in file order. A key that occurs more than once keeps
  // the value that came last, as the records require.
  static FlatMap from_entries(std::vector<value_type> entries) {
    FlatMap map;
    map.entries_ = std::move(entries);
    auto& e = map.entries_;
    const auto not_ascending = [](const value_type& a, const value_type& b) { return !(a.first < b.first); };
    // Records usually store their keys ascending; then there is nothing to sort or drop.
    if (std::adjacent_find(e.begin(), e.end(), not_ascending) == e.end()) return map;
    // Stable, so entries of one key stay in file order and the last of each run wins.
    std::stable_sort(e.begin(), e.end(), [](const value_type& a, const value_type& b) { return a.first < b.first; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < e.size(); ++i) {
      if (kept > 0 && !(e[kept - 1].first < e[i].first)) {
        e[kept - 1].second = std::move(e[i].second);
      } else {
        if (kept != i) e[kept] = std::move(e[i]);
        ++kept;
      }
    }
    e.erase(e.begin() + static_cast<std::ptrdiff_t>(kept), e.end());
    return map;
  }

  // Inserts or replaces one entry; for building records by hand (tests, writers).
  void insert_or_assign(K key, V value) {
    auto it = lower_bound(key);
    if (it != entries_.end() && !(key < it->first)) {
      it->second = std::move(value);
    } else {
      entries_.insert(it, value_type{std::move(key), std::move(value)});
    }
  }

  const V* find(const K& key) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const value_type& entry, const K& k) { return entry.first < k; });
    return it != entries_.end() && !(key < it->first) ? &it->second : nullptr;
  }
  bool contains(const K& key) const { return find(key) != nullptr; }

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // Ascending by key.
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

  bool operator==(const FlatMap&) const = default;

 private:
  typename std::vector<value_type>::iterator lower_bound(const K& key) {
    return std::lower_bound(entries_.begin(), entries_.end(), key,
                            [](const value_type& entry, const K& k) { return entry.first < k; });
  }

  std::vector<value_type> entries_;
};

}  // namespace quillfen::dat
