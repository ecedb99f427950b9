// The instruction index as both passes count it from the records. Pass 1's
// boundaries are compared with pass 2's running index, so the two passes share
// this one counter rather than each keeping its own rules.
#pragma once

#include <cstdint>

namespace kiv::assembler {

class IndexCounter {
 public:
  uint32_t index() const { return index_; }
  // Data pairs read since the data-section marker.
  uint32_t pair_count() const { return pair_count_; }

  void CountInstruction() { ++index_; }
  void EnterData() { pair_count_ = 0; }
  void CountDataPair() {
    ++index_;
    ++pair_count_;
  }
  // As many CountDataPair calls, wrapping alike.
  void CountDataPairs(uint64_t count) {
    index_ += static_cast<uint32_t>(count);
    pair_count_ += static_cast<uint32_t>(count);
  }

  // The end-of-data record: a data line holds two pairs and takes three
  // indices. An odd count is completed by the zero pair that pass 2 writes;
  // counting that pair too keeps the index in step with the image. Returns
  // whether such a zero pair is due.
  bool LeaveData() {
    const bool odd = pair_count_ % 2 != 0;
    if (odd) CountDataPair();
    index_ += pair_count_ / 2;
    pair_count_ = 0;
    return odd;
  }

 private:
  uint32_t index_ = 0;
  uint32_t pair_count_ = 0;
};

}  // namespace kiv::assembler
