// Buffers of many megabytes: the programs build each file in memory, and on
// large sources faulting in their pages one by one costs more than filling them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kiv {

// Asks for the whole huge pages within `bytes` at `data` to be backed by huge
// pages when first touched, where the system allows; only for room never
// written yet, and only for ranges of a few huge pages or more.
void AdviseHugePages(void* data, size_t bytes);

// Reserves room for `size` bytes and, where the system allows, asks for the
// room to be backed by huge pages before it is first touched.
void ReserveLarge(std::string& buffer, size_t size);

// The same for a list of `count` elements.
template <typename T>
void ReserveLarge(std::vector<T>& list, size_t count) {
  const size_t old_capacity = list.capacity();
  list.reserve(count);
  if (list.capacity() != old_capacity) AdviseHugePages(list.data(), list.capacity() * sizeof(T));
}

}  // namespace kiv
