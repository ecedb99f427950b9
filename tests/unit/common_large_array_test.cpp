#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/large_array.h"

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

}  // namespace
}  // namespace kiv
