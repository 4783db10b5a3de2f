// glibc's mallopt: allocations up to 64 MiB (the largest RGBA image) come from the heap,
// and the heap is trimmed only when 256 MiB lie free at its top.
#include "surface-classify-audit/allocator_tuning.hpp"

#include <malloc.h>

namespace quillfen::audit {

void keep_large_buffers_in_heap() {
#if defined(__GLIBC__)
  ::mallopt(M_MMAP_THRESHOLD, 64 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

}  // namespace quillfen::audit
