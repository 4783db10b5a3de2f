// The work budget of a database: how many bytes its file lookups may read and expand over
// the database's life, so that a crafted file cannot make a run's work grow with the
// number of its entries times the size of the data they share.
#pragma once

#include <atomic>
#include <cstdint>

namespace quillfen::dat {

// The default budget is this many times the file's length, and never less than
// kMinWorkBudget. A well-formed file stores each file in blocks of its own, so reading
// every entry once costs at most the file's length, and expanding it at most 8.5 times
// that; an audit reads a small part of its DATs (the town of the full-scale sample world
// reads 30 MB of a 190 MB portal DAT).
inline constexpr std::uint64_t kWorkBudgetPerFileByte = 4;
// However small the file, room to read a texture of 1 MiB 256 times over (surfaces share
// textures), while a crafted small file costs at most about a second of work.
inline constexpr std::uint64_t kMinWorkBudget = std::uint64_t{256} << 20;

std::uint64_t default_work_budget(std::uint64_t file_length);

// A byte count that concurrent callers draw from; it never goes below zero, and a request
// that does not fit in what is left takes nothing.
class WorkBudget {
 public:
  explicit WorkBudget(std::uint64_t limit) : limit_(limit) {}
  // Moving is for handing a freshly opened database around, never while it is in use.
  WorkBudget(WorkBudget&& other) noexcept
      : limit_(other.limit_),
        spent_(other.spent_.load(std::memory_order_relaxed)),
        refused_(other.refused_.load(std::memory_order_relaxed)) {}
  WorkBudget& operator=(WorkBudget&& other) noexcept;
  WorkBudget(const WorkBudget&) = delete;
  WorkBudget& operator=(const WorkBudget&) = delete;

  // Takes `bytes`, or nothing and false when they are not all left.
  bool take(std::uint64_t bytes);

  std::uint64_t limit() const { return limit_; }
  std::uint64_t spent() const { return spent_.load(std::memory_order_relaxed); }
  std::uint64_t left() const { return limit_ - spent(); }
  // Whether any request was refused. Which requests are refused may depend on the order
  // in which threads made them, but whether one was is fixed by what was asked for: if
  // everything asked fits, nothing is refused, and if it does not, something is.
  bool refused() const { return refused_.load(std::memory_order_relaxed); }

 private:
  std::uint64_t limit_;
  std::atomic<std::uint64_t> spent_{0};
  std::atomic<bool> refused_{false};
};

}  // namespace quillfen::dat
