// A growable array of plain values for the large arrays of both programs (the
// back end's decoded records, boundaries and targets; the label table's names
// and entries). Its memory is a LargeBlock: on huge pages from the first byte
// to the last, where a vector's buffer has its first and last megabytes on
// small pages, each a fault of its own when first written. Room reserved and
// never written costs no memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <type_traits>
#include <utility>

#include "common/large_block.h"

namespace kiv {

template <typename T>
class LargeArray {
  static_assert(std::is_trivially_copyable_v<T>, "elements are moved as bytes");

 public:
  LargeArray() = default;
  // The array moved from is left empty, without room.
  LargeArray(LargeArray&& other) noexcept { *this = std::move(other); }
  LargeArray& operator=(LargeArray&& other) noexcept {
    block_ = std::move(other.block_);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
  }

  // Room for at least `capacity` elements in all. Room past the size is
  // never read: from the heap, it is not cleared first.
  void Reserve(size_t capacity) {
    if (capacity <= capacity_) return;
    LargeBlock larger = LargeBlock::Uncleared(capacity * sizeof(T));
    if (size_ != 0) std::memcpy(larger.data(), block_.data(), size_ * sizeof(T));
    block_ = std::move(larger);
    capacity_ = capacity;
  }

  // Exactly `count` elements, every byte of them zero, in fresh memory.
  void AssignZeros(size_t count) {
    block_ = LargeBlock(count * sizeof(T));
    size_ = capacity_ = count;
  }

  void PushBack(const T& value) {
    if (size_ == capacity_) Reserve(std::max<size_t>(64, 2 * capacity_));
    data()[size_++] = value;
  }
  void Append(const T* values, size_t count) {
    if (count > capacity_ - size_) Reserve(std::max(size_ + count, 2 * capacity_));
    if (count != 0) std::memcpy(data() + size_, values, count * sizeof(T));
    size_ += count;
  }
  // Keeps the room.
  void Clear() { size_ = 0; }
  // Gives the room back too.
  void Release() { *this = LargeArray(); }

  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  T* data() { return static_cast<T*>(block_.data()); }
  const T* data() const { return static_cast<const T*>(block_.data()); }
  T& operator[](size_t i) { return data()[i]; }
  const T& operator[](size_t i) const { return data()[i]; }
  T* begin() { return data(); }
  T* end() { return data() + size_; }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size_; }
  std::span<T> span() { return {data(), size_}; }
  std::span<const T> span() const { return {data(), size_}; }

 private:
  LargeBlock block_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace kiv
