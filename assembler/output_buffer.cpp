#include "assembler/output_buffer.h"

#include <cstring>
#include <utility>

namespace kiv::assembler {

void OutputBuffer::Grow(size_t needed) {
  const size_t capacity = needed > 2 * capacity_ ? needed : 2 * capacity_;
  std::unique_ptr<char[]> larger(new char[capacity]);
  if (size_ != 0) std::memcpy(larger.get(), data_.get(), size_);
  data_ = std::move(larger);
  capacity_ = capacity;
}

}  // namespace kiv::assembler
