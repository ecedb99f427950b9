#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <random>
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

// The table as first written: a sort, a pass dropping duplicates, a pass
// adding padding, and a search for every lookup. The table must agree with it
// on any set of indices, whichever way it orders and finds them.
class ReferenceTable {
 public:
  explicit ReferenceTable(std::vector<uint32_t> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    uint32_t total = 0;
    for (const uint32_t index : indices) {
      total += (3u - (index + total) % 3u) % 3u;
      boundaries_.push_back(Boundary{index, total});
    }
  }
  std::optional<uint32_t> PaddingOfBoundary(uint32_t index) const {
    for (const Boundary& boundary : boundaries_) {
      if (boundary.index == index) return boundary.padding;
    }
    return std::nullopt;
  }
  uint32_t PaddingAtIndex(uint32_t index) const {
    uint32_t padding = 0;
    for (const Boundary& boundary : boundaries_) {
      if (boundary.index <= index) padding = boundary.padding;
    }
    return padding;
  }
  const std::vector<Boundary>& boundaries() const { return boundaries_; }

 private:
  std::vector<Boundary> boundaries_;
};

void ExpectSameAsReference(const std::vector<uint32_t>& inserted) {
  BoundaryTable table;
  for (const uint32_t index : inserted) table.Insert(index);
  table.ComputePadding();
  const ReferenceTable reference(inserted);
  ASSERT_EQ(Indices(table).size(), reference.boundaries().size());
  for (size_t i = 0; i < reference.boundaries().size(); ++i) {
    ASSERT_EQ(table.boundaries()[i].index, reference.boundaries()[i].index) << i;
    ASSERT_EQ(table.boundaries()[i].padding, reference.boundaries()[i].padding) << i;
  }
  // Every boundary, its neighbours, and indices at both ends of the range.
  std::vector<uint32_t> queries = {0, 1, 31, 32, 33, 0x7fffffffu, 0xfffffffeu, 0xffffffffu};
  for (const Boundary& boundary : reference.boundaries()) {
    for (const uint32_t delta : {0u, 1u, 2u, 0xffffffffu, 0xfffffffeu}) {
      queries.push_back(boundary.index + delta);
    }
  }
  for (const uint32_t query : queries) {
    EXPECT_EQ(table.PaddingOfBoundary(query), reference.PaddingOfBoundary(query)) << query;
    EXPECT_EQ(table.PaddingAtIndex(query), reference.PaddingAtIndex(query)) << query;
  }
}

TEST(BoundaryTable, AgreesWithASortAndSearchOnSetsOfEveryShape) {
  // Dense runs across several bitmap blocks, duplicates, a lone far target,
  // targets beyond the program and wrapped below zero, only far ones.
  std::vector<uint32_t> run;
  for (uint32_t i = 0; i < 100; ++i) run.push_back(i);
  ExpectSameAsReference(run);
  ExpectSameAsReference({7, 7, 7, 7});
  ExpectSameAsReference({0, 31, 32, 63, 64, 65, 95, 96});
  ExpectSameAsReference({1, 2, 3, 1000000});
  ExpectSameAsReference({5, 0xffffffffu, 4, 0xfffffffeu, 5, 0xffffffffu});
  ExpectSameAsReference({1000000, 2000000, 1000000, 3});
  ExpectSameAsReference({0xffffffffu});
  ExpectSameAsReference({0});
}

TEST(BoundaryTable, AgreesWithASortAndSearchOnRandomSets) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    const auto count = static_cast<uint32_t>(1 + random() % 200);
    // From crowded (every index a boundary) to sparse (a few per hundred),
    // with now and then a target far beyond the others.
    const auto span = static_cast<uint32_t>(1 + count * (1 + random() % 40));
    std::vector<uint32_t> indices;
    for (uint32_t i = 0; i < count; ++i) {
      indices.push_back(random() % 10 == 0 ? static_cast<uint32_t>(random())
                                           : static_cast<uint32_t>(random() % span));
    }
    ExpectSameAsReference(indices);
    if (HasFailure()) return;
  }
}

TEST(BoundaryTable, ResolvedTargetsFollowTheTargetsInOrderWithTheirPaddings) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    BoundaryTable table;
    std::vector<uint32_t> inserted;
    std::vector<uint32_t> targets;
    const auto count = static_cast<uint32_t>(random() % 150);
    for (uint32_t i = 0; i < count; ++i) {
      // Near and far, repeated, some only boundaries and not targets.
      const auto index = random() % 8 == 0 ? static_cast<uint32_t>(random())
                                           : static_cast<uint32_t>(random() % (4 * count + 1));
      inserted.push_back(index);
      if (random() % 4 == 0) {
        table.Insert(index);
      } else {
        table.InsertTarget(index);
        targets.push_back(index);
      }
    }
    table.ComputePadding();
    table.ComputePadding();  // made again, not added to
    const ReferenceTable reference(inserted);
    ASSERT_EQ(table.resolved_targets().size(), targets.size());
    for (size_t i = 0; i < targets.size(); ++i) {
      EXPECT_EQ(table.resolved_targets()[i].index, targets[i]) << i;
      EXPECT_EQ(table.resolved_targets()[i].padding, reference.PaddingOfBoundary(targets[i])) << i;
    }
    if (HasFailure()) return;
  }
}

TEST(BoundaryTable, ComputingAgainChangesNothingAndTakesInLaterInserts) {
  BoundaryTable table = PaddedTable({9, 1, 0xfffffff0u, 4});
  table.ComputePadding();
  EXPECT_EQ(Indices(table), (std::vector<uint32_t>{1, 4, 9, 0xfffffff0u}));
  EXPECT_EQ(Paddings(table), (std::vector<uint32_t>{2, 2, 3, 3}));
  EXPECT_EQ(table.PaddingOfBoundary(9), 3u);

  table.Insert(2);
  table.Insert(9);
  table.ComputePadding();
  const ReferenceTable reference({1, 2, 4, 9, 0xfffffff0u});
  EXPECT_EQ(Indices(table), (std::vector<uint32_t>{1, 2, 4, 9, 0xfffffff0u}));
  for (size_t i = 0; i < reference.boundaries().size(); ++i) {
    EXPECT_EQ(table.boundaries()[i].padding, reference.boundaries()[i].padding) << i;
  }
  EXPECT_EQ(table.PaddingOfBoundary(2), reference.PaddingOfBoundary(2));
  EXPECT_EQ(table.PaddingAtIndex(100), reference.PaddingAtIndex(100));
}

}  // namespace
}  // namespace kiv::assembler
