#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "assembler/boundary_table.h"

namespace kiv::assembler {
namespace {

BoundaryTable PaddedTable(std::initializer_list<uint32_t> indices) {
  BoundaryTable table;
  for (const uint32_t index : indices) table.Insert(index);
  table.ComputePadding();
  return table;
}

std::vector<uint32_t> Indices(const BoundaryTable& table) {
  std::vector<uint32_t> indices;
  for (const Boundary& boundary : table.boundaries()) indices.push_back(boundary.index);
  return indices;
}

std::vector<uint32_t> Paddings(const BoundaryTable& table) {
  std::vector<uint32_t> paddings;
  for (const Boundary& boundary : table.boundaries()) paddings.push_back(boundary.padding);
  return paddings;
}

TEST(BoundaryTable, SortsAndDropsDuplicates) {
  EXPECT_EQ(Indices(PaddedTable({5, 2, 9, 2})), (std::vector<uint32_t>{2, 5, 9}));
  // Unsigned order: a wrapped negative target sorts after everything else.
  EXPECT_EQ(Indices(PaddedTable({0xffffffffu, 3, 0})), (std::vector<uint32_t>{0, 3, 0xffffffffu}));
}

TEST(BoundaryTable, PaddingMakesEveryBoundaryBeginABundle) {
  const BoundaryTable table = PaddedTable({7, 4, 6});
  EXPECT_EQ(Paddings(table), (std::vector<uint32_t>{2, 3, 5}));

  EXPECT_EQ(Paddings(PaddedTable({0})), (std::vector<uint32_t>{0}));
  EXPECT_EQ(Paddings(PaddedTable({1})), (std::vector<uint32_t>{2}));
  EXPECT_EQ(Paddings(PaddedTable({3})), (std::vector<uint32_t>{0}));
  // Padding accumulates: 2 sits at slot position 2 + 2 and needs 2 more.
  EXPECT_EQ(Paddings(PaddedTable({1, 2})), (std::vector<uint32_t>{2, 4}));
}

TEST(BoundaryTable, PaddingOfBoundaryAnswersOnlyExactBoundaries) {
  const BoundaryTable table = PaddedTable({4, 6, 7});
  EXPECT_EQ(table.PaddingOfBoundary(4), 2u);
  EXPECT_EQ(table.PaddingOfBoundary(7), 5u);
  EXPECT_EQ(table.PaddingOfBoundary(5), std::nullopt);
  EXPECT_EQ(table.PaddingOfBoundary(0), std::nullopt);
  EXPECT_EQ(table.PaddingOfBoundary(8), std::nullopt);
  EXPECT_EQ(BoundaryTable{}.PaddingOfBoundary(0), std::nullopt);
}

TEST(BoundaryTable, PaddingAtIndexIsThatOfTheLastBoundaryNotAbove) {
  const BoundaryTable table = PaddedTable({4, 6, 7});
  EXPECT_EQ(table.PaddingAtIndex(3), 0u);
  EXPECT_EQ(table.PaddingAtIndex(4), 2u);
  EXPECT_EQ(table.PaddingAtIndex(5), 2u);
  EXPECT_EQ(table.PaddingAtIndex(6), 3u);
  EXPECT_EQ(table.PaddingAtIndex(100), 5u);
  EXPECT_EQ(BoundaryTable{}.PaddingAtIndex(100), 0u);
}

}  // namespace
}  // namespace kiv::assembler
