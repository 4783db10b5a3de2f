// The work budget: one atomic counter, raised only while it stays within the limit.
#include "quillfen/dat/work_budget.hpp"

#include <algorithm>
#include <limits>

namespace quillfen::dat {

std::uint64_t default_work_budget(std::uint64_t file_length) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t scaled =
      file_length > kMax / kWorkBudgetPerFileByte ? kMax : file_length * kWorkBudgetPerFileByte;
  return std::max(scaled, kMinWorkBudget);
}

WorkBudget& WorkBudget::operator=(WorkBudget&& other) noexcept {
  limit_ = other.limit_;
  spent_.store(other.spent_.load(std::memory_order_relaxed), std::memory_order_relaxed);
  refused_.store(other.refused_.load(std::memory_order_relaxed), std::memory_order_relaxed);
  return *this;
}

bool WorkBudget::take(std::uint64_t bytes) {
  // Only the count matters, not what other memory it orders: relaxed is enough.
  std::uint64_t spent = spent_.load(std::memory_order_relaxed);
  do {
    if (bytes > limit_ - spent) {
      refused_.store(true, std::memory_order_relaxed);
      return false;
    }
  } while (!spent_.compare_exchange_weak(spent, spent + bytes, std::memory_order_relaxed));
  return true;
}

}  // namespace quillfen::dat
