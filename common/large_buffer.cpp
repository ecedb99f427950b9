#include "common/large_buffer.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kiv {

void AdviseHugePages(void* data, size_t bytes) {
#if defined(MADV_HUGEPAGE)
  constexpr size_t kHugePage = size_t{2} << 20;
  if (bytes < 2 * kHugePage) return;
  // Only whole huge pages inside the room; the advice is a hint, and a
  // refusal changes nothing.
  const auto start = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (start + bytes) & ~(kHugePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

void ReserveLarge(std::string& buffer, size_t size) {
  const size_t old_capacity = buffer.capacity();
  buffer.reserve(size);
  if (buffer.capacity() != old_capacity) AdviseHugePages(buffer.data(), buffer.capacity());
}

}  // namespace kiv
