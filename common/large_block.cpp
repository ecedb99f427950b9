#include "common/large_block.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kiv {
namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

LargeBlock::LargeBlock(size_t bytes) : LargeBlock(bytes, /*clear=*/true) {}

LargeBlock LargeBlock::Uncleared(size_t bytes) { return LargeBlock(bytes, /*clear=*/false); }

LargeBlock::LargeBlock(size_t bytes, bool clear) : size_(bytes) {
  if (bytes == 0) return;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  static_assert(kMappedBlockBytes == kHugePage);
  if (bytes >= kMappedBlockBytes) {
    // Fresh anonymous memory is zero-filled by the system. Whole huge pages,
    // and one more to start on a huge-page boundary: a last page only partly
    // mapped would be on small pages, a fault for every 4 KiB of it.
    const size_t length = ((bytes + kHugePage - 1) & ~(kHugePage - 1)) + kHugePage;
    void* mapping =
        mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping != MAP_FAILED) {
      const auto start = (reinterpret_cast<uintptr_t>(mapping) + kHugePage - 1) & ~(kHugePage - 1);
      data_ = reinterpret_cast<void*>(start);
      mapping_ = mapping;
      mapping_size_ = length;
      madvise(data_, (bytes + kHugePage - 1) & ~(kHugePage - 1), MADV_HUGEPAGE);  // a hint only
      return;
    }
  }
#endif
  // Cache-line aligned, so that no element of a table straddles two lines.
  const size_t rounded = (bytes + 63) & ~size_t{63};
  data_ = std::aligned_alloc(64, rounded);
  if (data_ == nullptr) throw std::bad_alloc();
  if (clear) std::memset(data_, 0, rounded);
  mapping_ = data_;
}

LargeBlock& LargeBlock::operator=(LargeBlock&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = other.data_;
    size_ = other.size_;
    mapping_ = other.mapping_;
    mapping_size_ = other.mapping_size_;
    other.data_ = other.mapping_ = nullptr;
    other.size_ = other.mapping_size_ = 0;
  }
  return *this;
}

bool LargeBlock::EnterPagesForWriting(bool last_first) const {
  // A mapping holds whole huge pages.
  return mapping_size_ != 0 &&
         kiv::EnterPagesForWriting(data_, (size_ + kHugePage - 1) & ~(kHugePage - 1), last_first);
}

bool EnterPagesForWriting(const void* data, size_t bytes, bool last_first) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  constexpr uintptr_t kPage = 4096;
  const auto from = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const auto to = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
  if (to <= from) return false;
  if (!last_first)
    return madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) == 0;
  for (uintptr_t end = to; end > from;) {
    const uintptr_t start = end - std::min<uintptr_t>(end - from, kHugePage);
    if (madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE) != 0) {
      return false;
    }
    end = start;
  }
  return true;
#else
  (void)data;
  (void)bytes;
  (void)last_first;
  return false;
#endif
}

void LargeBlock::Release() {
#if defined(__linux__)
  if (mapping_size_ != 0) {
    munmap(mapping_, mapping_size_);
  } else {
    std::free(mapping_);
  }
#else
  std::free(mapping_);
#endif
  data_ = mapping_ = nullptr;
  size_ = mapping_size_ = 0;
}

}  // namespace kiv
