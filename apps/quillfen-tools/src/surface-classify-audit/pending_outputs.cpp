// The pending-output table and the handlers that empty it. A slot goes from free to taken
// (its path being copied in) to armed; the handler removes armed slots only, so it never
// reads a path that is half written.
#include "surface-classify-audit/pending_outputs.hpp"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

namespace quillfen::audit {
namespace {

constexpr int kFree = 0;
constexpr int kTaken = 1;
constexpr int kArmed = 2;
constexpr std::size_t kMaxPath = 4096;

struct Slot {
  std::atomic<int> state{kFree};
  char path[kMaxPath] = {};
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads slot states");

std::array<Slot, kMaxPendingOutputs> g_slots;

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

}  // namespace

int add_pending_output(std::string_view path) {
  static std::once_flag installed;
  std::call_once(installed, install_handlers);
  if (path.size() >= kMaxPath) return -1;
  for (int i = 0; i < kMaxPendingOutputs; ++i) {
    Slot& slot = g_slots[static_cast<std::size_t>(i)];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kTaken, std::memory_order_acquire)) continue;
    std::memcpy(slot.path, path.data(), path.size());
    slot.path[path.size()] = '\0';
    slot.state.store(kArmed, std::memory_order_release);
    return i;
  }
  return -1;
}

void forget_pending_output(int slot) noexcept {
  if (slot < 0 || slot >= kMaxPendingOutputs) return;
  g_slots[static_cast<std::size_t>(slot)].state.store(kFree, std::memory_order_release);
}

void remove_pending_outputs() noexcept {
  for (Slot& slot : g_slots) {
    if (slot.state.load(std::memory_order_acquire) == kArmed) ::unlink(slot.path);
  }
}

}  // namespace quillfen::audit
