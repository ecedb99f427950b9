#include "assembler/output_buffer.h"

#include <cstring>
#include <utility>

namespace kiv::assembler {

void OutputBuffer::Grow(size_t needed) {
  const size_t capacity = needed > 2 * capacity_ ? needed : 2 * capacity_;
  LargeBlock mapped;
  std::unique_ptr<char[]> heap;
  char* data = nullptr;
  if (capacity >= kMappedBlockBytes) {
    mapped = LargeBlock(capacity);
    data = static_cast<char*>(mapped.data());
  } else {
    heap.reset(new char[capacity]);
    data = heap.get();
  }
  if (size_ != 0) std::memcpy(data, data_, size_);
  mapped_ = std::move(mapped);
  heap_ = std::move(heap);
  data_ = data;
  capacity_ = capacity;
}

}  // namespace kiv::assembler
