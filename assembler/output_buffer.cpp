#include "assembler/output_buffer.h"

#include <cstring>
#include <utility>

namespace kiv::assembler {

void OutputBuffer::Grow(size_t needed) {
  const size_t capacity = needed > 2 * capacity_ ? needed : 2 * capacity_;
  LargeBlock larger(capacity);
  if (size_ != 0) std::memcpy(larger.data(), data(), size_);
  block_ = std::move(larger);
  capacity_ = capacity;
}

}  // namespace kiv::assembler
