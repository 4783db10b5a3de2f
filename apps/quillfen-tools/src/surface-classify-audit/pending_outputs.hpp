// The temporary files of outputs not yet complete, removed when a signal ends the process:
// a fixed table that a signal handler can read without allocating or locking.
#pragma once

#include <string_view>

namespace quillfen::audit {

// More outputs than any of the tools writes at once.
inline constexpr int kMaxPendingOutputs = 16;

// Records `path` for removal on SIGINT, SIGTERM or SIGHUP; returns its slot, or -1 when
// the table is full or the path too long. Installs the handlers the first time, for each
// of those signals whose action is still the default, and makes SIGXFSZ ignored (a write
// past the file size limit then fails with EFBIG) unless the program set it otherwise.
int add_pending_output(std::string_view path);

// Forgets slot `slot` (after its file was renamed into place or removed); -1 is ignored.
void forget_pending_output(int slot) noexcept;

// Removes every recorded file. Async-signal-safe: programs that handle SIGINT or SIGTERM
// themselves call it from their handler.
void remove_pending_outputs() noexcept;

}  // namespace quillfen::audit
