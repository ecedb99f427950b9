// Zero-filled memory for large tables, on huge pages where the system gives
// them. A table probed at random places walks the address translation cache
// too: with small pages almost every probe of a table of megabytes misses it.
#pragma once

#include <cstddef>

namespace kiv {

// Blocks of at least this many bytes are mapped fresh from the system (on
// huge pages where it gives them), and room in them that is never written
// costs no memory; smaller blocks come from the heap and are cleared whole.
inline constexpr size_t kMappedBlockBytes = size_t{2} << 20;

class LargeBlock {
 public:
  LargeBlock() = default;
  // Throws std::bad_alloc when the memory cannot be had.
  explicit LargeBlock(size_t bytes);
  // The same, but a block from the heap is not cleared: for an owner that
  // writes each byte before it reads it (a mapped block is clear anyway).
  static LargeBlock Uncleared(size_t bytes);
  ~LargeBlock() { Release(); }
  LargeBlock(LargeBlock&& other) noexcept { *this = static_cast<LargeBlock&&>(other); }
  LargeBlock& operator=(LargeBlock&& other) noexcept;
  LargeBlock(const LargeBlock&) = delete;
  LargeBlock& operator=(const LargeBlock&) = delete;

  void* data() const { return data_; }
  size_t size() const { return size_; }

  // EnterPagesForWriting (below) over a mapped block, huge pages and all;
  // false for a block from the heap.
  bool EnterPagesForWriting(bool last_first = false) const;

 private:
  LargeBlock(size_t bytes, bool clear);
  void Release();

  void* data_ = nullptr;
  size_t size_ = 0;
  void* mapping_ = nullptr;  // what to give back: the mapping, or the heap block
  size_t mapping_size_ = 0;
};

// Has the system enter the whole pages of [data, data + bytes) for writing,
// cleared and leaving anything already written as it is, so that whoever
// writes there later takes no fault: for a thread with nothing else to do
// while another fills the memory. `last_first` goes a huge page at a time
// from the end, for memory filled from its start meanwhile: where clearing
// is slow, the two threads meet rather than queue for the same pages. False
// when it did not (a system that cannot, or memory no longer mapped); the
// memory works the same either way.
bool EnterPagesForWriting(const void* data, size_t bytes, bool last_first = false);

}  // namespace kiv
