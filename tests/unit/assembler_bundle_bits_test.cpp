#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "assembler/bundle_bits.h"
#include "assembler/bundle_builder.h"

namespace kiv::assembler {
namespace {

// A bundle from its 16 image bytes, byte k holding bits 8k + 7 to 8k.
BundleBits FromImageBytes(std::initializer_list<int> bytes) {
  BundleBits bundle = 0;
  int shift = 0;
  for (const int byte : bytes) {
    bundle |= BundleBits{static_cast<uint8_t>(byte)} << shift;
    shift += 8;
  }
  return bundle;
}

BundleBits Words(uint32_t w3, uint32_t w2, uint32_t w1, uint32_t w0) {
  return (BundleBits{w3} << 96) | (BundleBits{w2} << 64) | (BundleBits{w1} << 32) | w0;
}

// Single bundles built slot by slot, against their known image bytes and slots.
TEST(BundleBits, FullBundleMatchesTheReferenceBytesAndSlots) {
  BundleBits bundle = PlaceSlot(0, 1, 0x80, 0x12345678);
  bundle = PlaceSlot(bundle, 2, 0xa5, 0x9abcdef0);
  bundle = PlaceSlot(bundle, 3, 0x3ff, 0xffffffff);
  EXPECT_TRUE(bundle == FromImageBytes({0xe3, 0x59, 0xd1, 0x48, 0x00, 0x02, 0xef, 0xcd, 0xab, 0x59,
                                        0xca, 0xff, 0xff, 0xff, 0xff, 0xff}));
  EXPECT_EQ(SlotWord(bundle, 3), 0x3ffffffffffu);
  EXPECT_EQ(SlotWord(bundle, 2), 0x0a59abcdef0u);
  EXPECT_EQ(SlotWord(bundle, 1), 0x08012345678u);
  EXPECT_EQ(CountField(bundle), 3u);
}

TEST(BundleBits, LoneInstructionsMatchTheReferenceBytes) {
  const BundleBits halt = PlaceSlot(0, 1, 0x3fc, 0);
  EXPECT_TRUE(halt == FromImageBytes({0x01, 0, 0, 0, 0xf0, 0x0f, 0, 0}));
  EXPECT_EQ(SlotWord(halt, 1), 0x3fc00000000u);
  EXPECT_EQ(CountField(halt), 1u);

  const BundleBits join = PlaceSlot(0, 1, 0x3ec, 0);  // counts no instruction
  EXPECT_TRUE(join == FromImageBytes({0, 0, 0, 0, 0xb0, 0x0f, 0, 0}));
  EXPECT_EQ(CountField(join), 0u);
}

TEST(BundleBits, SpawniBundleHoldsItsTwoWordsAndCountsNothing) {
  EXPECT_TRUE(SpawniBundle(5, 7) == FromImageBytes({0x14, 0, 0, 0, 0x70, 0, 0, 0}));
  const BundleBits wide = SpawniBundle(0xc0000001, 7);
  EXPECT_TRUE(wide == FromImageBytes({0x04, 0, 0, 0, 0x73, 0, 0, 0}));
  EXPECT_EQ(SlotWord(wide, 1), 0x01cc0000001u);
  EXPECT_EQ(CountField(wide), 0u);
  // The second word's top bits reach bit 67, and nothing beyond.
  EXPECT_TRUE(SpawniBundle(0, 0xffffffff) == Words(0, 0xf, 0xfffffff0, 0));
}

TEST(BundleBits, EachWordWrapsOnItsOwn) {
  EXPECT_TRUE(AddWordByWord(Words(1, 2, 3, 0xffffffff), Words(0, 0, 0, 1)) == Words(1, 2, 3, 0));
  EXPECT_TRUE(AddWordByWord(Words(0xffffffff, 0x80000000, 0x7fffffff, 0),
                            Words(1, 0x80000000, 1, 0)) == Words(0, 0, 0x80000000, 0));
  // Below the top bit a carry moves on as in any sum.
  EXPECT_TRUE(AddWordByWord(Words(0, 0, 0x0000ffff, 0), Words(0, 0, 1, 0)) ==
              Words(0, 0, 0x00010000, 0));
}

TEST(BundleBits, SlotThreeHeadLosesWhatLiesBeyondBit127) {
  const BundleBits bundle = PlaceSlot(PlaceSlot(PlaceSlot(0, 1, 0, 0), 2, 0, 0), 3, 0xffff, 0);
  EXPECT_EQ(SlotWord(bundle, 3), 0x3ff00000000u);
}

TEST(BundleBuilder, FillsSlotsInOrderAndReportsAFullBundle) {
  BundleBuilder builder;
  EXPECT_FALSE(builder.pending());
  EXPECT_FALSE(builder.Add(0x80, 0x12345678, 0));
  EXPECT_TRUE(builder.pending());
  EXPECT_FALSE(builder.Add(0xa5, 0x9abcdef0, 0));
  EXPECT_TRUE(builder.Add(0x3ff, 0xffffffff, 0));
  EXPECT_FALSE(builder.pending());
  const BundleBits full = builder.Take();
  EXPECT_EQ(SlotWord(full, 1), 0x08012345678u);
  EXPECT_EQ(SlotWord(full, 3), 0x3ffffffffffu);

  // Taken, the builder starts again from an empty bundle at slot 1.
  EXPECT_FALSE(builder.Add(0x3fc, 0, 0));
  EXPECT_TRUE(builder.Take() == FromImageBytes({0x01, 0, 0, 0, 0xf0, 0x0f, 0, 0}));
  EXPECT_FALSE(builder.pending());
}

TEST(BundleBuilder, SpawniFillsItsBundleAndLeavesItPending) {
  BundleBuilder builder;
  EXPECT_FALSE(builder.Add(0x3f0, 5, 7));
  EXPECT_TRUE(builder.pending());
  EXPECT_TRUE(builder.Take() == SpawniBundle(5, 7));
}

}  // namespace
}  // namespace kiv::assembler
