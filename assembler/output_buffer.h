// A byte buffer that the packer writes into in place. Building a line in a
// small array and appending it made every line cross memory twice, and the
// copy read the line back in larger pieces than it had been stored, which the
// processor cannot forward from its pending stores: the copy waited for each
// line to reach the cache first.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "common/large_block.h"

namespace kiv::assembler {

class OutputBuffer {
 public:
  OutputBuffer() = default;
  // Room for `capacity` bytes before the first growth, left uncleared. A
  // large room (the whole image of a large program) is a mapped block, on
  // huge pages where the system gives them: a few faults rather than one per
  // 4 KiB page.
  explicit OutputBuffer(size_t capacity) { Grow(capacity); }

  // The next `bytes` bytes, for the caller to write every one of them; the
  // `slack` bytes after them may be written too, and are then left to the
  // next Extend.
  char* Extend(size_t bytes, size_t slack = 0) {
    if (capacity_ - size_ < bytes + slack) Grow(size_ + bytes + slack);
    char* const place = data_ + size_;
    size_ += bytes;
    return place;
  }
  // Keeps the room.
  void Clear() { size_ = 0; }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return {data_, size_}; }

 private:
  // At least `needed` bytes, at least twice the room before. Out of line:
  // kept out of the writers' hot paths, it leaves them fewer registers to save.
  void Grow(size_t needed);

  // The room: a mapped block when large, heap memory (never cleared) when
  // not, since a small LargeBlock is cleared whole.
  LargeBlock mapped_;
  std::unique_ptr<char[]> heap_;
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace kiv::assembler
