// The temporary files of outputs not yet complete, removed when a signal ends the process:
// a table that a signal handler can read without allocating or locking.
#pragma once

#include <cstddef>
#include <string_view>

namespace quillfen::audit {

// Records `path` for removal on SIGINT, SIGTERM or SIGHUP and returns its ticket, or -1
// with errno set (ENAMETOOLONG for a path of PATH_MAX bytes or more, ENOMEM when the table
// cannot grow). The table grows by blocks as outputs are written at once, from any number
// of threads. The first call installs the handlers, for each of those signals whose action
// is still the default, and makes SIGXFSZ ignored (a write past the file size limit then
// fails with EFBIG) unless the program set it otherwise.
long add_pending_output(std::string_view path);

// Forgets ticket `ticket` (after its file was renamed into place or removed); -1 is ignored.
void forget_pending_output(long ticket) noexcept;

// Removes every recorded file. Async-signal-safe: programs that handle SIGINT or SIGTERM
// themselves call it from their handler.
void remove_pending_outputs() noexcept;

// How many paths are recorded now, for tests.
std::size_t pending_output_count() noexcept;

}  // namespace quillfen::audit
