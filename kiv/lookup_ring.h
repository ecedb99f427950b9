// Label look-ups a few items behind their reads. A big program's label table
// is far larger than the caches and its look-ups land at random places: the
// slot of each name is fetched when the item is added, and the item is handed
// on for its look-up only once `ahead` newer ones have been added, when the
// slot has arrived.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

namespace kiv::tool {

template <typename Item, size_t kCapacity>
class LookupRing {
 public:
  // `ahead` is capped at kCapacity; 0 hands every item on at once, the plain
  // way the tests compare with.
  explicit LookupRing(size_t ahead) : ahead_(std::min(ahead, kCapacity)) {}

  // Hands on the oldest item first when `ahead` are held.
  template <typename Resolve>
  void Add(const Item& item, Resolve&& resolve) {
    if (ahead_ == 0) {
      resolve(item);
      return;
    }
    if (count_ == ahead_) ResolveOldest(resolve);
    items_[(first_ + count_++) % kCapacity] = item;
  }

  // Hands on every item held, oldest first.
  template <typename Resolve>
  void Drain(Resolve&& resolve) {
    while (count_ > 0) ResolveOldest(resolve);
  }

 private:
  template <typename Resolve>
  void ResolveOldest(Resolve& resolve) {
    const Item oldest = items_[first_];
    first_ = (first_ + 1) % kCapacity;
    --count_;
    resolve(oldest);
  }

  std::array<Item, kCapacity> items_{};
  size_t ahead_;
  size_t first_ = 0;
  size_t count_ = 0;
};

}  // namespace kiv::tool
