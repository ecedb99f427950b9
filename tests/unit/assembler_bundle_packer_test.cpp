#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "assembler/bundle_packer.h"
#include "byte_string.h"

namespace kiv::assembler {
namespace {

using kiv::testing::Bytes;

const std::string kEightZeros(8, '\0');

class BundlePackerTest : public ::testing::Test {
 protected:
  std::string image() const { return std::string(image_.view()); }
  std::string listing() const { return std::string(listing_.view()); }

  OutputBuffer image_;
  OutputBuffer listing_;
  BundlePacker packer_{image_, listing_};
};

TEST_F(BundlePackerTest, FullBundlePlacesEachSlotAndIsWrittenBySlotThree) {
  packer_.PackInstruction(0x80, 0x12345678, 0);
  packer_.PackInstruction(0xa5, 0x9abcdef0, 0);
  EXPECT_TRUE(image().empty());
  packer_.PackInstruction(0x3ff, 0xffffffff, 0);
  EXPECT_EQ(listing(), "3ffffffffff 0a59abcdef0 08012345678 3\n");
  EXPECT_EQ(image(), Bytes({0xe3, 0x59, 0xd1, 0x48, 0x00, 0x02, 0xef, 0xcd, 0xab, 0x59, 0xca, 0xff,
                            0xff, 0xff, 0xff, 0xff}));
}

TEST_F(BundlePackerTest, WritingABundleClearsTheAccumulator) {
  packer_.PackInstruction(0x80, 0x12345678, 0);
  packer_.PackInstruction(0xa5, 0x9abcdef0, 0);
  packer_.PackInstruction(0x3ff, 0xffffffff, 0);
  packer_.PackInstruction(0x3fc, 0, 0);
  packer_.EndBundle();
  EXPECT_EQ(listing().substr(listing().find('\n') + 1), "00000000000 00000000000 3fc00000000 1\n");
  EXPECT_EQ(image().substr(16), Bytes({0x01, 0, 0, 0, 0xf0, 0x0f, 0, 0}) + kEightZeros);
}

TEST_F(BundlePackerTest, PartlyFilledBundleCountsItsInstructions) {
  packer_.PackInstruction(0x20, 0x100003, 0);
  packer_.PackInstruction(0x38, 0x10100001, 0);
  packer_.EndBundle();
  EXPECT_EQ(listing(), "00000000000 03810100001 02000100003 2\n");
  EXPECT_EQ(image().size(), 16u);
}

TEST_F(BundlePackerTest, JoinInSlotOneCountsNothing) {
  packer_.PackInstruction(0x3ec, 0, 0);
  packer_.EndBundle();
  EXPECT_EQ(listing(), "00000000000 00000000000 3ec00000000 0\n");
  EXPECT_EQ(image(), Bytes({0, 0, 0, 0, 0xb0, 0x0f, 0, 0}) + kEightZeros);
}

TEST_F(BundlePackerTest, SpawniPlacesItsTwoWordsInsteadOfASlot) {
  packer_.PackInstruction(0x3f0, 5, 7);
  packer_.EndBundle();
  packer_.PackInstruction(0x3f0, 0xc0000001, 7);
  packer_.EndBundle();
  EXPECT_EQ(listing(),
            "00000000000 00000000000 01c00000005 0\n"
            "00000000000 00000000000 01cc0000001 0\n");
  EXPECT_EQ(image(), Bytes({0x14, 0, 0, 0, 0x70, 0, 0, 0}) + kEightZeros +
                         Bytes({0x04, 0, 0, 0, 0x73, 0, 0, 0}) + kEightZeros);
}

TEST_F(BundlePackerTest, OnlyTheLowSixteenBitsOfTheHeadArePacked) {
  packer_.PackInstruction(0x703fc, 0, 0);
  packer_.EndBundle();
  EXPECT_EQ(listing(), "00000000000 00000000000 3fc00000000 1\n");
}

// Heads wider than their 10 bits reach into the next field. The bundle is
// built in 32-bit words: the overlapping parts are added, so a carry moves
// into the next bit within a word, and one out of the top of a word is lost.
TEST_F(BundlePackerTest, WideHeadIsAddedIntoTheNextSlotsField) {
  packer_.PackInstruction(0, 0, 0);
  packer_.PackInstruction(0x7ff, 0, 0);  // head bit 10 lies on slot 3's body bit 0
  packer_.PackInstruction(0, 1, 0);
  EXPECT_EQ(listing(), "00000000002 3ff00000000 00000000000 3\n");
  EXPECT_EQ(image(), Bytes({3, 0, 0, 0, 0, 0, 0, 0, 0, 0xf0, 0xbf, 0, 0, 0, 0, 0}));
}

TEST_F(BundlePackerTest, CarryOutOfAWordIsLost) {
  packer_.PackInstruction(0xffff, 0, 0);
  packer_.PackInstruction(0, 0xfffff, 0);  // bits 63-44 all set, on top of the wide head
  packer_.EndBundle();
  EXPECT_EQ(listing(), "00000000000 0000000003e 3ff00000000 2\n");
  EXPECT_EQ(image(), Bytes({2, 0, 0, 0, 0xfc, 0xef, 3, 0}) + kEightZeros);
}

TEST_F(BundlePackerTest, DataPairsFormLinesOfTwoInImageOrder) {
  packer_.WriteDataPair(0, 5, false);
  packer_.WriteDataPair(0, 6, true);
  packer_.WriteDataPair(0x64636261, 0x68676665, false);
  packer_.WriteDataPair(0, 0, true);
  EXPECT_EQ(listing(),
            "00000005 00000000 00000006 00000000\n"
            "68676665 64636261 00000000 00000000\n");
  EXPECT_EQ(image(), Bytes({5, 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0}) +
                         Bytes({0x65, 0x66, 0x67, 0x68, 0x61, 0x62, 0x63, 0x64}) + kEightZeros);
}

TEST_F(BundlePackerTest, FinishEndsTheImageWithFourFfBytes) {
  packer_.Finish();
  EXPECT_EQ(image(), "\xff\xff\xff\xff");
  EXPECT_TRUE(listing().empty());
}

}  // namespace
}  // namespace kiv::assembler
