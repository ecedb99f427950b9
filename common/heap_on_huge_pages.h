// The heap of a run over a large source, on huge pages. Every list, string
// and message a large run makes comes from the heap or from a fresh mapping,
// and on small pages each 4 KiB of them first written is a fault of its own
// (about 1.6 us here); a huge page is one fault for 2 MiB.
#pragma once

#include <cstddef>

namespace kiv {

// A run over a source of this size or more takes enough memory to be worth
// huge pages; below it, each would be mostly cleared for nothing.
inline constexpr size_t kHugeHeapFromSource = size_t{4} << 20;

// Grows the heap by `room` bytes at once (not touched: room never written
// costs nothing) and asks for it to be backed by huge pages, so that the
// heap's blocks up to 32 MiB come from there, for every thread. Does
// nothing where the C library or the system has no such means, or under a
// sanitizer, which keeps a heap of its own. Call it once, before the run's
// threads start.
void KeepHeapOnHugePages(size_t room);

}  // namespace kiv
