// Reading an image back: the units of kivBinary.txt and kivBundle.txt, the
// bundles among them (spawni, join, padding), the data lines and sections,
// and the directives that write a section's pairs again.
#include <gtest/gtest.h>

#include <string>

#include "kiv/bundle.h"
#include "kiv/chain.h"
#include "kiv/data_layout.h"
#include "kiv/image.h"
#include "kiv/program.h"

namespace kiv::tool {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

const std::string kEnd = Bytes({0xff, 0xff, 0xff, 0xff});

Program ProgramOf(const std::string& source) {
  const ChainResult chain = RunChain(source);
  EXPECT_TRUE(chain.succeeded()) << source;
  Image image;
  std::string error;
  EXPECT_TRUE(ReadBinaryImage(chain.back.image, image, error)) << error;
  return ReadProgram(image);
}

TEST(KivImage, BinaryImageIsUnitsThenFourFfBytes) {
  Image image;
  std::string error;
  EXPECT_TRUE(ReadBinaryImage(kEnd, image, error));
  EXPECT_TRUE(image.units.empty());
  EXPECT_FALSE(ReadBinaryImage("", image, error));
  EXPECT_FALSE(ReadBinaryImage(std::string(16, '\0'), image, error));
  EXPECT_FALSE(ReadBinaryImage(std::string(5, '\0') + kEnd, image, error));

  // Unit bytes run from the least significant up; half a unit is a pair.
  const std::string unit = Bytes({1, 0, 0, 0, 0xf0, 0x0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80});
  ASSERT_TRUE(ReadBinaryImage(unit + Bytes({5, 0, 0, 0, 0, 0, 0, 0}) + kEnd, image, error));
  ASSERT_EQ(image.units.size(), 1u);
  EXPECT_EQ(SlotCountField(image.units[0]), 1);
  EXPECT_EQ(SlotWord(image.units[0], 1), uint64_t{0x3fc} << 32);
  EXPECT_EQ(static_cast<uint64_t>(image.units[0] >> 120), 0x80u);
  EXPECT_EQ(image.trailing_pair, DataPair{5});
}

TEST(KivImage, ListingLinesSayBundleOrData) {
  Image image;
  std::string error;
  ASSERT_TRUE(
      ReadListing("00000000000 00000000000 3fc00000000 1\n"
                  "00000005 00000000 00000006 00000000\n"
                  "00000007 00000000 ",
                  image, error))
      << error;
  ASSERT_EQ(image.units.size(), 2u);
  EXPECT_EQ(image.kinds[0], UnitKind::kBundle);
  EXPECT_EQ(image.kinds[1], UnitKind::kData);
  EXPECT_EQ(DecodeBundle(image.units[0]).kind, BundleKind::kSlots);
  EXPECT_EQ(PairOf(image.units[1], 0), DataPair{5});
  EXPECT_EQ(PairOf(image.units[1], 1), DataPair{6});
  EXPECT_EQ(image.trailing_pair, DataPair{7});
  EXPECT_FALSE(ReadListing("not a listing\n", image, error));
}

TEST(KivImage, CountlessBundlesAreJoinOrSpawni) {
  // spawni 5 7: bits 33-2 the first value, 67-36 the second.
  const Unit spawni = Unit{5} << 2 | Unit{7} << 36;
  const Bundle read = DecodeBundle(spawni);
  EXPECT_EQ(read.kind, BundleKind::kSpawni);
  EXPECT_EQ(read.spawni_first, 5u);
  EXPECT_EQ(read.spawni_second, 7u);
  EXPECT_EQ(DecodeBundle(Unit{251} << 36).kind, BundleKind::kJoin);
  EXPECT_EQ(DecodeBundle(spawni | Unit{1} << 34).kind, BundleKind::kMalformed);
  EXPECT_EQ(DecodeBundle(spawni | Unit{1} << 100).kind, BundleKind::kMalformed);
}

TEST(KivImage, PaddingSlotsMustBeZero) {
  const Unit one = Unit{1} | Unit{0x3fc} << 34;  // halt alone
  EXPECT_EQ(DecodeBundle(one).kind, BundleKind::kSlots);
  EXPECT_EQ(DecodeBundle(one).count, 1);
  EXPECT_EQ(DecodeBundle(one | Unit{1} << 90).kind, BundleKind::kMalformed);
}

TEST(KivProgram, DataLinesThatLookLikeBundlesJoinTheirSection) {
  // .word 1 / .word 0 reads as a bundle of one nop; beside the string it is
  // taken as data.
  const Program program =
      ProgramOf(".rdata\n.word 1\n.word 0\n.ascii \"some text here!\"\n.text\nhalt\n");
  ASSERT_EQ(program.units.size(), 3u);
  EXPECT_TRUE(program.units[0].is_data);
  EXPECT_TRUE(program.units[1].is_data);
  EXPECT_FALSE(program.units[2].is_data);
  ASSERT_EQ(program.sections.size(), 1u);
  EXPECT_EQ(program.sections[0].end, 2u);
  EXPECT_EQ(program.units[2].first_index, 6u);
}

TEST(KivProgram, AStringBegunBesideAWordTakesThatUnitIntoItsSection) {
  // The word and the string's first 8 bytes read as a bundle of three
  // instructions; a section from the unit after would cut the string's
  // chunks out of step and show its filler as '?', another image.
  const std::string source =
      ".rdata\n.word -1704677233\n.ascii \"^DL+9d]9                            \"\n.word 0\n"
      ".text\nhalt\n";
  const Program program = ProgramOf(source);
  ASSERT_GE(program.units.size(), 2u);
  EXPECT_TRUE(program.units[0].is_data);
  ASSERT_FALSE(program.sections.empty());
  EXPECT_EQ(program.sections[0].begin, 0u);
  const RoundTrip trip = RunRoundTrip(source);
  ASSERT_TRUE(trip.applies);
  EXPECT_TRUE(trip.same) << trip.disassembly.text;
  EXPECT_TRUE(trip.disassembly.warnings.empty());
}

TEST(KivProgram, PartialBundleWithoutBoundaryGetsAnEmptySection) {
  // An empty data section is what closed the first bundle.
  const Program program = ProgramOf("add 1, 2, 3\n.rdata\n.text\nsub 1, 2, 3\n");
  ASSERT_EQ(program.units.size(), 2u);
  ASSERT_EQ(program.sections.size(), 1u);
  EXPECT_EQ(program.sections[0].begin, 1u);
  EXPECT_EQ(program.sections[0].end, 1u);
}

TEST(KivProgram, TargetsAreMarkedOnTheirBundles) {
  const Program program = ProgramOf("li 1, 3\nloop: subi 1, 1, 1\nbne 1, 0, loop\nhalt\n");
  ASSERT_EQ(program.units.size(), 2u);
  EXPECT_FALSE(program.units[0].targeted);
  EXPECT_TRUE(program.units[1].targeted);
}

TEST(KivDataLayout, WordsStringsAndFillers) {
  const std::vector<DataPair> pairs = {5, 0xfffffffe, 0x6867666564636261, 0x1111111111116948,
                                       7, kFillerPair};
  const std::vector<DataItem> items = LayOutData(pairs, {});
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].kind, DataItemKind::kWord);
  EXPECT_EQ(items[1].word, -2);
  EXPECT_EQ(items[2].kind, DataItemKind::kAscii);
  EXPECT_EQ(items[2].text, "abcdefghHi");  // the filler is the front end's to add
  EXPECT_EQ(items[3].word, 7);
  EXPECT_EQ(items[4].kind, DataItemKind::kAlign);
  EXPECT_EQ(items[4].pair_count, 1u);
}

TEST(KivDataLayout, LabelAfterAnEvenRunOfWordsStandsBehindAnAlign) {
  const std::vector<DataPair> pairs = {1, 2, 3, 4};
  const std::vector<size_t> labels = {2};
  const std::vector<DataItem> items = LayOutData(pairs, labels);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[2].kind, DataItemKind::kAlign);
  EXPECT_EQ(items[2].pair_count, 0u);
  EXPECT_EQ(items[3].labels, labels);
  EXPECT_EQ(items[3].word, 3);
}

TEST(KivDataLayout, WhatAStringCannotCarryIsWarned) {
  const std::vector<DataPair> quote = {0x2222222222222222, 0x4141414141414141};
  EXPECT_FALSE(LayOutData(quote, {})[0].warning.empty());
  const std::vector<DataPair> odd = {0x4141414141414141};  // half a string
  EXPECT_FALSE(LayOutData(odd, {})[0].warning.empty());
}

}  // namespace
}  // namespace kiv::tool
