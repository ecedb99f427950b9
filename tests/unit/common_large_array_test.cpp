#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/large_array.h"
#include "common/large_block.h"

namespace kiv {
namespace {

std::vector<uint64_t> Contents(const LargeArray<uint64_t>& array) {
  return std::vector<uint64_t>(array.begin(), array.end());
}

TEST(LargeArray, GrowsPastItsRoomKeepingWhatItHolds) {
  LargeArray<uint64_t> array;
  std::vector<uint64_t> expected;
  // Past the first room and past the huge-page size, where the memory is
  // mapped rather than taken from the heap.
  for (uint64_t i = 0; i < 400000; ++i) {
    array.PushBack(i * 0x9e3779b97f4a7c15u);
    expected.push_back(i * 0x9e3779b97f4a7c15u);
  }
  EXPECT_EQ(Contents(array), expected);
  array.Reserve(1000000);
  EXPECT_EQ(Contents(array), expected);
  EXPECT_EQ(array.span().size(), expected.size());
}

TEST(LargeArray, ClearKeepsTheRoomAndAssignZerosGivesZeros) {
  LargeArray<uint64_t> array;
  array.Reserve(10);
  const uint64_t* room = array.data();
  array.PushBack(5);
  array.Clear();
  EXPECT_TRUE(array.empty());
  array.PushBack(6);
  EXPECT_EQ(array.data(), room);
  EXPECT_EQ(Contents(array), (std::vector<uint64_t>{6}));

  array.AssignZeros(300000);
  ASSERT_EQ(array.size(), 300000u);
  for (const uint64_t value : array) ASSERT_EQ(value, 0u);
  array.AssignZeros(0);
  EXPECT_TRUE(array.empty());
}

// Pages entered while another thread may be writing the memory: what is
// written stays, and the rest of a block reads as zero, whichever end goes
// first.
TEST(LargeBlock, EnteringPagesKeepsWhatIsWritten) {
  for (const bool last_first : {false, true}) {
    const size_t bytes = (size_t{5} << 20) + 123;  // mapped, a last huge page partly used
    const LargeBlock block(bytes);
    auto* const data = static_cast<unsigned char*>(block.data());
    const std::vector<size_t> written = {0, 4095, size_t{2} << 20, (size_t{4} << 20) + 7,
                                         bytes - 1};
    for (const size_t at : written) data[at] = static_cast<unsigned char>(0xa0 + at % 50);
    block.EnterPagesForWriting(last_first);
    for (const size_t at : written) {
      EXPECT_EQ(data[at], static_cast<unsigned char>(0xa0 + at % 50)) << at;
    }
    for (const size_t at : {size_t{1}, size_t{3} << 20, bytes - 2}) EXPECT_EQ(data[at], 0u) << at;
  }
  const LargeBlock small(100);
  EXPECT_FALSE(small.EnterPagesForWriting());
  // Any memory, on whole pages inside the range only: a heap block's
  // neighbours are left as they are.
  std::vector<unsigned char> heap((size_t{3} << 20) + 5000);
  for (size_t i = 0; i < heap.size(); ++i) heap[i] = static_cast<unsigned char>(i * 7);
  for (const bool last_first : {false, true}) {
    EXPECT_TRUE(EnterPagesForWriting(heap.data() + 3, heap.size() - 10, last_first));
  }
  for (size_t i = 0; i < heap.size(); ++i) {
    ASSERT_EQ(heap[i], static_cast<unsigned char>(i * 7)) << i;
  }
  EXPECT_FALSE(EnterPagesForWriting(heap.data() + 1, 100));
  EXPECT_FALSE(EnterPagesForWriting(nullptr, 0));
}

}  // namespace
}  // namespace kiv
