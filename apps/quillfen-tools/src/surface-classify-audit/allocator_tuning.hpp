// Heap settings for the audit's allocation pattern.
#pragma once

namespace quillfen::audit {

// Keeps large buffers in the heap once freed, so the next surface reuses them. By default
// glibc maps every allocation above 128 KiB afresh and unmaps it when it is freed, and each
// texture's file bytes, pixel data and RGBA image would then fault its pages in again: in
// the decode pass that costs more than the decoding. Call once, before any work.
void keep_large_buffers_in_heap();

}  // namespace quillfen::audit
