#pragma once
// How the process's heap treats the large pictures of a slideshow.

namespace qel::platform {

// Tunes the heap for hours of photo-sized bitmaps allocated and freed on several threads: blocks of
// `largeBlock` bytes or more come straight from the system and go straight back when freed, and all
// threads share one heap (per-thread heaps each keep their own free memory, and the resident size
// then creeps up in steps). Call early, before the threads that decode pictures start.
void KeepHeapCompact(long largeBlock = 1L << 20);

// Hands memory that the heap holds free back to the system (free pages inside the heap too, not only
// at its end). Cheap enough to call after every large piece of work.
void ReleaseFreeMemory();

}  // namespace qel::platform
