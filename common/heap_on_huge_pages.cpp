#include "common/heap_on_huge_pages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#define KIV_HEAP_TUNABLE 1
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#undef KIV_HEAP_TUNABLE
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#undef KIV_HEAP_TUNABLE
#endif
#endif

namespace kiv {
namespace {
[[maybe_unused]] void* below_first_huge_page = nullptr;  // kept for the run
}  // namespace

void KeepHeapOnHugePages(size_t room) {
#if defined(KIV_HEAP_TUNABLE) && defined(MADV_HUGEPAGE)
  constexpr size_t kHugePage = size_t{2} << 20;
  // Blocks up to the largest the heap may take come from it, rather than
  // from mappings of their own on small pages; the room grown is never
  // given back while the run lasts; every thread takes from this one heap.
  if (mallopt(M_MMAP_THRESHOLD, 32 << 20) == 0) return;
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(INT32_MAX));
  mallopt(M_TOP_PAD, static_cast<int>(std::min<size_t>(room, INT32_MAX / 2)));
  mallopt(M_ARENA_MAX, 1);
  // The heap's free room is its top, which ends at the break. One block,
  // sized to end just before a huge-page boundary past the top's start, grows
  // the heap by the room asked for as well (a block larger than the top is
  // cut from the grown top): the top then starts on that boundary, and no
  // byte past it has been written before the advice, which a huge page needs
  // (a page written first stays small, and so does the rest of its 2 MiB).
  // The block is kept and never written.
  const size_t top_size = mallinfo2().keepcost;
  const uintptr_t top = reinterpret_cast<uintptr_t>(sbrk(0)) - top_size;
  constexpr size_t kHeader = 2 * sizeof(size_t);  // a block's size fields
  uintptr_t first = (top + kHeader + kHugePage - 1) & ~(kHugePage - 1);
  while (first - kHeader - top <= top_size + kHeader) first += kHugePage;  // larger than the top
  below_first_huge_page = std::malloc(first - kHeader - top - sizeof(size_t));
  if (below_first_huge_page == nullptr) return;
  const uintptr_t last = reinterpret_cast<uintptr_t>(sbrk(0)) & ~(kHugePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)room;
#endif
}

}  // namespace kiv
