#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "assembler/data_sections.h"

namespace kiv::assembler {
namespace {

using Layout = std::vector<std::pair<uint32_t, uint32_t>>;

DataSections Sections(const Layout& layout) {
  DataSections sections;
  for (const auto& [start, end] : layout) sections.Add(start, end);
  sections.Finish();
  return sections;
}

bool InsideByLooking(const Layout& layout, uint32_t index) {
  for (const auto& [start, end] : layout) {
    if (index > start && index < end) return true;
  }
  return false;
}

void ExpectSameAsLooking(const Layout& layout) {
  const DataSections sections = Sections(layout);
  uint32_t last = 0;
  for (const auto& section : layout) last = section.second;
  for (uint32_t index = 0; index <= last + 70; ++index) {
    ASSERT_EQ(sections.StrictlyInside(index), InsideByLooking(layout, index)) << index;
  }
  for (const uint32_t far : {0x7fffffffu, 0xfffffffeu, 0xffffffffu}) {
    EXPECT_FALSE(sections.StrictlyInside(far)) << far;
  }
}

TEST(DataSections, OnlyIndicesStrictlyBetweenStartAndEndAreInside) {
  ExpectSameAsLooking({});
  ExpectSameAsLooking({{0, 6}});
  // Empty sections, sections touching, and one across several 64-bit words.
  ExpectSameAsLooking({{3, 3}, {3, 9}, {9, 9}, {9, 12}, {12, 13}, {40, 300}});
  ExpectSameAsLooking({{63, 65}, {127, 128}, {128, 192}, {192, 193}});
}

TEST(DataSections, RandomLayoutsAgreeWithLookingAtEverySection) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    Layout layout;
    uint32_t index = static_cast<uint32_t>(random() % 5);
    for (int s = static_cast<int>(random() % 12); s > 0; --s) {
      const uint32_t start = index + static_cast<uint32_t>(random() % 3 == 0 ? 0 : random() % 90);
      const uint32_t end = start + static_cast<uint32_t>(random() % 4 == 0 ? 0 : random() % 150);
      layout.emplace_back(start, end);
      index = end;
    }
    ExpectSameAsLooking(layout);
    if (HasFailure()) return;
  }
}

TEST(DataSections, SectionsOutOfOrderAreStillAnswered) {
  // Indices that wrapped past 2^32 leave a section ending below its start;
  // such a section holds nothing, and an earlier one still holds its indices.
  const DataSections sections = Sections({{10, 20}, {0xfffffff0u, 4}});
  EXPECT_TRUE(sections.StrictlyInside(15));
  EXPECT_FALSE(sections.StrictlyInside(2));
  EXPECT_FALSE(sections.StrictlyInside(0xfffffff8u));
}

}  // namespace
}  // namespace kiv::assembler
