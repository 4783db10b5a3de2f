// The live progress line of a world run: landblocks and surfaces done of their totals,
// the rate, the time spent and the time left, redrawn in place a few times a second.
// Only drawn on a terminal; anywhere else the run prints nothing between its phases.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "world-audit/world_audit.hpp"

namespace quillfen::world {

// "  landblocks 1200/22500  surfaces 0/0  4100/s  elapsed 0:03  left 0:12" for the counts
// at `elapsed`, rating the phase that is under way (surfaces once they are counted).
std::string progress_text(std::size_t landblocks_done, std::size_t landblocks_total, std::size_t surfaces_done,
                          std::size_t surfaces_total, std::chrono::duration<double> elapsed,
                          std::chrono::duration<double> phase_elapsed);

class ProgressLine {
 public:
  // Draws on `out` from a thread of its own every `redraw_every` while it lives, if
  // `enabled`; the time spent counts from `run_start`, the rate from now.
  ProgressLine(std::FILE* out, const AuditCounters& counters, bool enabled,
               std::chrono::steady_clock::time_point run_start = std::chrono::steady_clock::now(),
               std::chrono::milliseconds redraw_every = std::chrono::milliseconds(250));
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  // Stops drawing and clears the line.
  ~ProgressLine();

 private:
  void draw();

  std::FILE* out_;
  const AuditCounters& counters_;
  // Touched by the ticker thread only.
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point phase_start_;
  bool decoding_ = false;
  std::jthread ticker_;
};

}  // namespace quillfen::world
