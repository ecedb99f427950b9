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
  // A block larger than what is left at the heap's top grows it by the room
  // asked for as well; freed, it goes back to the top, which stays. (Held
  // in a volatile, since a block freed unused may be left out altogether.)
  void* volatile probe = std::malloc(size_t{1} << 20);
  const auto free_from = reinterpret_cast<uintptr_t>(probe);  // where the top's room starts
  std::free(probe);
  const auto end = reinterpret_cast<uintptr_t>(sbrk(0));
  const uintptr_t first = (free_from + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = end & ~(kHugePage - 1);
  if (probe == nullptr || last <= first) return;
  madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  // The room below the first huge page is taken by a block that is never
  // written (nor freed), so that the next blocks start on huge pages.
  if (first - free_from >= 64) below_first_huge_page = std::malloc(first - free_from);
#else
  (void)room;
#endif
}

}  // namespace kiv
