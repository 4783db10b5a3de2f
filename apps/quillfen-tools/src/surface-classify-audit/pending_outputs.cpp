// The pending-output table and the handlers that empty it. The table is a list of blocks
// of slots; a block, once linked in, is never freed or moved, so the handler can walk the
// list at any moment. A slot goes from free to taken (its path being copied in) to armed;
// the handler removes armed slots only, so it never reads a path that is half written.
#include "surface-classify-audit/pending_outputs.hpp"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

namespace quillfen::audit {
namespace {

constexpr int kFree = 0;
constexpr int kTaken = 1;
constexpr int kArmed = 2;
constexpr std::size_t kSlotsPerBlock = 64;

struct Slot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX] = {};
};

struct Block {
  std::array<Slot, kSlotsPerBlock> slots;
  std::atomic<Block*> next{nullptr};
};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<Block*>::is_always_lock_free,
              "the signal handler reads these");

Block g_first;  // enough for every tool but one writing more than 64 files at once

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Removes the files, then lets the signal do what it would have done: the action was reset
// to the default on entry (SA_RESETHAND), and the signal raised here is delivered as soon
// as the handler returns.
void remove_and_reraise(int signal_number) {
  remove_pending_outputs();
  ::raise(signal_number);
}

void install_handlers() {
  for (const int signal_number : kCleanedSignals) {
    struct sigaction current {};
    if (::sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = remove_and_reraise;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal_number, &action, nullptr);
  }
  struct sigaction current {};
  if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) ::signal(SIGXFSZ, SIG_IGN);
}

Slot* slot_of(long ticket) {
  Block* block = &g_first;
  for (long skip = ticket / static_cast<long>(kSlotsPerBlock); skip > 0 && block != nullptr; --skip) {
    block = block->next.load(std::memory_order_acquire);
  }
  return block == nullptr ? nullptr : &block->slots[static_cast<std::size_t>(ticket) % kSlotsPerBlock];
}

}  // namespace

long add_pending_output(std::string_view path) {
  static std::once_flag installed;
  std::call_once(installed, install_handlers);
  if (path.size() >= PATH_MAX) {
    errno = ENAMETOOLONG;
    return -1;
  }
  long first_of_block = 0;
  for (Block* block = &g_first;; first_of_block += kSlotsPerBlock) {
    for (std::size_t i = 0; i < kSlotsPerBlock; ++i) {
      Slot& slot = block->slots[i];
      int expected = kFree;
      if (!slot.state.compare_exchange_strong(expected, kTaken, std::memory_order_acquire)) continue;
      std::memcpy(slot.path, path.data(), path.size());
      slot.path[path.size()] = '\0';
      slot.state.store(kArmed, std::memory_order_release);
      return first_of_block + static_cast<long>(i);
    }
    Block* next = block->next.load(std::memory_order_acquire);
    if (next == nullptr) {
      Block* grown = new (std::nothrow) Block;
      if (grown == nullptr) {
        errno = ENOMEM;
        return -1;
      }
      // Another thread may have linked a block meanwhile: then that one is used.
      if (block->next.compare_exchange_strong(next, grown, std::memory_order_acq_rel)) {
        next = grown;
      } else {
        delete grown;
      }
    }
    block = next;
  }
}

void forget_pending_output(long ticket) noexcept {
  if (ticket < 0) return;
  if (Slot* slot = slot_of(ticket)) slot->state.store(kFree, std::memory_order_release);
}

void remove_pending_outputs() noexcept {
  for (Block* block = &g_first; block != nullptr; block = block->next.load(std::memory_order_acquire)) {
    for (Slot& slot : block->slots) {
      if (slot.state.load(std::memory_order_acquire) == kArmed) ::unlink(slot.path);
    }
  }
}

std::size_t pending_output_count() noexcept {
  std::size_t count = 0;
  for (Block* block = &g_first; block != nullptr; block = block->next.load(std::memory_order_acquire)) {
    for (const Slot& slot : block->slots) count += slot.state.load(std::memory_order_acquire) == kArmed ? 1 : 0;
  }
  return count;
}

}  // namespace quillfen::audit
