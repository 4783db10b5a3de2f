// The progress line is redrawn with a carriage return and cleared to the end of the line,
// so it never leaves a trace in the lines printed after it.
#include "world-audit/progress.hpp"

#include <fmt/format.h>

#include <condition_variable>
#include <mutex>

namespace quillfen::world {
namespace {

std::string clock_text(double seconds) {
  const auto whole = static_cast<long long>(seconds < 0 ? 0 : seconds);
  if (whole >= 3600) return fmt::format("{}:{:02}:{:02}", whole / 3600, whole / 60 % 60, whole % 60);
  return fmt::format("{}:{:02}", whole / 60, whole % 60);
}

}  // namespace

std::string progress_text(std::size_t landblocks_done, std::size_t landblocks_total, std::size_t surfaces_done,
                          std::size_t surfaces_total, std::chrono::duration<double> elapsed,
                          std::chrono::duration<double> phase_elapsed) {
  // Discovery counts landblocks; once the surfaces are known the decode pass counts them.
  const bool decoding = surfaces_total > 0;
  const double done = static_cast<double>(decoding ? surfaces_done : landblocks_done);
  const double total = static_cast<double>(decoding ? surfaces_total : landblocks_total);
  const double seconds = phase_elapsed.count();
  const double rate = seconds > 0 ? done / seconds : 0.0;
  const std::string left = rate > 0 ? clock_text((total - done) / rate) : "?";
  return fmt::format("  landblocks {}/{}  surfaces {}/{}  {:.0f}/s  elapsed {}  left {}", landblocks_done,
                     landblocks_total, surfaces_done, surfaces_total, rate, clock_text(elapsed.count()), left);
}

ProgressLine::ProgressLine(std::FILE* out, const AuditCounters& counters, bool enabled,
                           std::chrono::steady_clock::time_point run_start, std::chrono::milliseconds redraw_every)
    : out_(out),
      counters_(counters),
      start_(run_start),
      phase_start_(std::chrono::steady_clock::now()),
      decoding_(counters.surfaces_total.load(std::memory_order_relaxed) > 0) {
  if (!enabled) return;
  ticker_ = std::jthread([this, redraw_every](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    // Wakes early when a stop is requested; the predicate alone would say "go on".
    while (!stop.stop_requested()) {
      wake.wait_for(lock, stop, redraw_every, [] { return false; });
      if (!stop.stop_requested()) draw();
    }
  });
}

ProgressLine::~ProgressLine() {
  if (!ticker_.joinable()) return;
  ticker_.request_stop();
  ticker_.join();
  std::fputs("\r\x1b[K", out_);
  std::fflush(out_);
}

void ProgressLine::draw() {
  const auto now = std::chrono::steady_clock::now();
  const std::size_t surfaces_total = counters_.surfaces_total.load(std::memory_order_relaxed);
  if (!decoding_ && surfaces_total > 0) {
    decoding_ = true;
    phase_start_ = now;
  }
  const std::string text = progress_text(counters_.landblocks_done.load(std::memory_order_relaxed),
                                         counters_.landblocks_total.load(std::memory_order_relaxed),
                                         counters_.surfaces_done.load(std::memory_order_relaxed), surfaces_total,
                                         now - start_, now - phase_start_);
  std::fputs(("\r" + text + "\x1b[K").c_str(), out_);
  std::fflush(out_);
}

}  // namespace quillfen::world
